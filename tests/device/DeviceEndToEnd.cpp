// End to end through the virtual mouse: read everything into a configuration, change every
// section, write it, then read it again in a fresh process and compare.
//
//   device_end_to_end            runs both halves in a private temporary mouse
//   device_end_to_end write F    the first half: writes, and puts the expected state in F
//   device_end_to_end verify F   the second half: reads, and compares with F
//
// Exit code 0 when the state read back equals the state written.

#include "device/Mouse.h"
#include "model/BorvantaConfig.h"
#include "platform/base/Path.h"
#include "platform/ui/Clock.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

std::string Hex(const void* bytes, size_t size) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (size_t i = 0; i < size; ++i) {
        const unsigned b = static_cast<const unsigned char*>(bytes)[i];
        out += digits[b >> 4];
        out += digits[b & 0xF];
    }
    return out;
}

std::string Text(const WCHAR* text) {
    return CString(text != nullptr ? text : u"").ToUtf8();
}

// Everything the device holds of a configuration, in a comparable form. Assignments that
// name a macro or profile are shown by the identifier they resolve to, as the device stores
// them.
std::string Describe(IMouseConfig& config) {
    std::ostringstream out;
    out << "profiles " << config.GetProfileCount() << "\n";
    for (INT i = 0; i < config.GetProfileCount(); ++i) {
        IMouseProfile* p = config.GetProfile(i);
        GUID guid{};
        p->GetGuid(guid);
        out << "profile " << Text(p->GetName()) << " " << Hex(&guid, sizeof guid)
            << " program=" << Text(p->GetExeName()) << " auto=" << int{p->GetAutoSwitch()}
            << " dpiosd=" << int{p->GetShowDpiOsd()} << " nameosd=" << int{p->GetShowProfileOsd()}
            << " active=" << (config.GetActiveProfile() == p) << "\n";
        const UINT stages = config.GetStageCount(p);
        out << " stages " << stages << " active " << config.GetActiveStage(p) << " dpi "
            << config.GetDpi(p) << " " << config.GetDpiX(p) << " " << config.GetDpiY(p) << "\n";
        for (UINT s = 1; s <= stages; ++s) {
            const LONG n = static_cast<LONG>(s);
            out << " stage " << s << " sep=" << int{config.GetStageSeparateXY(n, p)} << " "
                << config.GetStageDpi(n, p) << " " << config.GetStageDpiX(n, p) << " "
                << config.GetStageDpiY(n, p) << "\n";
        }
        for (ButtonId b = BUTTON_FIRST; b <= BUTTON_LAST; ++b) {
            ButtonAssignment a;
            config.GetButtonAssignment(a, b, p);
            if (a.kind == ASSIGNMENT_MACRO_NAME) {
                CMacro* m = config.FindMacroByName(a.GetName().GetString(), nullptr);
                a = ButtonAssignment::WithGuid(ASSIGNMENT_MACRO, m ? m->GetGuid() : GUID_NULL);
            }
            out << " button " << b << " kind " << a.kind << " " << Hex(a.data, 20) << "\n";
        }
        out << " lights " << int{config.GetScrollLightOn(p)} << " " << config.GetScrollLightColor(p)
            << " " << int{config.GetLogoLightOn(p)} << " " << config.GetLogoLightColor(p) << "\n";
    }
    out << "polling " << config.GetPollingRate(nullptr) << " acceleration "
        << config.GetAcceleration(nullptr) << " " << int{config.GetAccelerationEnabled(nullptr)}
        << "\n";
    for (INT i = 0; i < config.GetMacroCount(); ++i) {
        CMacro* m = config.GetMacro(i, nullptr);
        const GUID guid = m->GetGuid();
        out << "macro " << Text(m->GetName()) << " " << Hex(&guid, sizeof guid) << " "
            << Hex(m->GetEvents().data(), m->GetEvents().size() * sizeof(MacroEvent)) << "\n";
    }
    return out.str();
}

bool Open(CMouse& mouse, CBorvantaConfig& config) {
    const WORD id = BORVANTA_PRODUCT_ID;
    if (!mouse.Initialize(&config, &id) || !mouse.SyncDevice(&config, SYNC_READ, SECTION_ALL)) {
        std::fprintf(stderr, "cannot read the mouse\n");
        return false;
    }
    return true;
}

void ChangeEverything(CBorvantaConfig& config) {
    IMouseProfile* first = config.GetActiveProfile();
    IMouseProfile* second = config.AddProfile(u"Second profile");
    for (IMouseProfile* p : {first, second}) {
        config.SetStageCount(3, p);
        config.SetStageDpi(1, 500, p);
        config.SetStageDpiX(1, 500, p);
        config.SetStageDpiY(1, 500, p);
        config.SetStageSeparateXY(2, 1, p);
        config.SetStageDpiX(2, 3000, p);
        config.SetStageDpiY(2, 1500, p);
        config.SetStageDpi(2, 1500, p);
        config.SetStageDpi(3, 4500, p);
        config.SetStageDpiX(3, 4500, p);
        config.SetStageDpiY(3, 4500, p);
        config.SetActiveStage(3, p);
        config.SetDpi(4500, p);
        config.SetDpiX(4500, p);
        config.SetDpiY(4500, p);
        config.SetButtonAssignment(3, ButtonAssignment::Of(ASSIGNMENT_DOUBLE_CLICK), p);
        config.SetButtonAssignment(4, ButtonAssignment::SingleKey(0x2C, 0, SINGLE_KEY_SHIFT), p);
        config.SetButtonAssignment(6, ButtonAssignment::WithName(ASSIGNMENT_MACRO_NAME, u"Burst"),
                                   p);
        config.SetButtonAssignment(7, ButtonAssignment::Of(ASSIGNMENT_STAGE_DOWN), p);
        config.SetScrollLightOn(0, p);
        config.SetScrollLightColor(RGB(9, 8, 7), p);
        config.SetLogoLightColor(RGB(10, 200, 30), p);
        config.SetShowDpiOsd(1, p);
        config.SetShowProfileOsd(1, p);
    }
    config.SetExePath(second, u"C:\\Games\\shooter.exe");
    config.SetAutoSwitch(second, 1);
    config.SetActiveProfile(second);
    config.SetPollingRate(1, nullptr);
    config.SetAcceleration(3, nullptr);
    config.SetAccelerationEnabled(1, nullptr);
    CMacro* macro = config.CreateMacro(u"Burst", nullptr);
    macro->SetEvents({{MACRO_EVENT_MOUSE_BUTTON, 1, 255},
                      {MACRO_EVENT_DELAY, 30, 0},
                      {MACRO_EVENT_MOUSE_BUTTON, 1, 1},
                      {MACRO_EVENT_KEY, 0x39, MACRO_KEY_PRESS},
                      {MACRO_EVENT_KEY, 0x39, MACRO_KEY_RELEASE}});
}

int WriteHalf(const char* expectedFile) {
    platform::ScopedVirtualClock clock; // the settle pause needs no real waiting
    CBorvantaConfig config;
    CMouse mouse;
    if (!Open(mouse, config)) {
        return 1;
    }
    ChangeEverything(config);
    if (!mouse.SyncDevice(&config, SYNC_WRITE, SECTION_ALL)) {
        std::fprintf(stderr, "the write did not start\n");
        return 1;
    }
    while (mouse.IsWriting()) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    if (!mouse.GetLastWriteResult()) {
        std::fprintf(stderr, "the write failed\n");
        return 1;
    }
    std::ofstream(expectedFile) << Describe(config);
    return 0;
}

int VerifyHalf(const char* expectedFile) {
    CBorvantaConfig config;
    CMouse mouse;
    if (!Open(mouse, config)) {
        return 1;
    }
    std::ifstream in(expectedFile);
    std::stringstream expected;
    expected << in.rdbuf();
    const std::string actual = Describe(config);
    if (expected.str().empty() || actual != expected.str()) {
        std::fprintf(stderr, "read back differs\n--- written\n%s--- read\n%s",
                     expected.str().c_str(), actual.c_str());
        return 1;
    }
    std::printf("%s", actual.c_str());
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "write") {
        return WriteHalf(argv[2]);
    }
    if (argc == 3 && std::string(argv[1]) == "verify") {
        return VerifyHalf(argv[2]);
    }
    // Both halves, each in its own process, against a private mouse.
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("borvanta-e2e-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    ::setenv("BORVANTA_SERVICE_DB", (dir / "mouse.db").c_str(), 1);
    ::setenv("BORVANTA_REGISTRY", (dir / "registry.txt").c_str(), 1);
    SetExeFolder(dir);
    const std::string self = std::filesystem::canonical("/proc/self/exe").string();
    const std::string expected = (dir / "expected.txt").string();
    int result = std::system(("'" + self + "' write '" + expected + "'").c_str());
    if (result == 0) {
        result = std::system(("'" + self + "' verify '" + expected + "'").c_str());
    }
    std::filesystem::remove_all(dir);
    return result == 0 ? 0 : 1;
}
