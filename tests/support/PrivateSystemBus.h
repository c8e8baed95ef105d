#pragma once
// A private D-Bus daemon for tests, standing for the system bus, with the tests' stand-in
// login manager (login1_standin) on it. Start() gives the bus's address and sets
// DBUS_SYSTEM_BUS_ADDRESS to it for this process and the programs it starts; both programs
// end with the test (parent-death signal) or with the object.

#include "tests/support/ChildProcess.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <unistd.h>

namespace testsupport {

inline std::optional<std::string> FindDbusDaemon() {
    for (const char* dir : {"/usr/bin", "/usr/local/bin", "/bin"}) {
        std::string path = std::string(dir) + "/dbus-daemon";
        if (access(path.c_str(), X_OK) == 0) {
            return path;
        }
    }
    return std::nullopt;
}

class PrivateSystemBus {
public:
    // The daemon's configuration and socket go into folder.
    bool Start(const std::string& daemon, const std::filesystem::path& folder) {
        const std::filesystem::path config = folder / "bus.conf";
        std::ofstream(config)
            << "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
               "1.0//EN\"\n"
               " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
               "<busconfig>\n"
               "  <type>session</type>\n"
               "  <listen>unix:path="
            << (folder / "system_bus_socket").string()
            << "</listen>\n"
               "  <auth>EXTERNAL</auth>\n"
               "  <policy context=\"default\">\n"
               "    <allow user=\"*\"/>\n"
               "    <allow own=\"*\"/>\n"
               "    <allow send_destination=\"*\" eavesdrop=\"true\"/>\n"
               "    <allow eavesdrop=\"true\"/>\n"
               "  </policy>\n"
               "</busconfig>\n";
        if (!m_daemon.Start({daemon, "--config-file=" + config.string(), "--nofork", "--nopidfile",
                             "--print-address=1"})) {
            return false;
        }
        const auto address = m_daemon.ReadLine(10000);
        if (!address || address->empty()) {
            return false;
        }
        m_address = *address;
        ::setenv("DBUS_SYSTEM_BUS_ADDRESS", m_address.c_str(), 1);
        return true;
    }

    // Starts the stand-in login manager on the bus; true once it owns its name.
    bool StartLoginManager(const std::string& program) {
        m_login.PipeInput();
        if (!m_login.Start({program})) {
            return false;
        }
        return WaitFor("ready");
    }

    // Waits (at most 10 s) for the stand-in to print line; the lines before it are passed
    // over.
    bool WaitFor(const std::string& line) {
        for (int i = 0; i < 200; ++i) {
            const auto next = m_login.ReadLine(10000);
            if (!next) {
                return false;
            }
            if (*next == line) {
                return true;
            }
        }
        return false;
    }

    // Gives the stand-in a command and waits until it was carried out.
    bool Command(const std::string& command) {
        return m_login.WriteLine(command) && WaitFor("done " + command);
    }

    void Stop() {
        m_login.Stop();
        m_daemon.Stop();
        ::unsetenv("DBUS_SYSTEM_BUS_ADDRESS");
    }
    ~PrivateSystemBus() { Stop(); }

    const std::string& Address() const { return m_address; }

private:
    ChildProcess m_daemon;
    ChildProcess m_login;
    std::string m_address;
};

} // namespace testsupport
