// The device object keeps what it should: profiles and macros are told apart by identifier,
// a write deletes only what the configuration dropped, leaves what other programs did (also
// from another process), and buttons follow what was stored again.

#include "DeviceTestSupport.h"

#include "platform/base/Path.h"
#include "platform/base/WideChar.h"

#include <sqlite3.h>

#include <cstring>
#include <string>
#include <sys/wait.h>
#include <vector>

namespace devicetest {
namespace {

class MouseIdentityTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        SetExeFolder(m_dir);
    }
};

// Runs a program of the build (another process on the same mouse) and waits for it; its exit
// code, and its standard output into *out when asked for.
int RunProgram(const std::vector<std::string>& args, std::string* out = nullptr) {
    int fds[2] = {-1, -1};
    if (::pipe(fds) != 0) {
        return -1;
    }
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<char*> argv;
        for (const auto& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string text;
    char buffer[512];
    for (ssize_t n = 0; (n = ::read(fds[0], buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (out != nullptr) {
        *out = text;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

int Helper(const char* command, const std::string& argument) {
    return RunProgram({DEVICE_TEST_HELPER, command, argument});
}

// A macro made on the mouse by another client of the service, with one delay event.
GUID MakeDeviceMacro(Direct& direct, const WCHAR* name) {
    CComPtr<IMacro> macro;
    EXPECT_EQ(direct.Feature<IMacroManager>()->CreateMacro(&macro), S_OK);
    std::vector<BYTE> block(MacroEventBlockSize(1), 0);
    const MacroEventBlockHeader header{0, 1};
    std::memcpy(block.data(), &header, sizeof header);
    MacroDeviceEvent delay{DEVICE_MACRO_EVENT_DELAY, {}};
    const INT ms = 40;
    std::memcpy(delay.data, &ms, sizeof ms);
    std::memcpy(block.data() + sizeof header, &delay, sizeof delay);
    EXPECT_EQ(macro->SetEvents(block.data()), S_OK);
    EXPECT_EQ(macro->SetName(name), S_OK);
    GUID guid{};
    macro->GetGuid(&guid);
    return guid;
}

CComPtr<IProfile> MakeDeviceProfile(Direct& direct, const WCHAR* name) {
    CComPtr<IProfile> profile;
    EXPECT_EQ(direct.Feature<IProfileManager>()->CreateProfile(&profile), S_OK);
    EXPECT_EQ(profile->SetName(name), S_OK);
    return profile;
}

std::vector<GUID> DeviceMacroGuids(Direct& direct) {
    std::vector<GUID> guids;
    auto manager = direct.Feature<IMacroManager>();
    for (UINT i = 0;; ++i) {
        CComPtr<IMacro> macro;
        if (FAILED(manager->GetMacro(i, &macro))) {
            break;
        }
        GUID guid{};
        macro->GetGuid(&guid);
        guids.push_back(guid);
    }
    return guids;
}

// What a button of a device profile does, as its record says.
DeviceButtonAssignment DeviceButton(IProfile* profile, INT number) {
    auto buttons = Direct::Feature<IButtonAssignments>(profile);
    DeviceButtonAssignment records[16] = {};
    INT count = 16;
    EXPECT_EQ(buttons->GetAssignments(&count, records), S_OK);
    for (INT i = 0; i < count; ++i) {
        if (records[i].button == number) {
            return records[i];
        }
    }
    return {};
}

GUID MacroOf(const DeviceButtonAssignment& record) {
    GUID guid{};
    std::memcpy(static_cast<void*>(&guid), record.data, sizeof guid);
    return guid;
}

GUID ProfileOf(const DeviceButtonAssignment& record) {
    GUID guid{};
    std::memcpy(static_cast<void*>(&guid), record.data + 4, sizeof guid);
    return guid;
}

// The device button number of configuration button 4.
INT DeviceNumberOfButton4(const CMouse& mouse) {
    return mouse.GetCodeTables().AssignmentToDevice(ButtonAssignment{}, 4).button;
}

TEST_F(MouseIdentityTest, EveryMacroIsReadByIdentifierAndNoWriteDeletesOneItDidNotDrop) {
    Direct direct;
    // Another client made macros whose names differ only in letter case, and two unnamed
    // ones; a button of the active profile plays "FIRE".
    const GUID fire = MakeDeviceMacro(direct, u"Fire");
    const GUID fireUpper = MakeDeviceMacro(direct, u"FIRE");
    MakeDeviceMacro(direct, u"");
    MakeDeviceMacro(direct, u"");
    CComPtr<IProfile> first = direct.Profile(0);
    {
        CBorvantaConfig setup;
        CMouse mouse;
        OpenAndRead(mouse, setup);
        setup.SetButtonAssignment(4, ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, fireUpper),
                                  setup.GetActiveProfile());
        ASSERT_TRUE(WriteAndWait(mouse, setup, SECTION_BUTTONS));
    }
    const std::vector<GUID> before = DeviceMacroGuids(direct);
    ASSERT_EQ(before.size(), 4u);

    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    ASSERT_EQ(config.GetMacroCount(), 4);
    for (INT i = 0; i < 4; ++i) {
        EXPECT_EQ(config.GetMacro(i, nullptr)->GetGuid(), before[static_cast<size_t>(i)]);
        EXPECT_EQ(config.GetMacro(i, nullptr)->GetEvents().size(), 1u);
    }
    CStringArray unread;
    EXPECT_FALSE(mouse.GetUnreadMacros(unread));

    // A lights-only write, then one of everything: the mouse keeps all four, and the button.
    config.SetLogoLightOn(0, config.GetActiveProfile());
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_LIGHTS));
    EXPECT_EQ(DeviceMacroGuids(direct), before);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_EQ(DeviceMacroGuids(direct), before);
    const INT button4 = DeviceNumberOfButton4(mouse);
    EXPECT_EQ(MacroOf(DeviceButton(first, button4)), fireUpper);

    // A button naming a macro by name plays the macro of exactly that name.
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"Fire"),
                               config.GetActiveProfile());
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_BUTTONS));
    EXPECT_EQ(MacroOf(DeviceButton(first, button4)), fire);
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"FIRE"),
                               config.GetActiveProfile());
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_BUTTONS));
    EXPECT_EQ(MacroOf(DeviceButton(first, button4)), fireUpper);

    // What the user drops in the configuration does leave the mouse.
    config.DeleteMacro(config.FindMacroByGuid(fire, nullptr), nullptr);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_LIGHTS));
    EXPECT_EQ(DeviceMacroGuids(direct), (std::vector<GUID>{before[1], before[2], before[3]}));
}

TEST_F(MouseIdentityTest, AButtonNamingAProfileByNameFindsThatVeryProfile) {
    Direct direct;
    MakeDeviceProfile(direct, u"Work");
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* work = config.GetProfile(1);
    ASSERT_EQ(std::u16string_view(work->GetName()), u"Work");
    // "WORK" is new (not on the mouse yet); a button of "Work" names it before the write.
    IMouseProfile* upper = config.AddProfile(u"WORK");
    config.SetButtonAssignment(4, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"WORK"),
                               work);
    // A name that no profile has exactly finds the first that matches ignoring case.
    config.SetButtonAssignment(5, ButtonAssignment::WithName(ASSIGNMENT_PROFILE_NAME, u"work"),
                               work);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    ASSERT_FALSE(IsEqualGUID(GuidOf(upper), GUID_NULL));
    CComPtr<IProfile> stored;
    ASSERT_EQ(direct.Feature<IProfileManager>()->GetProfileByGuid(GuidOf(work), &stored), S_OK);
    const INT button4 = DeviceNumberOfButton4(mouse);
    EXPECT_EQ(ProfileOf(DeviceButton(stored, button4)), GuidOf(upper));
    const INT button5 = mouse.GetCodeTables().AssignmentToDevice(ButtonAssignment{}, 5).button;
    EXPECT_EQ(ProfileOf(DeviceButton(stored, button5)), GuidOf(work));
}

TEST_F(MouseIdentityTest, ButtonsFollowAProfileAndAMacroAnotherProgramRemoved) {
    Direct direct;
    MakeDeviceProfile(direct, u"Second");
    const GUID combo = MakeDeviceMacro(direct, u"Combo");
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    IMouseProfile* first = config.GetProfile(0);
    IMouseProfile* second = config.GetProfile(1);
    const GUID oldSecond = GuidOf(second);
    config.SetButtonAssignment(4, ButtonAssignment::WithGuid(ASSIGNMENT_PROFILE, oldSecond), first);
    config.SetButtonAssignment(5, ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, combo), first);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_BUTTONS));

    // Another program removes both from the mouse.
    ASSERT_EQ(Helper("delete-profile", "Second"), 0);
    ASSERT_EQ(Helper("delete-macro", "Combo"), 0);
    ASSERT_EQ(direct.ProfileCount(), 1u);
    ASSERT_EQ(direct.MacroCount(), 0u);

    // The next write that carries the buttons stores them again, and the buttons follow them
    // to their new identifiers; so does the configuration, and later writes succeed too.
    config.SetLogoLightOn(0, first);
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_BUTTONS | SECTION_LIGHTS));
    const GUID newSecond = GuidOf(second);
    CMacro* macro = config.FindMacroByName(u"Combo", nullptr);
    ASSERT_NE(macro, nullptr);
    EXPECT_FALSE(IsEqualGUID(newSecond, oldSecond));
    EXPECT_FALSE(IsEqualGUID(macro->GetGuid(), combo));
    EXPECT_EQ(direct.ProfileCount(), 2u);
    EXPECT_EQ(DeviceMacroGuids(direct), std::vector<GUID>{macro->GetGuid()});
    CComPtr<IProfile> stored = direct.Profile(0);
    const INT button4 = DeviceNumberOfButton4(mouse);
    const INT button5 = mouse.GetCodeTables().AssignmentToDevice(ButtonAssignment{}, 5).button;
    EXPECT_EQ(ProfileOf(DeviceButton(stored, button4)), newSecond);
    EXPECT_EQ(MacroOf(DeviceButton(stored, button5)), macro->GetGuid());
    ButtonAssignment a;
    config.GetButtonAssignment(a, 4, first);
    EXPECT_EQ(a.GetGuid(), newSecond);
    config.GetButtonAssignment(a, 5, first);
    EXPECT_EQ(a.GetGuid(), macro->GetGuid());
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_EQ(direct.ProfileCount(), 2u);
    EXPECT_EQ(direct.MacroCount(), 1u);
}

TEST_F(MouseIdentityTest, WhatAnotherProcessDidSurvivesAnApplyOfThePollingRate) {
    Direct direct;
    MakeDeviceProfile(direct, u"Second");
    MakeDeviceProfile(direct, u"Third");
    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    ASSERT_EQ(config.GetProfileCount(), 3);
    ASSERT_EQ(config.GetActiveProfile(), config.GetProfile(0));
    const CString file(PathIn("theirs.qmp"));
    ASSERT_TRUE(mouse.ExportProfile(file, config.GetProfile(2)));

    // Other processes: the mouse's profile button switches the active profile, a second
    // client imports a profile and makes a macro.
    ASSERT_EQ(RunProgram({BORVANTA_MOUSECTL, "profile-up"}), 0);
    ASSERT_EQ(Helper("import-profile", ToNativePath(file).string()), 0);
    ASSERT_EQ(Helper("create-macro", "Theirs"), 0);
    ASSERT_EQ(direct.ProfileCount(), 4u);
    const GUID theirActive = direct.ActiveGuid();
    ASSERT_EQ(theirActive, GuidOf(config.GetProfile(1)));

    // The user here changes only the polling rate and applies.
    config.SetPollingRate(2, nullptr);
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_POLLING_RATE));
    EXPECT_EQ(direct.ProfileCount(), 4u);
    EXPECT_EQ(direct.MacroCount(), 1u);
    EXPECT_EQ(direct.ActiveGuid(), theirActive);
    INT rate = 0;
    ASSERT_EQ(direct.Feature<IPollingRate>()->Get(&rate), S_OK);
    EXPECT_EQ(rate, 1);
    // Everything else written keeps them too.
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_EQ(direct.ProfileCount(), 4u);
    EXPECT_EQ(direct.MacroCount(), 1u);
    EXPECT_EQ(direct.ActiveGuid(), theirActive);

    // What the user does here is written: another active profile chosen, and a deletion.
    config.SetActiveProfile(config.GetProfile(2));
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_POLLING_RATE));
    EXPECT_EQ(direct.ActiveGuid(), GuidOf(config.GetProfile(2)));
    config.DeleteProfile(config.GetProfile(1));
    ASSERT_TRUE(WriteAndWait(mouse, config, SECTION_POLLING_RATE));
    EXPECT_EQ(direct.ProfileCount(), 3u);
    EXPECT_EQ(direct.MacroCount(), 1u);
    EXPECT_EQ(direct.ActiveGuid(), GuidOf(config.GetProfile(1)));
}

TEST_F(MouseIdentityTest, ADamagedMacroRecordHidesOnlyItself) {
    Direct direct;
    MakeDeviceMacro(direct, u"Alpha");
    const GUID broken = MakeDeviceMacro(direct, u"Broken");
    MakeDeviceMacro(direct, u"Gamma");
    // The stored events of "Broken" are not a whole number of events.
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(std::getenv("BORVANTA_SERVICE_DB"), &db), SQLITE_OK);
    sqlite3_stmt* update = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "UPDATE macros SET events = x'0102030405' WHERE guid = ?1", -1,
                                 &update, nullptr),
              SQLITE_OK);
    sqlite3_bind_blob(update, 1, &broken, sizeof broken, SQLITE_TRANSIENT);
    EXPECT_EQ(sqlite3_step(update), SQLITE_DONE);
    sqlite3_finalize(update);
    sqlite3_close(db);

    CBorvantaConfig config;
    CMouse mouse;
    OpenAndRead(mouse, config);
    ASSERT_EQ(config.GetMacroCount(), 2);
    EXPECT_EQ(std::u16string_view(config.GetMacro(0, nullptr)->GetName()), u"Alpha");
    EXPECT_EQ(std::u16string_view(config.GetMacro(1, nullptr)->GetName()), u"Gamma");
    CStringArray unread;
    ASSERT_TRUE(mouse.GetUnreadMacros(unread));
    ASSERT_EQ(unread.GetSize(), 1);
    EXPECT_EQ(unread[0], CString(u"Broken"));

    // New macros can still be stored, and no write takes the damaged one.
    CMacro* added = config.CreateMacro(u"Delta", nullptr);
    added->SetEvents({{MACRO_EVENT_DELAY, 10, 0}});
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_MACROS));
    EXPECT_TRUE(WriteAndWait(mouse, config, SECTION_ALL));
    EXPECT_EQ(direct.MacroCount(), 4u);
    CComPtr<IMacro> stillThere;
    EXPECT_EQ(direct.Feature<IMacroManager>()->GetMacroByGuid(broken, &stillThere), S_OK);

    // The command line shows the others and says which one it could not read.
    std::string shown;
    ASSERT_EQ(RunProgram({BORVANTA_MOUSECTL, "show"}, &shown), 0);
    EXPECT_NE(shown.find("macro \"Alpha\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("macro \"Delta\""), std::string::npos) << shown;
    EXPECT_NE(shown.find("macro \"Broken\" " + ToUtf8(GuidToString(broken)) +
                         ": could not be read (damaged record)"),
              std::string::npos)
        << shown;
}

} // namespace
} // namespace devicetest
