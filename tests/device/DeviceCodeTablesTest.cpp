#include "device/DeviceCodeTables.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

constexpr GUID kGuid{0x11223344, 0x5566, 0x7788, {1, 2, 3, 4, 5, 6, 7, 8}};

class CodeTablesTest : public ::testing::Test {
protected:
    void SetUp() override { tables.BuildCodeTables(); }
    CDeviceCodeTables tables;
};

INT IntAt(const DeviceButtonAssignment& r, size_t recordOffset) {
    INT v = 0;
    std::memcpy(&v, reinterpret_cast<const BYTE*>(&r) + recordOffset, sizeof v);
    return v;
}

DeviceButtonAssignment Record(INT type, INT value12, INT value16 = 0, INT button = 1) {
    DeviceButtonAssignment r{};
    r.header = 1;
    r.button = button;
    r.type = type;
    std::memcpy(r.data, &value12, 4);
    std::memcpy(r.data + 4, &value16, 4);
    return r;
}

TEST_F(CodeTablesTest, ButtonTablesAndReverseLookups) {
    EXPECT_EQ(tables.GetButtonBit(10), 0x80u);
    EXPECT_EQ(tables.GetButtonBit(8), 0x200u);
    EXPECT_EQ(tables.GetButtonIndex(11), 9);
    EXPECT_EQ(tables.GetButtonIndex(9), 11);
    EXPECT_EQ(tables.FindButtonIdByBit(0x400), 9);
    EXPECT_EQ(tables.FindButtonIdByBit(0x100), 11);
    EXPECT_EQ(tables.FindButtonIdByIndex(8), 10);
    // Device button number 0 and bits missing from the table give button 0.
    EXPECT_EQ(tables.FindButtonIdByIndex(0), 0);
    EXPECT_EQ(tables.FindButtonIdByIndex(12), 0);
    EXPECT_EQ(tables.FindButtonIdByBit(0x800), 0);
    EXPECT_EQ(tables.FindButtonIdByBit(0x3), 0);
    tables.Clear();
    EXPECT_FALSE(tables.IsBuilt());
    EXPECT_EQ(tables.FindButtonIdByBit(0x1), 0);
}

TEST_F(CodeTablesTest, MouseFunctionsRoundTrip) {
    const std::pair<AssignmentKind, INT> functions[] = {{7, 0},  {0, 1},  {1, 2},   {2, 3},
                                                        {36, 4}, {35, 5}, {43, 6},  {44, 7},
                                                        {9, 8},  {16, 9}, {17, 10}, {3, 11}};
    for (const auto& [kind, code] : functions) {
        const DeviceButtonAssignment r = tables.AssignmentToDevice(ButtonAssignment::Of(kind), 10);
        EXPECT_EQ(r.header, 1);
        EXPECT_EQ(r.button, 8);
        EXPECT_EQ(r.type, ASSIGN_MOUSE);
        EXPECT_EQ(IntAt(r, 12), code) << kind;
        EXPECT_EQ(tables.AssignmentFromDevice(r), ButtonAssignment::Of(kind)) << kind;
    }
    // Kinds without a template give an all-zero record apart from the button number, which
    // reads back as no assignment.
    const DeviceButtonAssignment none = tables.AssignmentToDevice(ButtonAssignment::Of(45), 3);
    EXPECT_EQ(none.header, 0);
    EXPECT_EQ(none.type, 0);
    EXPECT_EQ(none.button, 3);
    EXPECT_EQ(tables.FindAssignmentKind(none), ASSIGNMENT_NONE);
    EXPECT_EQ(tables.FindAssignmentKind(Record(ASSIGN_MOUSE, 12)), ASSIGNMENT_NONE);
    EXPECT_EQ(tables.FindAssignmentKind(Record(7, 0)), ASSIGNMENT_NONE);
}

TEST_F(CodeTablesTest, ProfileAssignmentsWriteSubTypeThreeAndReadBackAsKind24) {
    for (AssignmentKind kind : {24, 25, 28, 29, 30, 31, 32}) {
        const DeviceButtonAssignment r =
            tables.AssignmentToDevice(ButtonAssignment::WithGuid(kind, kGuid), 2);
        EXPECT_EQ(r.type, ASSIGN_PROFILE);
        EXPECT_EQ(IntAt(r, 12), 3);
        GUID written{};
        std::memcpy(&written, r.data + 4, sizeof written);
        EXPECT_EQ(written, kGuid);
        const ButtonAssignment back = tables.AssignmentFromDevice(r);
        EXPECT_EQ(back.kind, ASSIGNMENT_PROFILE);
        EXPECT_EQ(back.GetGuid(), kGuid);
    }
    EXPECT_EQ(tables.AssignmentFromDevice(Record(ASSIGN_PROFILE, 1)).kind, 27);
    EXPECT_EQ(tables.AssignmentFromDevice(Record(ASSIGN_PROFILE, 2)).kind, 26);
    // Profile up does not carry a GUID.
    const DeviceButtonAssignment up =
        tables.AssignmentToDevice(ButtonAssignment::WithGuid(26, kGuid), 2);
    EXPECT_EQ(IntAt(up, 16), 0);
}

TEST_F(CodeTablesTest, StagesAndMacrosAndAdvanced) {
    ButtonAssignment stage = ButtonAssignment::Of(21);
    const INT index = 4;
    std::memcpy(stage.data, &index, sizeof index);
    DeviceButtonAssignment r = tables.AssignmentToDevice(stage, 5);
    EXPECT_EQ(r.type, ASSIGN_STAGE);
    EXPECT_EQ(IntAt(r, 12), 3);
    EXPECT_EQ(IntAt(r, 16), 4); // overwritten by the data, not the template's 2
    ButtonAssignment back = tables.AssignmentFromDevice(r);
    EXPECT_EQ(back.kind, 19);
    INT readIndex = -1;
    std::memcpy(&readIndex, back.data, sizeof readIndex);
    EXPECT_EQ(readIndex, 4);

    for (AssignmentKind kind : {5, 6}) {
        ButtonAssignment macro = ButtonAssignment::WithGuid(5, kGuid);
        macro.kind = kind;
        r = tables.AssignmentToDevice(macro, 1);
        EXPECT_EQ(r.type, ASSIGN_MACRO);
        back = tables.AssignmentFromDevice(r);
        EXPECT_EQ(back.kind, ASSIGNMENT_MACRO);
        EXPECT_EQ(back.GetGuid(), kGuid);
    }
    r = tables.AssignmentToDevice(ButtonAssignment::Of(8), 4);
    EXPECT_EQ(r.type, ASSIGN_ADVANCED);
    EXPECT_EQ(tables.AssignmentFromDevice(r), ButtonAssignment::Of(8));
}

TEST_F(CodeTablesTest, SingleKeysAndPause) {
    const ButtonAssignment key =
        ButtonAssignment::SingleKey(0x1E, 'A', SINGLE_KEY_CTRL | SINGLE_KEY_SHIFT);
    DeviceButtonAssignment r = tables.AssignmentToDevice(key, 6);
    EXPECT_EQ(r.type, ASSIGN_KEY);
    WORD scan = 0;
    DWORD mods = 0;
    std::memcpy(&scan, r.data, 2);
    std::memcpy(&mods, r.data + 2, 4);
    EXPECT_EQ(scan, 0x1E);
    EXPECT_EQ(mods, DEVICE_KEY_CTRL | DEVICE_KEY_SHIFT);
    ButtonAssignment back = tables.AssignmentFromDevice(r);
    EXPECT_EQ(back.kind, ASSIGNMENT_SINGLE_KEY);
    EXPECT_EQ(back.GetScanCode(), 0x1E);
    EXPECT_EQ(back.GetVirtualKey(), 0); // other keys read back without a virtual key
    EXPECT_EQ(back.GetKeyFlags(), SINGLE_KEY_CTRL | SINGLE_KEY_SHIFT);

    // Pause: written with the extended bit, read back as virtual key 19 without it.
    r = tables.AssignmentToDevice(ButtonAssignment::SingleKey(69, 19, SINGLE_KEY_ALT), 6);
    std::memcpy(&mods, r.data + 2, 4);
    EXPECT_EQ(mods, DEVICE_KEY_EXTENDED | DEVICE_KEY_ALT);
    back = tables.AssignmentFromDevice(r);
    EXPECT_EQ(back.GetVirtualKey(), 19);
    EXPECT_EQ(back.GetKeyFlags(), SINGLE_KEY_ALT);
    // Scan code 69 without the extended bit is Num Lock.
    r = tables.AssignmentToDevice(ButtonAssignment::SingleKey(69, 144, 0), 6);
    back = tables.AssignmentFromDevice(r);
    EXPECT_EQ(back.GetVirtualKey(), 144);
    EXPECT_EQ(back.GetKeyFlags(), 0);
}

TEST_F(CodeTablesTest, MacroEventsBothWays) {
    const MacroEventList events = {
        {MACRO_EVENT_KEY, MakeKeyEventCode(0x1E, 'A'), MACRO_KEY_PRESS},
        {MACRO_EVENT_KEY, MakeKeyEventCode(0x1E, 'A'), MACRO_KEY_RELEASE},
        {MACRO_EVENT_KEY, MakeKeyEventCode(0x4B, 0x25), MACRO_KEY_PRESS | MACRO_KEY_EXTENDED},
        {MACRO_EVENT_KEY, MakeKeyEventCode(69, 19), MACRO_KEY_PRESS},
        {MACRO_EVENT_KEY, MakeKeyEventCode(69, 144), MACRO_KEY_RELEASE},
        {MACRO_EVENT_MOUSE_BUTTON, 3, 1},
        {MACRO_EVENT_MOUSE_BUTTON, 1, 255},
        {MACRO_EVENT_MOUSE_BUTTON, 7, 255},
        {MACRO_EVENT_DELAY, 250, 0},
        {7, 1, 1},
    };
    MacroEventBlock block = AllocateMacroEventBlock(static_cast<INT>(events.size()));
    ASSERT_TRUE(block);
    const std::span<MacroDeviceEvent> out = MacroEventBlockEvents(block.get());
    ASSERT_EQ(out.size(), events.size());
    tables.ConvertMacroEventsToDevice(events, out);

    auto word = [&](size_t i, size_t at) {
        WORD w = 0;
        std::memcpy(&w, out[i].data + at, 2);
        return w;
    };
    EXPECT_EQ(out[0].kind, DEVICE_MACRO_EVENT_KEY);
    EXPECT_EQ(word(0, 0), 0x1E);
    EXPECT_EQ(word(0, 2), 0);
    EXPECT_EQ(word(1, 2), DEVICE_KEY_EVENT_RELEASED);
    EXPECT_EQ(word(2, 2), DEVICE_KEY_EVENT_EXTENDED);
    EXPECT_EQ(word(3, 2), DEVICE_KEY_EVENT_EXTENDED); // Pause gets the extended bit
    EXPECT_EQ(out[5].kind, DEVICE_MACRO_EVENT_MOUSE);
    EXPECT_EQ(word(5, 0), 0x20);
    EXPECT_EQ(word(6, 0), 0x1);
    EXPECT_EQ(word(7, 0), 0); // no matching pair
    EXPECT_EQ(out[8].kind, DEVICE_MACRO_EVENT_DELAY);
    EXPECT_EQ(word(8, 0), 250);
    EXPECT_EQ(out[9].kind, 0); // unknown type: slot stays zero

    std::span<const MacroDeviceEvent> in;
    ASSERT_TRUE(GetMacroEventBlockEvents(block.get(), in));
    MacroEventList back = {{MACRO_EVENT_DELAY, 1, 0}};
    ASSERT_TRUE(tables.ConvertMacroEventsFromDevice(in, back));
    ASSERT_EQ(back.size(), 9u); // the zero slot is skipped, the old content is gone
    // The device keeps scan codes only: other keys read back without a virtual key.
    EXPECT_EQ(back[0], (MacroEvent{MACRO_EVENT_KEY, 0x1E, MACRO_KEY_PRESS}));
    EXPECT_EQ(back[1], (MacroEvent{MACRO_EVENT_KEY, 0x1E, MACRO_KEY_RELEASE}));
    EXPECT_EQ(back[2], (MacroEvent{MACRO_EVENT_KEY, 0x4B, MACRO_KEY_PRESS | MACRO_KEY_EXTENDED}));
    EXPECT_EQ(back[3], (MacroEvent{MACRO_EVENT_KEY, MakeKeyEventCode(69, 19), MACRO_KEY_PRESS}));
    EXPECT_EQ(back[4], events[4]);
    EXPECT_EQ(back[5], events[5]);
    EXPECT_EQ(back[6], events[6]);
    EXPECT_EQ(back[7], (MacroEvent{MACRO_EVENT_MOUSE_BUTTON, 0, 0})); // unknown code
    EXPECT_EQ(back[8], events[8]);

    // Nothing convertible: false and an empty list.
    const MacroDeviceEvent junk[] = {{9, {1, 2, 3, 4}}};
    EXPECT_FALSE(tables.ConvertMacroEventsFromDevice(junk, back));
    EXPECT_TRUE(back.empty());
}

TEST(MacroEventBlockTest, CountsFromTheServiceAreNotTrusted) {
    std::span<const MacroDeviceEvent> in;
    EXPECT_FALSE(GetMacroEventBlockEvents(nullptr, in));
    BYTE bad[16] = {};
    const INT negative = -1;
    std::memcpy(bad + 4, &negative, 4);
    EXPECT_FALSE(GetMacroEventBlockEvents(bad, in));
    const INT huge = DEVICE_MAX_MACRO_EVENTS + 1;
    std::memcpy(bad + 4, &huge, 4);
    EXPECT_FALSE(GetMacroEventBlockEvents(bad, in));
    EXPECT_TRUE(in.empty());
    EXPECT_FALSE(AllocateMacroEventBlock(-1));
    MacroEventBlock empty = AllocateMacroEventBlock(0);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(GetMacroEventBlockEvents(empty.get(), in));
    EXPECT_TRUE(in.empty());
    EXPECT_TRUE(MacroEventBlockEvents(empty.get()).empty());
}

} // namespace
