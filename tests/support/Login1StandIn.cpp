// A stand-in for the login manager on a test's private system bus (DBUS_SYSTEM_BUS_ADDRESS):
// owns org.freedesktop.login1 and serves one session, "7" at
// /org/freedesktop/login1/session/_37, as the session of every process and user.
//
// Standard output: "ready" once the name is owned, "asked <method>" for each manager call,
// "read <property>" when a property of the session is read, "done <command>" after each
// command. Commands, one a line on standard input:
//   lock, unlock           the session's Lock / Unlock signal
//   locked-hint 0|1        LockedHint changes (PropertiesChanged with its value)
//   active 0|1             Active changes (PropertiesChanged with its value)
//   active-invalidated 0|1 Active changes (PropertiesChanged naming it without its value)
//   remove                 the manager's SessionRemoved for the session
// It ends when standard input ends.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace {

constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kSessionPath = "/org/freedesktop/login1/session/_37";
constexpr const char* kSession = "org.freedesktop.login1.Session";

int g_active = 1;
int g_lockedHint = 0;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

int ReplySession(sd_bus_message* call, void*, sd_bus_error*) {
    Say(std::string("asked ") + sd_bus_message_get_member(call));
    return sd_bus_reply_method_return(call, "o", kSessionPath);
}

int ReplyUser(sd_bus_message* call, void*, sd_bus_error*) {
    Say("asked GetUser");
    return sd_bus_reply_method_return(call, "o", "/org/freedesktop/login1/user/_1000");
}

int GetActive(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
              sd_bus_error*) {
    Say("read Active");
    return sd_bus_message_append(reply, "b", g_active);
}

int GetLockedHint(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
                  sd_bus_error*) {
    Say("read LockedHint");
    return sd_bus_message_append(reply, "b", g_lockedHint);
}

int GetId(sd_bus*, const char*, const char*, const char*, sd_bus_message* reply, void*,
          sd_bus_error*) {
    Say("read Id");
    return sd_bus_message_append(reply, "s", "7");
}

const sd_bus_vtable kManagerTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_METHOD("GetSession", "s", "o", ReplySession, 0),
    SD_BUS_METHOD("GetSessionByPID", "u", "o", ReplySession, 0),
    SD_BUS_METHOD("GetUser", "u", "o", ReplyUser, 0),
    SD_BUS_SIGNAL("SessionRemoved", "so", 0),
    SD_BUS_VTABLE_END,
};

const sd_bus_vtable kSessionTable[] = {
    SD_BUS_VTABLE_START(0),
    SD_BUS_PROPERTY("Id", "s", GetId, 0, SD_BUS_VTABLE_PROPERTY_CONST),
    SD_BUS_PROPERTY("Active", "b", GetActive, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_PROPERTY("LockedHint", "b", GetLockedHint, 0, SD_BUS_VTABLE_PROPERTY_EMITS_CHANGE),
    SD_BUS_SIGNAL("Lock", "", 0),
    SD_BUS_SIGNAL("Unlock", "", 0),
    SD_BUS_VTABLE_END,
};

// PropertiesChanged for one boolean, with its value or only its name.
int EmitChanged(sd_bus* bus, const char* property, int value, bool withValue) {
    sd_bus_message* message = nullptr;
    int r = sd_bus_message_new_signal(bus, &message, kSessionPath,
                                      "org.freedesktop.DBus.Properties", "PropertiesChanged");
    if (r < 0) {
        return r;
    }
    r = sd_bus_message_append(message, "s", kSession);
    if (r >= 0 && withValue) {
        r = sd_bus_message_append(message, "a{sv}", 1, property, "b", value);
    } else if (r >= 0) {
        r = sd_bus_message_append(message, "a{sv}", 0);
    }
    if (r >= 0 && withValue) {
        r = sd_bus_message_append(message, "as", 0);
    } else if (r >= 0) {
        r = sd_bus_message_append(message, "as", 1, property);
    }
    if (r >= 0) {
        r = sd_bus_send(bus, message, nullptr);
    }
    sd_bus_message_unref(message);
    return r;
}

int Run(sd_bus* bus, const std::string& command) {
    if (command == "lock" || command == "unlock") {
        return sd_bus_emit_signal(bus, kSessionPath, kSession,
                                  command == "lock" ? "Lock" : "Unlock", "");
    }
    if (command == "remove") {
        return sd_bus_emit_signal(bus, kManagerPath, "org.freedesktop.login1.Manager",
                                  "SessionRemoved", "so", "7", kSessionPath);
    }
    const size_t blank = command.find(' ');
    const std::string name = command.substr(0, blank);
    const int value = blank == std::string::npos ? 0 : std::atoi(command.c_str() + blank + 1);
    if (name == "locked-hint") {
        g_lockedHint = value;
        return EmitChanged(bus, "LockedHint", value, true);
    }
    if (name == "active" || name == "active-invalidated") {
        g_active = value;
        return EmitChanged(bus, "Active", value, name == "active");
    }
    return -1;
}

} // namespace

int main() {
    sd_bus* bus = nullptr;
    if (sd_bus_open_system(&bus) < 0) {
        std::fprintf(stderr, "login1_standin: no bus\n");
        return 1;
    }
    if (sd_bus_add_object_vtable(bus, nullptr, kManagerPath, "org.freedesktop.login1.Manager",
                                 kManagerTable, nullptr) < 0 ||
        sd_bus_add_object_vtable(bus, nullptr, kSessionPath, kSession, kSessionTable, nullptr) <
            0) {
        std::fprintf(stderr, "login1_standin: no objects\n");
        return 1;
    }
    if (sd_bus_request_name(bus, "org.freedesktop.login1", 0) < 0) {
        std::fprintf(stderr, "login1_standin: the name is taken\n");
        return 1;
    }
    Say("ready");
    std::string pending;
    for (;;) {
        while (sd_bus_process(bus, nullptr) > 0) {
        }
        pollfd fds[2] = {{sd_bus_get_fd(bus), static_cast<short>(sd_bus_get_events(bus)), 0},
                         {0, POLLIN, 0}};
        poll(fds, 2, -1);
        if (fds[1].revents & (POLLIN | POLLHUP)) {
            char buffer[256];
            const ssize_t n = read(0, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            pending.append(buffer, static_cast<size_t>(n));
            for (size_t end = pending.find('\n'); end != std::string::npos;
                 end = pending.find('\n')) {
                const std::string command = pending.substr(0, end);
                pending.erase(0, end + 1);
                if (Run(bus, command) >= 0) {
                    sd_bus_flush(bus);
                    Say("done " + command);
                } else {
                    Say("failed " + command);
                }
            }
        }
    }
    sd_bus_flush_close_unref(bus);
    return 0;
}
