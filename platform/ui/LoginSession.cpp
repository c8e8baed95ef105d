#include "platform/ui/LoginSession.h"

#include "platform/ui/WtsApi.h"
#include "platform/ui/x11/WakePipe.h"

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include <poll.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

namespace platform {

namespace {

constexpr const char* kLogin = "org.freedesktop.login1";
constexpr const char* kManagerPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr const char* kSession = "org.freedesktop.login1.Session";
constexpr const char* kUser = "org.freedesktop.login1.User";
// A login manager that does not answer does not hold the thread (and Stop) for long.
constexpr std::uint64_t kCallTimeoutUsec = 5'000'000;

struct BusCloser {
    void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
};
struct MessageUnref {
    void operator()(sd_bus_message* message) const { sd_bus_message_unref(message); }
};
using Bus = std::unique_ptr<sd_bus, BusCloser>;
using Message = std::unique_ptr<sd_bus_message, MessageUnref>;

// An sd_bus_error freed when it goes.
struct BusError {
    sd_bus_error error{}; // the same as SD_BUS_ERROR_NULL, without a C compound literal
    ~BusError() { sd_bus_error_free(&error); }
};

class Watcher {
public:
    Watcher() {
        if (m_wake.Open()) {
            m_thread = std::thread([this] { Run(); });
        }
    }
    ~Watcher() {
        m_stop = true;
        m_wake.Wake();
        if (m_thread.joinable()) {
            m_thread.join();
        }
    }
    Watcher(const Watcher&) = delete;
    Watcher& operator=(const Watcher&) = delete;

private:
    void Run();
    std::string FindSession(sd_bus* bus);
    bool ReadBool(sd_bus* bus, const char* property, bool* value);
    void Deliver(WPARAM code) { DeliverSessionChange(code, m_sessionNumber); }
    void SetLocked(bool locked);
    void SetActive(bool active);

    static int OnLock(sd_bus_message*, void* self, sd_bus_error*) {
        static_cast<Watcher*>(self)->SetLocked(true);
        return 0;
    }
    static int OnUnlock(sd_bus_message*, void* self, sd_bus_error*) {
        static_cast<Watcher*>(self)->SetLocked(false);
        return 0;
    }
    static int OnPropertiesChanged(sd_bus_message* message, void* self, sd_bus_error*);
    static int OnSessionRemoved(sd_bus_message* message, void* self, sd_bus_error*);

    x11::WakePipe m_wake;
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    // Used by the thread only.
    sd_bus* m_bus = nullptr;
    std::string m_path;
    DWORD m_sessionNumber = 1;
    bool m_locked = false;
    bool m_active = true;
    bool m_ended = false;
};

void Watcher::SetLocked(bool locked) {
    if (locked != m_locked) {
        m_locked = locked;
        Deliver(locked ? WTS_SESSION_LOCK : WTS_SESSION_UNLOCK);
    }
}

void Watcher::SetActive(bool active) {
    if (active != m_active) {
        m_active = active;
        Deliver(active ? WTS_CONSOLE_CONNECT : WTS_CONSOLE_DISCONNECT);
    }
}

bool Watcher::ReadBool(sd_bus* bus, const char* property, bool* value) {
    BusError error;
    int result = 0;
    if (sd_bus_get_property_trivial(bus, kLogin, m_path.c_str(), kSession, property, &error.error,
                                    'b', &result) < 0) {
        return false;
    }
    *value = result != 0;
    return true;
}

// The object path of this process's session; empty when there is none.
std::string Watcher::FindSession(sd_bus* bus) {
    auto readPath = [](sd_bus_message* reply) {
        const char* path = nullptr;
        return reply && sd_bus_message_read(reply, "o", &path) >= 0 && path ? std::string(path)
                                                                            : std::string();
    };
    // The session the environment names, else the one of this process.
    if (const char* id = std::getenv("XDG_SESSION_ID"); id && *id) {
        BusError error;
        sd_bus_message* raw = nullptr;
        if (sd_bus_call_method(bus, kLogin, kManagerPath, kManager, "GetSession", &error.error,
                               &raw, "s", id) >= 0) {
            Message reply(raw);
            if (std::string path = readPath(reply.get()); !path.empty()) {
                return path;
            }
        }
    }
    {
        BusError error;
        sd_bus_message* raw = nullptr;
        if (sd_bus_call_method(bus, kLogin, kManagerPath, kManager, "GetSessionByPID", &error.error,
                               &raw, "u", static_cast<std::uint32_t>(getpid())) >= 0) {
            Message reply(raw);
            if (std::string path = readPath(reply.get()); !path.empty()) {
                return path;
            }
        }
    }
    // A process started outside any session (by the user's service manager, say): the
    // user's display session.
    BusError error;
    sd_bus_message* raw = nullptr;
    if (sd_bus_call_method(bus, kLogin, kManagerPath, kManager, "GetUser", &error.error, &raw, "u",
                           static_cast<std::uint32_t>(getuid())) < 0) {
        return {};
    }
    Message userReply(raw);
    const std::string user = readPath(userReply.get());
    if (user.empty()) {
        return {};
    }
    BusError displayError;
    sd_bus_message* displayRaw = nullptr;
    if (sd_bus_get_property(bus, kLogin, user.c_str(), kUser, "Display", &displayError.error,
                            &displayRaw, "(so)") < 0) {
        return {};
    }
    Message display(displayRaw);
    const char* id = nullptr;
    const char* path = nullptr;
    if (sd_bus_message_read(display.get(), "(so)", &id, &path) < 0 || !path ||
        std::strcmp(path, "/") == 0) {
        return {};
    }
    return path;
}

int Watcher::OnPropertiesChanged(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto* self = static_cast<Watcher*>(userdata);
    const char* interface = nullptr;
    if (sd_bus_message_read(message, "s", &interface) < 0 || !interface ||
        std::strcmp(interface, kSession) != 0) {
        return 0;
    }
    if (sd_bus_message_enter_container(message, 'a', "{sv}") < 0) {
        return 0;
    }
    while (sd_bus_message_enter_container(message, 'e', "sv") > 0) {
        const char* name = nullptr;
        if (sd_bus_message_read(message, "s", &name) < 0 || !name) {
            return 0;
        }
        const bool active = std::strcmp(name, "Active") == 0;
        const bool locked = std::strcmp(name, "LockedHint") == 0;
        if ((active || locked) && sd_bus_message_enter_container(message, 'v', "b") > 0) {
            int value = 0;
            if (sd_bus_message_read(message, "b", &value) < 0) {
                return 0;
            }
            sd_bus_message_exit_container(message);
            if (active) {
                self->SetActive(value != 0);
            } else {
                self->SetLocked(value != 0);
            }
        } else if (sd_bus_message_skip(message, "v") < 0) {
            return 0;
        }
        sd_bus_message_exit_container(message);
    }
    sd_bus_message_exit_container(message);
    // Properties said to have changed without their values are read.
    char** invalidated = nullptr;
    if (sd_bus_message_read_strv(message, &invalidated) < 0 || !invalidated) {
        return 0;
    }
    for (char** name = invalidated; *name; ++name) {
        bool value = false;
        if (std::strcmp(*name, "Active") == 0 && self->ReadBool(self->m_bus, "Active", &value)) {
            self->SetActive(value);
        } else if (std::strcmp(*name, "LockedHint") == 0 &&
                   self->ReadBool(self->m_bus, "LockedHint", &value)) {
            self->SetLocked(value);
        }
        std::free(*name);
    }
    std::free(invalidated);
    return 0;
}

int Watcher::OnSessionRemoved(sd_bus_message* message, void* userdata, sd_bus_error*) {
    auto* self = static_cast<Watcher*>(userdata);
    const char* id = nullptr;
    const char* path = nullptr;
    if (sd_bus_message_read(message, "so", &id, &path) >= 0 && path && path == self->m_path &&
        !self->m_ended) {
        self->m_ended = true;
        self->Deliver(WTS_SESSION_LOGOFF);
    }
    return 0;
}

void Watcher::Run() {
    sd_bus* raw = nullptr;
    if (sd_bus_open_system(&raw) < 0) {
        return; // no system bus: nothing to follow
    }
    Bus bus(raw);
    m_bus = bus.get();
    sd_bus_set_method_call_timeout(m_bus, kCallTimeoutUsec);
    m_path = FindSession(m_bus);
    if (m_path.empty() || m_stop) {
        return;
    }
    // The matches stand before the state is read, so that no change falls between.
    const char* path = m_path.c_str();
    if (sd_bus_match_signal(m_bus, nullptr, kLogin, path, kSession, "Lock", &OnLock, this) < 0 ||
        sd_bus_match_signal(m_bus, nullptr, kLogin, path, kSession, "Unlock", &OnUnlock, this) <
            0 ||
        sd_bus_match_signal(m_bus, nullptr, kLogin, path, "org.freedesktop.DBus.Properties",
                            "PropertiesChanged", &OnPropertiesChanged, this) < 0 ||
        sd_bus_match_signal(m_bus, nullptr, kLogin, kManagerPath, kManager, "SessionRemoved",
                            &OnSessionRemoved, this) < 0) {
        return;
    }
    {
        BusError error;
        char* id = nullptr;
        if (sd_bus_get_property_string(m_bus, kLogin, path, kSession, "Id", &error.error, &id) >=
            0) {
            char* end = nullptr;
            const unsigned long number = std::strtoul(id, &end, 10);
            if (end != id && *end == 0 && number != 0) {
                m_sessionNumber = static_cast<DWORD>(number);
            }
            std::free(id);
        }
    }
    ReadBool(m_bus, "Active", &m_active);
    ReadBool(m_bus, "LockedHint", &m_locked);

    while (!m_stop && !m_ended) {
        const int processed = sd_bus_process(m_bus, nullptr);
        if (processed < 0) {
            return; // the bus went away
        }
        if (processed > 0) {
            continue;
        }
        int timeout = -1;
        std::uint64_t until = 0;
        if (sd_bus_get_timeout(m_bus, &until) >= 0 && until != UINT64_MAX) {
            timespec now{};
            clock_gettime(CLOCK_MONOTONIC, &now);
            const std::uint64_t nowUsec = static_cast<std::uint64_t>(now.tv_sec) * 1'000'000u +
                                          static_cast<std::uint64_t>(now.tv_nsec) / 1000u;
            timeout = until > nowUsec ? static_cast<int>((until - nowUsec + 999) / 1000) : 0;
        }
        pollfd fds[2] = {{sd_bus_get_fd(m_bus), static_cast<short>(sd_bus_get_events(m_bus)), 0},
                         {m_wake.ReadEnd(), POLLIN, 0}};
        poll(fds, 2, timeout);
        m_wake.Drain();
    }
}

std::mutex& WatchMutex() {
    static std::mutex m;
    return m;
}

std::unique_ptr<Watcher>& TheWatcher() {
    static std::unique_ptr<Watcher> watcher;
    return watcher;
}

} // namespace

void StartLoginSessionWatch() {
    std::lock_guard lock(WatchMutex());
    if (!TheWatcher()) {
        TheWatcher() = std::make_unique<Watcher>();
    }
}

void StopLoginSessionWatch() {
    std::unique_ptr<Watcher> watcher;
    {
        std::lock_guard lock(WatchMutex());
        watcher = std::move(TheWatcher());
    }
    watcher.reset();
}

} // namespace platform
