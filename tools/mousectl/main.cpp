// mousectl: plays the physical side of the virtual mouse.
//
//   mousectl [--db FILE] show
//   mousectl [--db FILE] dpi-up | dpi-down | profile-up | profile-down
//   mousectl [--db FILE] unplug | plug
//   mousectl [--db FILE] fault access-denied|write-failure|no-device N
//   mousectl [--db FILE] fault clear

#include "service/MouseControl.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Usage() {
    std::fputs("usage: mousectl [--db FILE] COMMAND\n"
               "  show                      the mouse's whole state\n"
               "  dpi-up | dpi-down         press a sensitivity stage button\n"
               "  profile-up | profile-down press a profile button\n"
               "  unplug | plug             pull the cable, put it back\n"
               "  fault KIND N              fail the next N calls of every program:\n"
               "                            access-denied, write-failure or no-device\n"
               "  fault clear               remove every injected fault\n",
               stderr);
    return 2;
}

int Report(HRESULT hr, const char* what) {
    if (FAILED(hr)) {
        std::fprintf(stderr, "mousectl: %s failed (0x%08X)\n", what, static_cast<unsigned>(hr));
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 2 && args[0] == "--db") {
        ::setenv("BORVANTA_SERVICE_DB", args[1].c_str(), 1);
        args.erase(args.begin(), args.begin() + 2);
    }
    if (args.empty()) {
        return Usage();
    }
    service::MouseControl mouse;
    if (!mouse.IsOpen()) {
        std::fprintf(stderr,
                     "mousectl: the mouse's state in %s could not be opened: %s; the file was left "
                     "as it is\n",
                     service::Store::DatabasePath().c_str(),
                     service::DescribeStoreOpenError(mouse.OpenError()));
        return 1;
    }
    const std::string& cmd = args[0];
    if (cmd == "show" && args.size() == 1) {
        std::string text;
        if (const int rc = Report(mouse.Describe(text), "show")) {
            return rc;
        }
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    if (args.size() == 1) {
        if (cmd == "dpi-up" || cmd == "dpi-down") {
            return Report(mouse.PressDpi(cmd == "dpi-up"), cmd.c_str());
        }
        if (cmd == "profile-up" || cmd == "profile-down") {
            return Report(mouse.PressProfile(cmd == "profile-up"), cmd.c_str());
        }
        if (cmd == "unplug" || cmd == "plug") {
            return Report(mouse.SetPlugged(cmd == "plug"), cmd.c_str());
        }
    }
    if (cmd == "fault" && args.size() == 2 && args[1] == "clear") {
        for (auto f : {service::Fault::AccessDenied, service::Fault::WriteFailure,
                       service::Fault::NoDevice}) {
            if (const int rc = Report(mouse.InjectFault(f, 0), "fault")) {
                return rc;
            }
        }
        return 0;
    }
    if (cmd == "fault" && args.size() == 3) {
        const std::string& count = args[2];
        if (count.empty() || count.size() > 7 ||
            count.find_first_not_of("0123456789") != std::string::npos) {
            return Usage();
        }
        const long n = std::strtol(count.c_str(), nullptr, 10);
        service::Fault fault{};
        if (args[1] == "access-denied") {
            fault = service::Fault::AccessDenied;
        } else if (args[1] == "write-failure") {
            fault = service::Fault::WriteFailure;
        } else if (args[1] == "no-device") {
            fault = service::Fault::NoDevice;
        } else {
            return Usage();
        }
        return Report(mouse.InjectFault(fault, static_cast<INT>(n)), "fault");
    }
    return Usage();
}
