#include "platform/base/Registry.h"

#include "platform/base/WideChar.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <poll.h>
#include <sstream>
#include <string>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <unordered_map>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr char kHeader[] = "Borvanta registry 1";

std::u16string Fold(std::u16string_view s) {
    std::u16string out(s);
    for (auto& c : out) {
        c = FoldCase(c);
    }
    return out;
}

struct Value {
    std::u16string name; // as first written
    DWORD type = REG_NONE;
    std::vector<BYTE> data;
};

struct Key {
    std::u16string path;       // full path as first created, e.g. HKEY_LOCAL_MACHINE\SOFTWARE
    std::vector<Value> values; // in the order first written

    Value* Find(std::u16string_view name) {
        const auto it = m_index.find(Fold(name));
        return it == m_index.end() ? nullptr : &values[it->second];
    }
    const Value* Find(std::u16string_view name) const {
        const auto it = m_index.find(Fold(name));
        return it == m_index.end() ? nullptr : &values[it->second];
    }
    // A value of a new name goes last; one of a known name (any letter case) is replaced in
    // place and keeps its first spelling's position.
    void Put(Value value) {
        auto [it, added] = m_index.try_emplace(Fold(value.name), values.size());
        if (added) {
            values.push_back(std::move(value));
        } else {
            values[it->second] = std::move(value);
        }
    }
    bool Erase(std::u16string_view name) {
        const auto it = m_index.find(Fold(name));
        if (it == m_index.end()) {
            return false;
        }
        const size_t gone = it->second;
        values.erase(values.begin() + static_cast<std::ptrdiff_t>(gone));
        m_index.erase(it);
        for (auto& [folded, position] : m_index) {
            if (position > gone) {
                --position;
            }
        }
        return true;
    }
    void ClearValues() {
        values.clear();
        m_index.clear();
    }

private:
    // Position in values by folded name: finding a value does not depend on how many the key
    // holds, so a hive of many values reads in time linear in its size.
    std::unordered_map<std::u16string, size_t> m_index;
};

// The whole hive, keyed by the folded full path.
struct Hive {
    std::map<std::u16string, Key> keys;
    bool damaged = false; // some lines could not be read

    bool Has(const std::u16string& path) const { return keys.count(Fold(path)) != 0; }
    Key* Get(const std::u16string& path) {
        auto it = keys.find(Fold(path));
        return it == keys.end() ? nullptr : &it->second;
    }
    const Key* Get(const std::u16string& path) const {
        auto it = keys.find(Fold(path));
        return it == keys.end() ? nullptr : &it->second;
    }
    // Direct children's full paths, in folded-name order.
    std::vector<std::u16string> Children(const std::u16string& path) const {
        std::vector<std::u16string> out;
        const std::u16string prefix = Fold(path) + u"\\";
        for (auto it = keys.lower_bound(prefix); it != keys.end(); ++it) {
            if (it->first.compare(0, prefix.size(), prefix) != 0) {
                break;
            }
            if (it->first.find(u'\\', prefix.size()) == std::u16string::npos) {
                out.push_back(it->second.path);
            }
        }
        return out;
    }
    void EnsurePath(const std::u16string& path) {
        size_t pos = 0;
        while (true) {
            pos = path.find(u'\\', pos + 1);
            const std::u16string part = path.substr(0, pos);
            auto folded = Fold(part);
            if (!keys.count(folded)) {
                keys[folded].path = part;
            }
            if (pos == std::u16string::npos) {
                break;
            }
        }
    }
    void EraseTree(const std::u16string& path) {
        const std::u16string folded = Fold(path);
        const std::u16string prefix = folded + u"\\";
        for (auto it = keys.begin(); it != keys.end();) {
            if (it->first == folded || it->first.compare(0, prefix.size(), prefix) == 0) {
                it = keys.erase(it);
            } else {
                ++it;
            }
        }
    }
};

// ---- text form ---------------------------------------------------------------------------

std::string Escape(std::u16string_view s) {
    std::string out;
    for (char c : ToUtf8(s)) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '"':
            out += "\\\"";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Reads a quoted, escaped string at s[pos] ('"'); pos ends after the closing quote.
std::optional<std::u16string> Unescape(const std::string& s, size_t& pos) {
    if (pos >= s.size() || s[pos] != '"') {
        return std::nullopt;
    }
    std::string out;
    for (++pos; pos < s.size(); ++pos) {
        char c = s[pos];
        if (c == '"') {
            ++pos;
            return FromUtf8(out);
        }
        if (c == '\\') {
            if (++pos >= s.size()) {
                return std::nullopt;
            }
            c = s[pos];
            out += c == 'n' ? '\n' : c == 'r' ? '\r' : c;
        } else {
            out += c;
        }
    }
    return std::nullopt;
}

// A REG_SZ whose data is one clean terminated UTF-16 string is written as text.
std::optional<std::u16string> CleanString(const Value& v) {
    if ((v.type != REG_SZ && v.type != REG_EXPAND_SZ) || v.data.size() < 2 ||
        v.data.size() % 2 != 0) {
        return std::nullopt;
    }
    std::u16string s(v.data.size() / 2, u'\0');
    std::memcpy(s.data(), v.data.data(), v.data.size());
    if (s.back() != u'\0') {
        return std::nullopt;
    }
    s.pop_back();
    if (s.find(u'\0') != std::u16string::npos || FromUtf8(ToUtf8(s)) != s) {
        return std::nullopt;
    }
    return s;
}

std::string Serialize(const Hive& hive) {
    std::ostringstream out;
    out << kHeader << "\n";
    for (const auto& [folded, key] : hive.keys) {
        out << "\n[" << ToUtf8(key.path) << "]\n";
        for (const auto& v : key.values) {
            out << (v.name.empty() ? std::string("@") : "\"" + Escape(v.name) + "\"") << "=";
            char buf[16];
            if (auto s = CleanString(v)) {
                out << (v.type == REG_SZ ? "sz:\"" : "expand:\"") << Escape(*s) << "\"";
            } else if (v.type == REG_DWORD && v.data.size() == 4) {
                DWORD d = 0;
                std::memcpy(&d, v.data.data(), 4);
                std::snprintf(buf, sizeof buf, "%08x", d);
                out << "dword:" << buf;
            } else {
                std::snprintf(buf, sizeof buf, "hex(%x):", v.type);
                out << buf;
                for (size_t i = 0; i < v.data.size(); ++i) {
                    std::snprintf(buf, sizeof buf, i ? ",%02x" : "%02x", v.data[i]);
                    out << buf;
                }
            }
            out << "\n";
        }
    }
    return out.str();
}

std::optional<Value> ParseValue(const std::string& line) {
    Value v;
    size_t pos = 0;
    if (line[0] == '@') {
        pos = 1;
    } else {
        auto name = Unescape(line, pos);
        if (!name) {
            return std::nullopt;
        }
        v.name = *name;
    }
    if (pos >= line.size() || line[pos] != '=') {
        return std::nullopt;
    }
    const std::string rest = line.substr(pos + 1);
    auto starts = [&](const char* p) { return rest.rfind(p, 0) == 0; };
    if (starts("sz:") || starts("expand:")) {
        v.type = starts("sz:") ? REG_SZ : REG_EXPAND_SZ;
        size_t p = rest.find(':') + 1;
        auto s = Unescape(rest, p);
        if (!s || p != rest.size()) {
            return std::nullopt;
        }
        s->push_back(u'\0');
        v.data.resize(s->size() * 2);
        std::memcpy(v.data.data(), s->data(), v.data.size());
        return v;
    }
    if (starts("dword:")) {
        const std::string digits = rest.substr(6);
        if (digits.size() != 8 ||
            digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            return std::nullopt;
        }
        const DWORD d = static_cast<DWORD>(std::strtoul(digits.c_str(), nullptr, 16));
        v.type = REG_DWORD;
        v.data.resize(4);
        std::memcpy(v.data.data(), &d, 4);
        return v;
    }
    if (starts("hex(")) {
        const size_t close = rest.find("):");
        if (close == std::string::npos || close < 5) {
            return std::nullopt;
        }
        const std::string typeText = rest.substr(4, close - 4);
        if (typeText.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos ||
            typeText.size() > 8) {
            return std::nullopt;
        }
        v.type = static_cast<DWORD>(std::strtoul(typeText.c_str(), nullptr, 16));
        std::string bytes = rest.substr(close + 2);
        for (size_t i = 0; i < bytes.size();) {
            if (i + 2 > bytes.size() || !std::isxdigit(static_cast<unsigned char>(bytes[i])) ||
                !std::isxdigit(static_cast<unsigned char>(bytes[i + 1]))) {
                return std::nullopt;
            }
            v.data.push_back(
                static_cast<BYTE>(std::strtoul(bytes.substr(i, 2).c_str(), nullptr, 16)));
            i += 2;
            if (i < bytes.size()) {
                if (bytes[i] != ',') {
                    return std::nullopt;
                }
                ++i;
            }
        }
        return v;
    }
    return std::nullopt;
}

bool IsRoot(std::u16string_view name) {
    return name == u"HKEY_LOCAL_MACHINE" || name == u"HKEY_CURRENT_USER";
}

Hive Parse(const std::string& text) {
    Hive hive;
    std::istringstream in(text);
    std::string line;
    Key* current = nullptr;
    bool first = true;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        if (first) {
            first = false;
            if (line == kHeader) {
                continue;
            }
            hive.damaged = true;
        }
        if (line.empty() || line[0] == ';' || line[0] == '#') {
            continue;
        }
        if (line[0] == '[' && line.back() == ']' && line.size() > 2) {
            const std::u16string path = FromUtf8(line.substr(1, line.size() - 2));
            const std::u16string root = path.substr(0, path.find(u'\\'));
            if (!IsRoot(root) || path.find(u"\\\\") != std::u16string::npos ||
                path.back() == u'\\') {
                hive.damaged = true;
                current = nullptr;
                continue;
            }
            hive.EnsurePath(path);
            current = hive.Get(path);
            continue;
        }
        auto v = current ? ParseValue(line) : std::nullopt;
        if (!v) {
            hive.damaged = true;
            continue;
        }
        current->Put(std::move(*v));
    }
    return hive;
}

// ---- file access -------------------------------------------------------------------------

// Holds the hive's lock file (flock) for one operation.
class HiveLock {
public:
    HiveLock(const fs::path& hive, bool exclusive) {
        std::error_code ec;
        fs::create_directories(hive.parent_path(), ec);
        const std::string lockPath = hive.string() + ".lock";
        m_fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (m_fd >= 0) {
            while (::flock(m_fd, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
            }
        }
    }
    ~HiveLock() {
        if (m_fd >= 0) {
            ::flock(m_fd, LOCK_UN);
            ::close(m_fd);
        }
    }
    HiveLock(const HiveLock&) = delete;
    HiveLock& operator=(const HiveLock&) = delete;
    bool ok() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// The parsed hive is cached while the file stays the same (every write replaces the file).
// Readers share the cached hive; a writer changes a copy of it.
struct Cache {
    std::mutex mutex;
    fs::path path;
    ino_t inode = 0;
    struct timespec mtime {};
    struct timespec ctime {};
    off_t size = -1;
    std::shared_ptr<const Hive> hive;
};

Cache& TheCache() {
    static Cache* cache = new Cache;
    return *cache;
}

std::shared_ptr<const Hive> LoadHive(const fs::path& path) {
    struct stat st {};
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    if (::stat(path.c_str(), &st) != 0) {
        return std::make_shared<const Hive>();
    }
    if (cache.hive && cache.path == path && cache.inode == st.st_ino && cache.size == st.st_size &&
        cache.mtime.tv_sec == st.st_mtim.tv_sec && cache.mtime.tv_nsec == st.st_mtim.tv_nsec &&
        cache.ctime.tv_sec == st.st_ctim.tv_sec && cache.ctime.tv_nsec == st.st_ctim.tv_nsec) {
        return cache.hive;
    }
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    cache.hive = std::make_shared<const Hive>(Parse(text.str()));
    cache.path = path;
    cache.inode = st.st_ino;
    cache.size = st.st_size;
    cache.mtime = st.st_mtim;
    cache.ctime = st.st_ctim;
    return cache.hive;
}

// The hive just saved becomes the cached one, so the next reader need not parse the file
// again. Called under the hive's exclusive lock: no other writer replaced the file since.
void CacheSavedHive(const fs::path& path, Hive&& hive) {
    struct stat st {};
    Cache& cache = TheCache();
    std::lock_guard lock(cache.mutex);
    if (::stat(path.c_str(), &st) != 0) {
        cache.hive.reset();
        return;
    }
    hive.damaged = false; // the saved file reads back whole
    cache.hive = std::make_shared<const Hive>(std::move(hive));
    cache.path = path;
    cache.inode = st.st_ino;
    cache.size = st.st_size;
    cache.mtime = st.st_mtim;
    cache.ctime = st.st_ctim;
}

bool SaveHive(const fs::path& path, const Hive& hive) {
    if (hive.damaged) {
        // Keep the unreadable original once, so that a hand edit gone wrong can be repaired.
        std::error_code ec;
        const fs::path backup = path.string() + ".damaged";
        if (!fs::exists(backup, ec)) {
            fs::copy_file(path, backup, ec);
        }
    }
    const std::string text = Serialize(hive);
    const std::string tmp = path.string() + ".tmp";
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
        return false;
    }
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            ::close(fd);
            ::unlink(tmp.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    if (::rename(tmp.c_str(), path.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

// Runs a read-only operation on the current hive.
template <class F> auto ReadHive(F&& f) {
    const fs::path path = RegistryHivePath();
    HiveLock lock(path, false);
    const std::shared_ptr<const Hive> hive = LoadHive(path);
    return f(*hive);
}

// Runs a changing operation; f returns a status and sets changed when the hive must be saved.
template <class F> LSTATUS WriteHive(F&& f) {
    const fs::path path = RegistryHivePath();
    HiveLock lock(path, true);
    if (!lock.ok()) {
        return ERROR_ACCESS_DENIED;
    }
    Hive hive = *LoadHive(path);
    bool changed = false;
    const LSTATUS status = f(hive, changed);
    if (status == ERROR_SUCCESS && changed) {
        if (!SaveHive(path, hive)) {
            return ERROR_WRITE_FAULT;
        }
        CacheSavedHive(path, std::move(hive));
    }
    return status;
}

// ---- handles -----------------------------------------------------------------------------

struct OpenKey {
    OpenKey() : closeFd(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}
    ~OpenKey() {
        if (closeFd >= 0) {
            ::close(closeFd);
        }
    }
    OpenKey(const OpenKey&) = delete;
    OpenKey& operator=(const OpenKey&) = delete;
    void Close() {
        closed.store(true);
        if (closeFd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] auto n = ::write(closeFd, &one, sizeof one);
        }
    }

    std::u16string path;
    std::atomic<bool> closed{false};
    // Readable once the key is closed, so that a thread waiting for a change of the key wakes.
    int closeFd = -1;
};

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<HKEY, std::shared_ptr<OpenKey>> keys;
};

HandleTable& Handles() {
    static HandleTable* table = new HandleTable;
    return *table;
}

std::optional<std::u16string> RootPath(HKEY key) {
    if (key == HKEY_LOCAL_MACHINE) {
        return u"HKEY_LOCAL_MACHINE";
    }
    if (key == HKEY_CURRENT_USER) {
        return u"HKEY_CURRENT_USER";
    }
    return std::nullopt;
}

std::shared_ptr<OpenKey> Lookup(HKEY key) {
    HandleTable& t = Handles();
    std::lock_guard lock(t.mutex);
    auto it = t.keys.find(key);
    return it == t.keys.end() ? nullptr : it->second;
}

// Path of an open key or root; nothing for a bad handle.
std::optional<std::u16string> PathOf(HKEY key) {
    if (auto root = RootPath(key)) {
        return root;
    }
    if (auto open = Lookup(key)) {
        return open->path;
    }
    return std::nullopt;
}

HKEY NewHandle(const std::u16string& path) {
    auto open = std::make_shared<OpenKey>();
    open->path = path;
    HKEY handle = reinterpret_cast<HKEY>(open.get());
    HandleTable& t = Handles();
    std::lock_guard lock(t.mutex);
    t.keys[handle] = std::move(open);
    return handle;
}

// Joins a parent path and a relative subkey path; nothing for a malformed subkey.
std::optional<std::u16string> Join(const std::u16string& parent, LPCWSTR subKey) {
    if (!subKey || !*subKey) {
        return parent;
    }
    std::u16string sub(subKey);
    while (!sub.empty() && sub.back() == u'\\') {
        sub.pop_back();
    }
    if (sub.empty() || sub.front() == u'\\' || sub.find(u"\\\\") != std::u16string::npos) {
        return std::nullopt;
    }
    for (WCHAR c : sub) {
        if (c < 0x20 || c == u'[' || c == u']') {
            return std::nullopt;
        }
    }
    return parent + u"\\" + sub;
}

// The key's own path in the hive, or the status to answer.
LSTATUS Resolve(HKEY key, const Hive& hive, std::u16string& path) {
    auto p = PathOf(key);
    if (!p) {
        return ERROR_INVALID_HANDLE;
    }
    path = *p;
    if (!RootPath(key) && !hive.Has(path)) {
        return ERROR_KEY_DELETED;
    }
    return ERROR_SUCCESS;
}

std::string Snapshot(const Hive& hive, const std::u16string& path, bool subtree, DWORD filter) {
    std::string out;
    const std::u16string folded = Fold(path);
    const std::u16string prefix = folded + u"\\";
    for (const auto& [k, key] : hive.keys) {
        const bool self = k == folded;
        const bool below = k.compare(0, prefix.size(), prefix) == 0;
        if (!self && !below) {
            continue;
        }
        const bool direct = below && k.find(u'\\', prefix.size()) == std::u16string::npos;
        if ((filter & REG_NOTIFY_CHANGE_NAME) && below && (subtree || direct)) {
            out += ToUtf8(k) + "\n";
        }
        if ((filter & REG_NOTIFY_CHANGE_LAST_SET) && (self || (subtree && below))) {
            Hive one;
            one.keys[k] = key;
            out += Serialize(one);
        }
    }
    return out;
}

// Waits for the hive file to be replaced, or for the key's closing.
class HiveWatch {
public:
    explicit HiveWatch(const fs::path& hive) : m_name(hive.filename().string()) {
        std::error_code ec;
        fs::create_directories(hive.parent_path(), ec);
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        if (m_fd >= 0) {
            inotify_add_watch(m_fd, hive.parent_path().c_str(),
                              IN_MOVED_TO | IN_CLOSE_WRITE | IN_CREATE | IN_DELETE);
        }
    }
    ~HiveWatch() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    HiveWatch(const HiveWatch&) = delete;
    HiveWatch& operator=(const HiveWatch&) = delete;
    // closeFd: readable when the waiting key is closed (-1: a key that is never closed).
    void Wait(int closeFd) {
        if (m_fd < 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
            return;
        }
        // Wakes for a change of the hive file itself (written in place or renamed over) or
        // the key's closing, and for nothing else: other files in the same folder (the
        // service's database, other programs' files) do not wake it, so an idle program
        // sleeps.
        while (true) {
            pollfd p[2] = {{m_fd, POLLIN, 0}, {closeFd, POLLIN, 0}};
            const int r = ::poll(p, closeFd >= 0 ? 2 : 1, -1);
            if (r < 0 && errno != EINTR) {
                return;
            }
            if (closeFd >= 0 && (p[1].revents & POLLIN) != 0) {
                return;
            }
            if ((p[0].revents & POLLIN) == 0) {
                continue;
            }
            alignas(inotify_event) char buf[4096];
            bool relevant = false;
            ssize_t n = 0;
            while ((n = ::read(m_fd, buf, sizeof buf)) > 0) {
                for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                    inotify_event ev{};
                    std::memcpy(&ev, buf + off, sizeof ev);
                    const auto nameOff = off + static_cast<ssize_t>(sizeof(inotify_event));
                    if (ev.len > 0 && nameOff + static_cast<ssize_t>(ev.len) <= n) {
                        const char* name = buf + nameOff;
                        if (m_name == std::string(name, ::strnlen(name, ev.len))) {
                            relevant = true;
                        }
                    }
                    off = nameOff + static_cast<ssize_t>(ev.len);
                }
            }
            if (relevant) {
                return;
            }
        }
    }

private:
    std::string m_name;
    int m_fd = -1;
};

LSTATUS WaitForChange(const std::shared_ptr<OpenKey>& open, const std::u16string& path,
                      bool subtree, DWORD filter, const std::string& before) {
    const fs::path hivePath = RegistryHivePath();
    HiveWatch watch(hivePath);
    while (true) {
        if (open && open->closed.load()) {
            return ERROR_INVALID_HANDLE;
        }
        const std::optional<std::string> now =
            ReadHive([&](const Hive& hive) -> std::optional<std::string> {
                if (open && !hive.Has(path)) {
                    return std::nullopt;
                }
                return Snapshot(hive, path, subtree, filter);
            });
        if (!now) {
            return ERROR_KEY_DELETED;
        }
        if (*now != before) {
            return ERROR_SUCCESS;
        }
        watch.Wait(open ? open->closeFd : -1);
    }
}

} // namespace

fs::path RegistryHivePath() {
    if (const char* env = std::getenv("BORVANTA_REGISTRY"); env && *env) {
        return fs::path(env);
    }
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        return fs::path(xdg) / "borvanta" / "registry.txt";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : ".") / ".local" / "share" / "borvanta" / "registry.txt";
}

LSTATUS RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD, REGSAM, PHKEY result) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    auto parent = PathOf(key);
    if (!parent) {
        return ERROR_INVALID_HANDLE;
    }
    auto path = Join(*parent, subKey);
    if (!path) {
        return ERROR_FILE_NOT_FOUND;
    }
    const LSTATUS status = ReadHive([&](const Hive& hive) -> LSTATUS {
        if (!RootPath(key) && !hive.Has(*parent)) {
            return ERROR_KEY_DELETED;
        }
        if (*path != *parent && !hive.Has(*path)) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (const Key* k = hive.Get(*path)) {
            *path = k->path;
        }
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS) {
        *result = NewHandle(*path);
    }
    return status;
}

LSTATUS RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD, LPWSTR, DWORD, REGSAM,
                        LPSECURITY_ATTRIBUTES, PHKEY result, LPDWORD disposition) {
    if (!result) {
        return ERROR_INVALID_PARAMETER;
    }
    *result = nullptr;
    auto parent = PathOf(key);
    if (!parent) {
        return ERROR_INVALID_HANDLE;
    }
    auto path = Join(*parent, subKey);
    if (!path) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD how = REG_OPENED_EXISTING_KEY;
    const LSTATUS status = WriteHive([&](Hive& hive, bool& changed) -> LSTATUS {
        if (!RootPath(key) && !hive.Has(*parent)) {
            return ERROR_KEY_DELETED;
        }
        if (!hive.Has(*path)) {
            hive.EnsurePath(*path);
            changed = true;
            how = REG_CREATED_NEW_KEY;
        }
        *path = hive.Get(*path)->path;
        return ERROR_SUCCESS;
    });
    if (status == ERROR_SUCCESS) {
        *result = NewHandle(*path);
        if (disposition) {
            *disposition = how;
        }
    }
    return status;
}

LSTATUS RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result) {
    return RegCreateKeyExW(key, subKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, result, nullptr);
}

LSTATUS RegCloseKey(HKEY key) {
    if (RootPath(key)) {
        return ERROR_SUCCESS;
    }
    std::shared_ptr<OpenKey> open;
    HandleTable& t = Handles();
    std::lock_guard lock(t.mutex);
    auto it = t.keys.find(key);
    if (it == t.keys.end()) {
        return ERROR_INVALID_HANDLE;
    }
    open = std::move(it->second);
    t.keys.erase(it);
    open->Close();
    return ERROR_SUCCESS;
}

LSTATUS RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD, LPDWORD type, LPBYTE data,
                         LPDWORD dataSize) {
    if (data && !dataSize) {
        return ERROR_INVALID_PARAMETER;
    }
    return ReadHive([&](const Hive& hive) -> LSTATUS {
        std::u16string path;
        if (LSTATUS s = Resolve(key, hive, path); s != ERROR_SUCCESS) {
            return s;
        }
        const Key* k = hive.Get(path);
        const Value* v = k ? k->Find(valueName ? valueName : u"") : nullptr;
        if (!v) {
            return ERROR_FILE_NOT_FOUND;
        }
        if (type) {
            *type = v->type;
        }
        const DWORD needed = static_cast<DWORD>(v->data.size());
        if (data) {
            if (*dataSize < needed) {
                *dataSize = needed;
                return ERROR_MORE_DATA;
            }
            std::memcpy(data, v->data.data(), needed);
        }
        if (dataSize) {
            *dataSize = needed;
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD, DWORD type, const BYTE* data,
                       DWORD dataSize) {
    if (!data && dataSize) {
        return ERROR_INVALID_PARAMETER;
    }
    return WriteHive([&](Hive& hive, bool& changed) -> LSTATUS {
        std::u16string path;
        if (LSTATUS s = Resolve(key, hive, path); s != ERROR_SUCCESS) {
            return s;
        }
        if (!hive.Has(path)) {
            hive.EnsurePath(path); // a root key
        }
        Key* k = hive.Get(path);
        const std::u16string name = valueName ? valueName : u"";
        std::vector<BYTE> bytes(data, data + dataSize);
        Value* v = k->Find(name);
        if (!v) {
            k->Put({name, type, std::move(bytes)});
            changed = true;
        } else if (v->type != type || v->data != bytes) {
            v->type = type;
            v->data = std::move(bytes);
            changed = true;
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS RegDeleteValueW(HKEY key, LPCWSTR valueName) {
    return WriteHive([&](Hive& hive, bool& changed) -> LSTATUS {
        std::u16string path;
        if (LSTATUS s = Resolve(key, hive, path); s != ERROR_SUCCESS) {
            return s;
        }
        Key* k = hive.Get(path);
        if (!k || !k->Erase(valueName ? valueName : u"")) {
            return ERROR_FILE_NOT_FOUND;
        }
        changed = true;
        return ERROR_SUCCESS;
    });
}

namespace {
LSTATUS DeleteKey(HKEY key, LPCWSTR subKey, bool tree) {
    auto parent = PathOf(key);
    if (!parent) {
        return ERROR_INVALID_HANDLE;
    }
    if (!tree && (!subKey || !*subKey)) {
        return ERROR_INVALID_PARAMETER;
    }
    auto path = Join(*parent, subKey);
    if (!path) {
        return ERROR_FILE_NOT_FOUND;
    }
    if (IsRoot(*path)) {
        return ERROR_ACCESS_DENIED;
    }
    // A tree deletion without a subkey empties the key itself (its subkeys and values) and
    // keeps it, so that its open handles stay usable.
    const bool contentsOnly = tree && (!subKey || !*subKey);
    return WriteHive([&](Hive& hive, bool& changed) -> LSTATUS {
        if (!hive.Has(*path)) {
            return RootPath(key) || hive.Has(*parent) ? ERROR_FILE_NOT_FOUND : ERROR_KEY_DELETED;
        }
        if (contentsOnly) {
            Key kept = *hive.Get(*path);
            kept.ClearValues();
            hive.EraseTree(*path);
            hive.keys[Fold(kept.path)] = std::move(kept);
            changed = true;
            return ERROR_SUCCESS;
        }
        if (!tree && !hive.Children(*path).empty()) {
            return ERROR_ACCESS_DENIED;
        }
        hive.EraseTree(*path);
        changed = true;
        return ERROR_SUCCESS;
    });
}
} // namespace

LSTATUS RegDeleteKeyW(HKEY key, LPCWSTR subKey) {
    return DeleteKey(key, subKey, false);
}
LSTATUS RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM, DWORD) {
    return DeleteKey(key, subKey, false);
}
LSTATUS RegDeleteTreeW(HKEY key, LPCWSTR subKey) {
    return DeleteKey(key, subKey, true);
}

LSTATUS RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPWSTR,
                      LPDWORD, PFILETIME) {
    if (!name || !nameSize) {
        return ERROR_INVALID_PARAMETER;
    }
    return ReadHive([&](const Hive& hive) -> LSTATUS {
        std::u16string path;
        if (LSTATUS s = Resolve(key, hive, path); s != ERROR_SUCCESS) {
            return s;
        }
        const auto children = hive.Children(path);
        if (index >= children.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        const std::u16string& full = children[index];
        const std::u16string leaf = full.substr(full.rfind(u'\\') + 1);
        if (*nameSize < leaf.size() + 1) {
            return ERROR_MORE_DATA;
        }
        std::memcpy(name, leaf.c_str(), (leaf.size() + 1) * sizeof(WCHAR));
        *nameSize = static_cast<DWORD>(leaf.size());
        return ERROR_SUCCESS;
    });
}

LSTATUS RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameSize, LPDWORD, LPDWORD type,
                      LPBYTE data, LPDWORD dataSize) {
    if (!name || !nameSize || (data && !dataSize)) {
        return ERROR_INVALID_PARAMETER;
    }
    return ReadHive([&](const Hive& hive) -> LSTATUS {
        std::u16string path;
        if (LSTATUS s = Resolve(key, hive, path); s != ERROR_SUCCESS) {
            return s;
        }
        const Key* k = hive.Get(path);
        if (!k) {
            return ERROR_NO_MORE_ITEMS;
        }
        if (index >= k->values.size()) {
            return ERROR_NO_MORE_ITEMS;
        }
        // Each name is folded once, not at every comparison.
        std::vector<std::pair<std::u16string, const Value*>> sorted;
        sorted.reserve(k->values.size());
        for (const auto& v : k->values) {
            sorted.emplace_back(Fold(v.name), &v);
        }
        std::nth_element(sorted.begin(), sorted.begin() + index, sorted.end(),
                         [](const auto& a, const auto& b) { return a.first < b.first; });
        const Value& v = *sorted[index].second;
        if (*nameSize < v.name.size() + 1) {
            return ERROR_MORE_DATA;
        }
        const DWORD needed = static_cast<DWORD>(v.data.size());
        if (data && *dataSize < needed) {
            *dataSize = needed;
            return ERROR_MORE_DATA;
        }
        std::memcpy(name, v.name.c_str(), (v.name.size() + 1) * sizeof(WCHAR));
        *nameSize = static_cast<DWORD>(v.name.size());
        if (type) {
            *type = v.type;
        }
        if (data) {
            std::memcpy(data, v.data.data(), needed);
        }
        if (dataSize) {
            *dataSize = needed;
        }
        return ERROR_SUCCESS;
    });
}

LSTATUS RegNotifyChangeKeyValue(HKEY key, BOOL watchSubtree, DWORD filter, HANDLE event,
                                BOOL asynchronous) {
    if ((filter & (REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET |
                   REG_NOTIFY_CHANGE_ATTRIBUTES | REG_NOTIFY_CHANGE_SECURITY)) == 0) {
        return ERROR_INVALID_PARAMETER;
    }
    std::shared_ptr<OpenKey> open = Lookup(key);
    std::u16string path;
    std::string before;
    const LSTATUS status = ReadHive([&](const Hive& hive) -> LSTATUS {
        if (LSTATUS s = Resolve(key, hive, path); s != ERROR_SUCCESS) {
            return s;
        }
        before = Snapshot(hive, path, watchSubtree != FALSE, filter);
        return ERROR_SUCCESS;
    });
    if (status != ERROR_SUCCESS) {
        return status;
    }
    if (!asynchronous) {
        return WaitForChange(open, path, watchSubtree != FALSE, filter, before);
    }
    auto target = std::dynamic_pointer_cast<EventObject>(GetKernelObject(event));
    if (!target || !open) {
        return ERROR_INVALID_PARAMETER;
    }
    // The waiting thread ends with the change, the key's deletion or the handle's closing.
    std::thread([open, path, subtree = watchSubtree != FALSE, filter, before, target] {
        WaitForChange(open, path, subtree, filter, before);
        target->Set();
    }).detach();
    return ERROR_SUCCESS;
}

CRegKey& CRegKey::operator=(CRegKey&& other) noexcept {
    if (this != &other) {
        Close();
        m_key = other.Detach();
    }
    return *this;
}

LSTATUS CRegKey::Open(HKEY parent, LPCWSTR name, REGSAM access) {
    HKEY key = nullptr;
    const LSTATUS s = RegOpenKeyExW(parent, name, 0, access, &key);
    if (s == ERROR_SUCCESS) {
        Attach(key);
    }
    return s;
}

LSTATUS CRegKey::Create(HKEY parent, LPCWSTR name, REGSAM access) {
    HKEY key = nullptr;
    const LSTATUS s = RegCreateKeyExW(parent, name, 0, nullptr, 0, access, nullptr, &key, nullptr);
    if (s == ERROR_SUCCESS) {
        Attach(key);
    }
    return s;
}

LSTATUS CRegKey::Close() {
    if (!m_key) {
        return ERROR_SUCCESS;
    }
    return RegCloseKey(std::exchange(m_key, nullptr));
}

void CRegKey::Attach(HKEY key) {
    Close();
    m_key = key;
}

HKEY CRegKey::Detach() {
    return std::exchange(m_key, nullptr);
}

LSTATUS CRegKey::QueryStringValue(LPCWSTR name, WCHAR* buffer, ULONG* chars) {
    if (!chars) {
        return ERROR_INVALID_PARAMETER;
    }
    DWORD type = 0;
    DWORD bytes = static_cast<DWORD>(*chars * sizeof(WCHAR));
    const LSTATUS s =
        RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &bytes);
    if (s == ERROR_SUCCESS && type != REG_SZ && type != REG_EXPAND_SZ) {
        return ERROR_INVALID_PARAMETER;
    }
    *chars = static_cast<ULONG>(bytes / sizeof(WCHAR));
    return s;
}

LSTATUS CRegKey::SetStringValue(LPCWSTR name, LPCWSTR value) {
    const std::u16string v = value ? value : u"";
    return RegSetValueExW(m_key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(v.c_str()),
                          static_cast<DWORD>((v.size() + 1) * sizeof(WCHAR)));
}

LSTATUS CRegKey::QueryDWORDValue(LPCWSTR name, DWORD& value) {
    DWORD type = 0;
    DWORD v = 0;
    DWORD size = sizeof v;
    const LSTATUS s =
        RegQueryValueExW(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&v), &size);
    if (s != ERROR_SUCCESS) {
        return s;
    }
    if (type != REG_DWORD || size != sizeof v) {
        return ERROR_INVALID_PARAMETER;
    }
    value = v;
    return ERROR_SUCCESS;
}

LSTATUS CRegKey::SetDWORDValue(LPCWSTR name, DWORD value) {
    return RegSetValueExW(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}
