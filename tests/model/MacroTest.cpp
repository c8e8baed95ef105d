#include "model/MacroList.h"
#include "model/NameTables.h"
#include "model/PredefinedMacroList.h"
#include "platform/base/WideChar.h"

#include <gtest/gtest.h>

#include <string>

namespace {

MacroEventList TwoKeyEvents() {
    return {{MACRO_EVENT_KEY, MakeKeyEventCode(0x1E, 0x41), MACRO_KEY_PRESS},
            {MACRO_EVENT_DELAY, 50, 50},
            {MACRO_EVENT_KEY, MakeKeyEventCode(0x1E, 0x41), MACRO_KEY_RELEASE}};
}

class PredefinedMacroTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { InitNameTables(); }
};

} // namespace

TEST(MacroTest, NewMacroIsEmptyAndNamedMacroCopiesItsParts) {
    const CMacro empty;
    EXPECT_EQ(std::u16string(empty.GetName()), u"");
    EXPECT_EQ(empty.GetGuid(), GUID_NULL);
    EXPECT_TRUE(empty.GetEvents().empty());
    EXPECT_TRUE(empty.GetFilePath().IsEmpty());

    const MacroEventList events = TwoKeyEvents();
    CMacro named(u"Reload", events);
    EXPECT_EQ(std::u16string(named.GetName()), u"Reload");
    EXPECT_EQ(named.GetEvents(), events);
    EXPECT_EQ(named.GetGuid(), GUID_NULL);
    named.SetFilePath(u"C:\\save\\Reload.qmm");
    EXPECT_EQ(named.GetFilePath(), CString(u"C:\\save\\Reload.qmm"));
}

TEST(MacroTest, OverlongNameIsCutToTheFieldAndTerminated) {
    const std::u16string longName(400, u'n');
    const CMacro macro(longName.c_str(), {});
    EXPECT_EQ(wcslen(macro.GetName()), MACRO_NAME_CHARS - 1);
    EXPECT_EQ(std::u16string(macro.GetName()), longName.substr(0, MACRO_NAME_CHARS - 1));

    // A cut that would split a surrogate pair drops the whole character instead.
    std::u16string pairAtEnd(MACRO_NAME_CHARS - 2, u'x');
    pairAtEnd += u"\U0001F600";
    const CMacro emoji(pairAtEnd.c_str(), {});
    EXPECT_EQ(std::u16string(emoji.GetName()), std::u16string(MACRO_NAME_CHARS - 2, u'x'));

    // Exactly 255 characters fit unchanged; null is the empty name.
    const std::u16string exact(MACRO_NAME_CHARS - 1, u'e');
    CMacro fits(exact.c_str(), {});
    EXPECT_EQ(std::u16string(fits.GetName()), exact);
    fits.SetName(nullptr);
    EXPECT_EQ(std::u16string(fits.GetName()), u"");
}

TEST(MacroTest, IsSameComparesGuidNameIgnoringCaseAndEvents) {
    GUID guid{};
    guid.Data1 = 0x1234;
    CMacro a(u"Combo", TwoKeyEvents());
    CMacro b(u"cOMBO", TwoKeyEvents());
    a.SetGuid(guid);
    b.SetGuid(guid);
    EXPECT_TRUE(a.IsSame(b));

    b.GetEvents()[2].flags = MACRO_KEY_PRESS;
    EXPECT_FALSE(a.IsSame(b));
    b.SetEvents(TwoKeyEvents());
    EXPECT_TRUE(a.IsSame(b));

    b.GetEvents().pop_back();
    EXPECT_FALSE(a.IsSame(b)); // different length
    b.SetEvents(TwoKeyEvents());
    b.SetGuid(GUID_NULL);
    EXPECT_FALSE(a.IsSame(b));
    b.SetGuid(guid);
    b.SetName(u"Combo2");
    EXPECT_FALSE(a.IsSame(b));
}

TEST(MacroListTest, AddFindAndUniqueNames) {
    CMacroList list;
    CMacro* first = list.AddMacro(u"Build", TwoKeyEvents());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetEvents(), TwoKeyEvents());
    EXPECT_EQ(list.AddMacro(u"BUILD", {}), nullptr);
    EXPECT_EQ(list.GetCount(), 1);
    CMacro* second = list.AddMacro(u"Run", {});
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(list.FindByName(u"run"), second);
    EXPECT_EQ(list.FindByName(u"Walk"), nullptr);
    EXPECT_EQ(list.GetAt(0), first);
    EXPECT_EQ(list.GetAt(1), second);
    EXPECT_EQ(list.GetAt(2), nullptr);
    EXPECT_EQ(list.GetAt(-1), nullptr);

    GUID guid{};
    guid.Data4[7] = 9;
    second->SetGuid(guid);
    EXPECT_EQ(list.FindByGuid(guid), second);
    // Macros not yet in the device all have the zero guid; the first one is found.
    EXPECT_EQ(list.FindByGuid(GUID_NULL), first);
}

TEST(MacroListTest, NamesCutToTheFieldStayUnique) {
    CMacroList list;
    std::u16string base(MACRO_NAME_CHARS - 1, u'm');
    ASSERT_NE(list.AddMacro((base + u"1").c_str(), {}), nullptr);
    // Stored as the same 255 characters: refused instead of creating a twin.
    EXPECT_EQ(list.AddMacro((base + u"2").c_str(), {}), nullptr);
    EXPECT_EQ(list.GetCount(), 1);
}

TEST(MacroListTest, RemoveOnlyTouchesMacrosOfTheList) {
    CMacroList list;
    CMacro* a = list.AddMacro(u"a", {});
    CMacro* b = list.AddMacro(u"b", {});
    CMacro* c = list.AddMacro(u"c", {});
    list.RemoveMacro(nullptr);
    CMacro outsider(u"b", {});
    list.RemoveMacro(&outsider); // not ours: neither removed nor destroyed
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(std::u16string(outsider.GetName()), u"b");

    list.RemoveMacro(b);
    ASSERT_EQ(list.GetCount(), 2);
    EXPECT_EQ(list.GetAt(0), a);
    EXPECT_EQ(list.GetAt(1), c);
    // The name is free again.
    EXPECT_NE(list.AddMacro(u"B", {}), nullptr);

    list.DeleteAll();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.FindByName(u"a"), nullptr);
}

TEST_F(PredefinedMacroTest, ZoomInIsCtrlPlusInPressOrder) {
    MacroEventList events = TwoKeyEvents();
    EXPECT_EQ(PredefinedMacros().GetMacroEvents(u"$ZoomIn", events), 1);
    const MacroEventList expected = {
        {MACRO_EVENT_KEY, 0x00A2001D, 0xFF},
        {MACRO_EVENT_KEY, 0x00BB000D, 0xFF},
        {MACRO_EVENT_KEY, 0x00BB000D, 0x01},
        {MACRO_EVENT_KEY, 0x00A2001D, 0x01},
    };
    EXPECT_EQ(events, expected);
}

TEST_F(PredefinedMacroTest, WindowsKeyCommandsCarryTheExtendedBit) {
    MacroEventList events;
    PredefinedMacros().GetMacroEvents(u"$lockpc", events);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], (MacroEvent{MACRO_EVENT_KEY, 0x005B005B, 0x1FF}));
    EXPECT_EQ(events[1], (MacroEvent{MACRO_EVENT_KEY, 0x004C0026, 0xFF}));
    EXPECT_EQ(events[2], (MacroEvent{MACRO_EVENT_KEY, 0x004C0026, 0x01}));
    EXPECT_EQ(events[3], (MacroEvent{MACRO_EVENT_KEY, 0x005B005B, 0x101}));

    // Left Alt press code as the key table gives it.
    PredefinedMacros().GetMacroEvents(u"$closewindow", events);
    ASSERT_EQ(events.size(), 4u);
    EXPECT_EQ(events[0], (MacroEvent{MACRO_EVENT_KEY, 0x00A40038, 0xFF}));
    EXPECT_EQ(events[1], (MacroEvent{MACRO_EVENT_KEY, 0x0073003E, 0xFF}));
}

TEST_F(PredefinedMacroTest, EveryCommandIsModifierKeyKeyModifier) {
    for (LONG id = PREDEFINED_CUT; id <= PREDEFINED_ZOOMOUT; ++id) {
        const MacroEventList events = PredefinedMacros().GetCommandEvents(id);
        ASSERT_EQ(events.size(), 4u) << id;
        EXPECT_EQ(events[0].code, events[3].code) << id;
        EXPECT_EQ(events[1].code, events[2].code) << id;
        EXPECT_EQ(events[0].flags & 0xFF, 0xFFu) << id;
        EXPECT_EQ(events[1].flags & 0xFF, 0xFFu) << id;
        EXPECT_EQ(events[2].flags & 0xFF, 0x01u) << id;
        EXPECT_EQ(events[3].flags & 0xFF, 0x01u) << id;
        MacroEventList byName;
        PredefinedMacros().GetMacroEvents(LookupName(CommandKeyMap, id), byName);
        EXPECT_EQ(byName, events) << id;
    }
    // Copy is Ctrl + C; paste is Ctrl + V.
    EXPECT_EQ(PredefinedMacros().GetCommandEvents(PREDEFINED_COPY)[1].code, 0x0043002E);
    EXPECT_EQ(PredefinedMacros().GetCommandEvents(PREDEFINED_PASTE)[1].code, 0x0056002F);
    EXPECT_TRUE(PredefinedMacros().GetCommandEvents(18).empty());
}

TEST_F(PredefinedMacroTest, UnknownKeyLeavesTheListAsItWas) {
    const MacroEventList before = TwoKeyEvents();
    MacroEventList events = before;
    EXPECT_EQ(PredefinedMacros().GetMacroEvents(u"$macro", events), 1);
    EXPECT_EQ(events, before);
    EXPECT_EQ(PredefinedMacros().GetMacroEvents(nullptr, events), 1);
    EXPECT_EQ(events, before);
}

TEST_F(PredefinedMacroTest, CommandNamesInIdOrder) {
    CStringArray names;
    names.Add(u"stale");
    PredefinedMacros().GetEditCommandNames(names);
    ASSERT_EQ(names.GetSize(), 9);
    EXPECT_EQ(names[0], CString(u"$cut"));
    EXPECT_EQ(names[8], CString(u"$save"));
    PredefinedMacros().GetWindowCommandNames(names);
    ASSERT_EQ(names.GetSize(), 8);
    EXPECT_EQ(names[0], CString(u"$swapwindows"));
    EXPECT_EQ(names[7], CString(u"$zoomout"));
}
