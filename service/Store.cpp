#include "service/Store.h"

#include "service/DeviceService.h"

#include "platform/base/DeviceAnnouncement.h"
#include "platform/base/Registry.h"
#include "platform/base/WideChar.h"

#include <sqlite3.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace service {

namespace {

struct SqlError : std::runtime_error {
    explicit SqlError(const std::string& what, int errorCode = SQLITE_ERROR, int errnoValue = 0)
        : std::runtime_error(what), code(errorCode), systemErrno(errnoValue) {}
    int code;        // the primary SQLite result code
    int systemErrno; // the system's error of the failed file operation, 0 when none
};

constexpr int kBusyTimeoutMs = 10000;
// How often a writer waiting for its turn looks again.
constexpr auto kTurnPollUs = 500;
constexpr std::int64_t kSchemaVersion = 1;
constexpr std::int64_t kEventsKept = 5000;

constexpr const char* kSchema = R"sql(
CREATE TABLE IF NOT EXISTS device(
    id INTEGER PRIMARY KEY CHECK (id = 1),
    plugged INTEGER NOT NULL, generation INTEGER NOT NULL, active BLOB,
    polling INTEGER NOT NULL, accel_on INTEGER NOT NULL, accel_level INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS profiles(
    id INTEGER PRIMARY KEY AUTOINCREMENT, guid BLOB NOT NULL UNIQUE, name BLOB NOT NULL,
    program BLOB NOT NULL, switches INTEGER NOT NULL, dpi_x INTEGER NOT NULL,
    dpi_y INTEGER NOT NULL, active_stage INTEGER NOT NULL, stages BLOB NOT NULL,
    buttons BLOB NOT NULL, lights BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS macros(
    id INTEGER PRIMARY KEY AUTOINCREMENT, guid BLOB NOT NULL UNIQUE, name BLOB NOT NULL,
    events BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS faults(kind INTEGER PRIMARY KEY, remaining INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS events(
    seq INTEGER PRIMARY KEY AUTOINCREMENT, kind INTEGER NOT NULL, guid BLOB NOT NULL,
    a INTEGER NOT NULL, b INTEGER NOT NULL);
)sql";

void Check(sqlite3* db, int rc) {
    if (rc != SQLITE_OK && rc != SQLITE_ROW && rc != SQLITE_DONE) {
        throw SqlError(sqlite3_errmsg(db), rc & 0xFF, sqlite3_system_errno(db));
    }
}

// Binds and steps one cached statement; reset on scope exit.
class Stmt {
public:
    Stmt(sqlite3* db, sqlite3_stmt* stmt) : m_db(db), m_stmt(stmt) {}
    ~Stmt() {
        sqlite3_reset(m_stmt);
        sqlite3_clear_bindings(m_stmt);
    }
    Stmt(const Stmt&) = delete;
    Stmt& operator=(const Stmt&) = delete;

    Stmt& Bind(int i, std::int64_t v) {
        Check(m_db, sqlite3_bind_int64(m_stmt, i, v));
        return *this;
    }
    Stmt& Bind(int i, const void* data, size_t size) {
        Check(m_db, sqlite3_bind_blob(m_stmt, i, size ? data : "", static_cast<int>(size),
                                      SQLITE_TRANSIENT));
        return *this;
    }
    Stmt& Bind(int i, const GUID& g) { return Bind(i, &g, sizeof g); }
    Stmt& Bind(int i, const std::u16string& s) { return Bind(i, s.data(), s.size() * 2); }
    // True while a row is available.
    bool Step() {
        const int rc = sqlite3_step(m_stmt);
        Check(m_db, rc);
        return rc == SQLITE_ROW;
    }
    std::int64_t Int(int col) { return sqlite3_column_int64(m_stmt, col); }
    sqlite3_stmt* Raw() { return m_stmt; }
    INT Int32(int col) { return static_cast<INT>(sqlite3_column_int64(m_stmt, col)); }
    std::vector<BYTE> Blob(int col) {
        const auto* p = static_cast<const BYTE*>(sqlite3_column_blob(m_stmt, col));
        const int n = sqlite3_column_bytes(m_stmt, col);
        return p ? std::vector<BYTE>(p, p + n) : std::vector<BYTE>{};
    }
    GUID Guid(int col) {
        const auto b = Blob(col);
        if (b.size() != sizeof(GUID)) {
            throw SqlError("damaged identifier");
        }
        GUID g{};
        std::memcpy(static_cast<void*>(&g), b.data(), sizeof g);
        return g;
    }
    std::u16string Text(int col) {
        const auto b = Blob(col);
        if (b.size() % 2) {
            throw SqlError("damaged text");
        }
        std::u16string s(b.size() / 2, u'\0');
        if (!b.empty()) {
            std::memcpy(s.data(), b.data(), b.size());
        }
        return s;
    }

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt;
};

template <class T> std::vector<T> FromBlob(const std::vector<BYTE>& b) {
    if (b.size() % sizeof(T)) {
        throw SqlError("damaged record list");
    }
    std::vector<T> out(b.size() / sizeof(T));
    if (!b.empty()) {
        std::memcpy(out.data(), b.data(), b.size());
    }
    return out;
}

struct StoredLight {
    INT on;
    COLORREF color;
};

void Exec(sqlite3* db, const char* sql) {
    char* err = nullptr;
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : "sqlite error";
        sqlite3_free(err);
        throw SqlError(msg, rc & 0xFF, sqlite3_system_errno(db));
    }
}

// The connection, or null with the reason in why.
sqlite3* OpenConnection(const fs::path& path, StoreOpenError& why) {
    sqlite3* db = nullptr;
    const int rc =
        sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr);
    if (rc != SQLITE_OK) {
        why = StoreOpenErrorOf(rc & 0xFF, db != nullptr ? sqlite3_system_errno(db) : errno);
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    return db;
}

// One byte of the turn file, locked (an open-file-description lock, released when the
// process ends) or unlocked without waiting.
bool TryLockByte(int fd, off_t byte, bool lock) {
    struct flock fl {};
    fl.l_type = static_cast<short>(lock ? F_WRLCK : F_UNLCK);
    fl.l_whence = SEEK_SET;
    fl.l_start = byte;
    fl.l_len = 1;
    return ::fcntl(fd, F_OFD_SETLK, &fl) == 0;
}

// Waits for a byte until the deadline; false when it stayed taken.
bool LockByte(int fd, off_t byte, std::chrono::steady_clock::time_point deadline) {
    while (!TryLockByte(fd, byte, true)) {
        if (std::chrono::steady_clock::now() >= deadline) {
            return false;
        }
        ::usleep(kTurnPollUs);
    }
    return true;
}

std::mutex g_storeMutex;
std::weak_ptr<Store> g_store;
fs::path g_storePath;

} // namespace

StoreOpenError StoreOpenErrorOf(int primaryCode, int systemErrno) {
    // A write or a file that could not be made for want of room (the system's number is
    // that of the connection's last failed file operation: looked at only for those).
    const bool fileFailure = primaryCode == SQLITE_IOERR || primaryCode == SQLITE_CANTOPEN;
    if (fileFailure && (systemErrno == ENOSPC || systemErrno == EDQUOT)) {
        return StoreOpenError::Full;
    }
    switch (primaryCode) {
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_FORMAT:
        return StoreOpenError::Damaged;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
        return StoreOpenError::ReadOnly;
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return StoreOpenError::Busy;
    case SQLITE_FULL:
        return StoreOpenError::Full;
    default:
        return StoreOpenError::Unavailable;
    }
}

// ---- Transaction ---------------------------------------------------------------------------

sqlite3_stmt* Transaction::Prepare(const char* sql) {
    return m_store.Prepare(sql);
}

DeviceSettings Transaction::Device() {
    Stmt s(m_db, Prepare("SELECT plugged, generation, active, polling, accel_on, accel_level "
                         "FROM device WHERE id = 1"));
    if (!s.Step()) {
        throw SqlError("no device row");
    }
    DeviceSettings d;
    d.plugged = s.Int(0) != 0;
    d.generation = s.Int32(1);
    const auto active = s.Blob(2);
    if (active.size() == sizeof(GUID)) {
        std::memcpy(static_cast<void*>(&d.active), active.data(), sizeof(GUID));
    }
    d.pollingRate = s.Int32(3);
    d.accelEnabled = s.Int(4) != 0;
    d.accelLevel = s.Int32(5);
    return d;
}

void Transaction::SaveDevice(const DeviceSettings& d) {
    Stmt s(m_db, Prepare("INSERT INTO device(id, plugged, generation, active, polling, accel_on, "
                         "accel_level) VALUES(1, ?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT(id) DO "
                         "UPDATE SET plugged = ?1, generation = ?2, active = ?3, polling = ?4, "
                         "accel_on = ?5, accel_level = ?6"));
    s.Bind(1, d.plugged ? 1 : 0).Bind(2, d.generation).Bind(3, d.active).Bind(4, d.pollingRate);
    s.Bind(5, d.accelEnabled ? 1 : 0).Bind(6, d.accelLevel);
    s.Step();
}

std::vector<GUID> Transaction::ProfileGuids() {
    Stmt s(m_db, Prepare("SELECT guid FROM profiles ORDER BY id"));
    std::vector<GUID> out;
    while (s.Step()) {
        out.push_back(s.Guid(0));
    }
    return out;
}

std::optional<ProfileState> Transaction::Profile(const GUID& guid) {
    Stmt s(m_db, Prepare("SELECT name, program, switches, dpi_x, dpi_y, active_stage, stages, "
                         "buttons, lights FROM profiles WHERE guid = ?1"));
    s.Bind(1, guid);
    if (!s.Step()) {
        return std::nullopt;
    }
    ProfileState p;
    p.guid = guid;
    p.name = s.Text(0);
    p.program = s.Text(1);
    p.switches = static_cast<WORD>(s.Int(2));
    p.dpiX = s.Int32(3);
    p.dpiY = s.Int32(4);
    p.activeStage = s.Int32(5);
    p.stages = FromBlob<DeviceDpiStage>(s.Blob(6));
    const auto buttons = FromBlob<DeviceButtonAssignment>(s.Blob(7));
    const auto lights = FromBlob<StoredLight>(s.Blob(8));
    if (buttons.size() != p.buttons.size() || lights.size() != p.lights.size()) {
        throw SqlError("damaged profile");
    }
    std::copy(buttons.begin(), buttons.end(), p.buttons.begin());
    for (size_t i = 0; i < lights.size(); ++i) {
        p.lights[i] = {lights[i].on != 0, lights[i].color};
    }
    return p;
}

void Transaction::SaveProfile(const ProfileState& p) {
    Stmt s(m_db, Prepare("INSERT INTO profiles(guid, name, program, switches, dpi_x, dpi_y, "
                         "active_stage, stages, buttons, lights) VALUES(?1, ?2, ?3, ?4, ?5, ?6, "
                         "?7, ?8, ?9, ?10) ON CONFLICT(guid) DO UPDATE SET name = ?2, "
                         "program = ?3, switches = ?4, dpi_x = ?5, dpi_y = ?6, "
                         "active_stage = ?7, stages = ?8, buttons = ?9, lights = ?10"));
    StoredLight lights[2] = {{p.lights[0].on ? 1 : 0, p.lights[0].color},
                             {p.lights[1].on ? 1 : 0, p.lights[1].color}};
    s.Bind(1, p.guid).Bind(2, p.name).Bind(3, p.program).Bind(4, p.switches);
    s.Bind(5, p.dpiX).Bind(6, p.dpiY).Bind(7, p.activeStage);
    s.Bind(8, p.stages.data(), p.stages.size() * sizeof(DeviceDpiStage));
    s.Bind(9, p.buttons.data(), sizeof p.buttons).Bind(10, lights, sizeof lights);
    s.Step();
}

void Transaction::DeleteProfile(const GUID& guid) {
    Stmt s(m_db, Prepare("DELETE FROM profiles WHERE guid = ?1"));
    s.Bind(1, guid).Step();
}

std::vector<GUID> Transaction::MacroGuids() {
    Stmt s(m_db, Prepare("SELECT guid FROM macros ORDER BY id"));
    std::vector<GUID> out;
    while (s.Step()) {
        out.push_back(s.Guid(0));
    }
    return out;
}

std::optional<MacroState> Transaction::Macro(const GUID& guid) {
    Stmt s(m_db, Prepare("SELECT name, events FROM macros WHERE guid = ?1"));
    s.Bind(1, guid);
    if (!s.Step()) {
        return std::nullopt;
    }
    MacroState m;
    m.guid = guid;
    m.name = s.Text(0);
    m.events = FromBlob<MacroDeviceEvent>(s.Blob(1));
    return m;
}

bool Transaction::HasMacro(const GUID& guid) {
    Stmt s(m_db, Prepare("SELECT 1 FROM macros WHERE guid = ?1"));
    s.Bind(1, guid);
    return s.Step();
}

std::optional<std::u16string> Transaction::MacroName(const GUID& guid) {
    Stmt s(m_db, Prepare("SELECT name FROM macros WHERE guid = ?1"));
    s.Bind(1, guid);
    if (!s.Step()) {
        return std::nullopt;
    }
    return s.Text(0);
}

void Transaction::SaveMacro(const MacroState& m) {
    Stmt s(m_db, Prepare("INSERT INTO macros(guid, name, events) VALUES(?1, ?2, ?3) "
                         "ON CONFLICT(guid) DO UPDATE SET name = ?2, events = ?3"));
    s.Bind(1, m.guid).Bind(2, m.name);
    s.Bind(3, m.events.data(), m.events.size() * sizeof(MacroDeviceEvent));
    s.Step();
}

void Transaction::DeleteMacro(const GUID& guid) {
    Stmt s(m_db, Prepare("DELETE FROM macros WHERE guid = ?1"));
    s.Bind(1, guid).Step();
}

void Transaction::AddEvent(EventKind kind, const GUID& source, INT a, INT b) {
    {
        Stmt s(m_db, Prepare("INSERT INTO events(kind, guid, a, b) VALUES(?1, ?2, ?3, ?4)"));
        s.Bind(1, static_cast<int>(kind)).Bind(2, source).Bind(3, a).Bind(4, b);
        s.Step();
    }
    Stmt prune(m_db, Prepare("DELETE FROM events WHERE seq <= last_insert_rowid() - ?1"));
    prune.Bind(1, kEventsKept).Step();
    m_eventsAdded = true;
}

std::map<Fault, INT> Transaction::Faults() {
    Stmt s(m_db, Prepare("SELECT kind, remaining FROM faults WHERE remaining > 0"));
    std::map<Fault, INT> out;
    while (s.Step()) {
        out[static_cast<Fault>(s.Int32(0))] = s.Int32(1);
    }
    return out;
}

void Transaction::SetFault(Fault fault, INT count) {
    Stmt s(m_db, Prepare("INSERT INTO faults(kind, remaining) VALUES(?1, ?2) "
                         "ON CONFLICT(kind) DO UPDATE SET remaining = ?2"));
    s.Bind(1, static_cast<int>(fault)).Bind(2, count < 0 ? 0 : count).Step();
}

// ---- Store ---------------------------------------------------------------------------------

fs::path Store::DatabasePath() {
    if (const char* env = std::getenv("BORVANTA_SERVICE_DB"); env && *env) {
        return fs::path(env);
    }
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg) {
        return fs::path(xdg) / "borvanta" / "mouse.db";
    }
    const char* home = std::getenv("HOME");
    return fs::path(home ? home : ".") / ".local" / "share" / "borvanta" / "mouse.db";
}

HRESULT StoreOpenResult(StoreOpenError error) {
    switch (error) {
    case StoreOpenError::None:
        return S_OK;
    case StoreOpenError::Damaged:
        return SERVICE_E_STATE_DAMAGED;
    case StoreOpenError::ReadOnly:
        return SERVICE_E_STATE_READONLY;
    case StoreOpenError::Newer:
        return SERVICE_E_STATE_NEWER;
    case StoreOpenError::Busy:
        return SERVICE_E_STATE_BUSY;
    case StoreOpenError::Full:
        return SERVICE_E_STATE_FULL;
    case StoreOpenError::Unavailable:
        break;
    }
    return SERVICE_E_STATE_UNAVAILABLE;
}

const char* DescribeStoreOpenError(StoreOpenError error) {
    switch (error) {
    case StoreOpenError::None:
        return "opened";
    case StoreOpenError::Damaged:
        return "the file is damaged and cannot be read";
    case StoreOpenError::ReadOnly:
        return "the file cannot be written (read-only)";
    case StoreOpenError::Newer:
        return "the file was written by a newer version of this software";
    case StoreOpenError::Busy:
        return "another program holds the file locked";
    case StoreOpenError::Full:
        return "the disk holding the file is full";
    case StoreOpenError::Unavailable:
        break;
    }
    return "the file cannot be opened";
}

std::shared_ptr<Store> Store::Get(StoreOpenError* why) {
    const fs::path path = DatabasePath();
    std::lock_guard lock(g_storeMutex);
    if (why != nullptr) {
        *why = StoreOpenError::None;
    }
    if (auto existing = g_store.lock(); existing && g_storePath == path) {
        return existing;
    }
    std::shared_ptr<Store> store(new Store(path));
    if (const StoreOpenError error = store->Open(); error != StoreOpenError::None) {
        if (why != nullptr) {
            *why = error;
        }
        return nullptr;
    }
    g_store = store;
    g_storePath = path;
    // Plugging and unplugging reach this process through the watcher: it runs once someone
    // listens for device arrival.
    platform::SetDeviceAnnouncementSource([weak = std::weak_ptr<Store>(store)] {
        if (auto s = weak.lock()) {
            s->StartWatcher();
        }
    });
    return store;
}

Store::Store(fs::path path) : m_path(std::move(path)) {}

Store::~Store() {
    if (m_watcher.joinable()) {
        m_stop = true;
        const std::uint64_t one = 1;
        [[maybe_unused]] auto n = ::write(m_wakeFd, &one, sizeof one);
        m_watcher.join();
    }
    if (m_wakeFd >= 0) {
        ::close(m_wakeFd);
    }
    std::map<std::pair<int, GUID>, std::shared_ptr<ConnectionList>> lists;
    {
        std::lock_guard lock(m_listMutex);
        lists.swap(m_lists);
    }
    for (auto& [key, list] : lists) {
        list->RevokeAll();
    }
    for (auto& [sql, stmt] : m_statements) {
        sqlite3_finalize(stmt);
    }
    sqlite3_close(m_db);
    if (m_turnFd >= 0) {
        ::close(m_turnFd);
    }
}

StoreOpenError Store::Open() {
    std::error_code ec;
    fs::create_directories(m_path.parent_path(), ec);
    if (ec && (ec.value() == ENOSPC || ec.value() == EDQUOT)) {
        return StoreOpenError::Full;
    }
    const bool existed = fs::file_size(m_path, ec) > 0 && !ec;
    StoreOpenError why = StoreOpenError::Unavailable;
    m_db = OpenConnection(m_path, why);
    if (!m_db) {
        return existed && ::access(m_path.c_str(), W_OK) != 0 ? StoreOpenError::ReadOnly : why;
    }
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        return StoreOpenError::ReadOnly;
    }
    try {
        // Nothing is written before the file has shown to be ours and whole: a database of
        // a newer format or a damaged one is left exactly as it is.
        {
            Stmt version(m_db, Prepare("PRAGMA user_version"));
            version.Step();
            if (version.Int(0) > kSchemaVersion) {
                return StoreOpenError::Newer;
            }
        }
        if (existed) {
            Stmt check(m_db, Prepare("PRAGMA quick_check"));
            check.Step();
            const auto* result = sqlite3_column_text(check.Raw(), 0);
            if (result == nullptr ||
                std::strcmp(reinterpret_cast<const char*>(result), "ok") != 0) {
                return StoreOpenError::Damaged;
            }
        }
        std::string journal;
        {
            Stmt mode(m_db, Prepare("PRAGMA journal_mode"));
            mode.Step();
            if (const auto* text = sqlite3_column_text(mode.Raw(), 0)) {
                journal = reinterpret_cast<const char*>(text);
            }
        }
        if (journal != "wal") {
            Exec(m_db, "PRAGMA journal_mode=WAL");
        }
        Exec(m_db, "PRAGMA synchronous=NORMAL");
        const std::string turn = m_path.string() + "-turn";
        m_turnFd = ::open(turn.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (NeedsCreating()) {
            Create();
        }
        // Created if missing, repaired if a process died between a change and its mirror.
        MirrorProfilesIfStale();
    } catch (const SqlError& e) {
        return StoreOpenErrorOf(e.code, e.systemErrno);
    }
    return StoreOpenError::None;
}

bool Store::NeedsCreating() {
    Exec(m_db, "BEGIN");
    try {
        bool needed = true;
        {
            Stmt tables(m_db, Prepare("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                                      "AND name IN ('device', 'profiles', 'macros', 'faults', "
                                      "'events')"));
            tables.Step();
            if (tables.Int(0) == 5) {
                Stmt device(m_db, Prepare("SELECT count(*) FROM device"));
                device.Step();
                Stmt version(m_db, Prepare("PRAGMA user_version"));
                version.Step();
                needed = device.Int(0) == 0 || version.Int(0) != kSchemaVersion;
            }
        }
        Exec(m_db, "COMMIT");
        return needed;
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void Store::Create() {
    BeginWrite();
    try {
        Exec(m_db, "BEGIN IMMEDIATE");
        try {
            // Looked at again under the write lock: another process may have created it.
            {
                Stmt version(m_db, Prepare("PRAGMA user_version"));
                version.Step();
                if (version.Int(0) > kSchemaVersion) {
                    throw SqlError("newer database", SQLITE_FORMAT);
                }
            }
            Exec(m_db, kSchema);
            Exec(m_db, "PRAGMA user_version=1");
            Transaction tx(*this, m_db);
            Stmt s(m_db, Prepare("SELECT count(*) FROM device"));
            s.Step();
            if (s.Int(0) == 0) {
                // A new mouse: factory state with one profile.
                ProfileState first = DefaultProfile(u"Profile 1");
                tx.SaveProfile(first);
                DeviceSettings d;
                d.active = first.guid;
                tx.SaveDevice(d);
            }
            Exec(m_db, "COMMIT");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    } catch (...) {
        EndWrite();
        throw;
    }
    EndWrite();
}

void Store::BeginWrite() {
    if (m_turnDepth++ > 0 || m_turnFd < 0) {
        return;
    }
    // Two bytes make the turns fair: a writer first holds the door (byte 0), then the room
    // (byte 1), and lets go of the door once inside. Only the one holding the door waits
    // for the room, so a writer that leaves the room and comes straight back finds the door
    // taken by whoever waited, and goes after it.
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(kBusyTimeoutMs);
    if (!LockByte(m_turnFd, 0, deadline)) {
        --m_turnDepth;
        throw SqlError("database is locked", SQLITE_BUSY);
    }
    const bool inside = LockByte(m_turnFd, 1, deadline);
    TryLockByte(m_turnFd, 0, false);
    if (!inside) {
        --m_turnDepth;
        throw SqlError("database is locked", SQLITE_BUSY);
    }
}

void Store::EndWrite() {
    if (m_turnDepth == 0 || --m_turnDepth > 0 || m_turnFd < 0) {
        return;
    }
    TryLockByte(m_turnFd, 1, false);
}

sqlite3_stmt* Store::Prepare(const char* sql) {
    auto it = m_statements.find(sql);
    if (it != m_statements.end()) {
        return it->second;
    }
    sqlite3_stmt* stmt = nullptr;
    Check(m_db, sqlite3_prepare_v3(m_db, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr));
    m_statements[sql] = stmt;
    return stmt;
}

HRESULT Store::Read(const Body& body) {
    return Run(false, true, body);
}
HRESULT Store::Write(const Body& body) {
    return Run(true, true, body);
}
HRESULT Store::WriteRaw(const Body& body) {
    return Run(true, false, body);
}
HRESULT Store::ReadRaw(const Body& body) {
    return Run(false, false, body);
}

HRESULT Store::ApplyFaults(bool write) {
    // Cheap check first; the count is taken in its own write transaction.
    std::map<Fault, INT> faults;
    {
        Transaction tx(*this, m_db);
        faults = tx.Faults();
    }
    Fault hit{};
    HRESULT result = S_OK;
    if (faults.count(Fault::NoDevice)) {
        hit = Fault::NoDevice;
        result = E_NOT_CONNECTED;
    } else if (faults.count(Fault::AccessDenied)) {
        hit = Fault::AccessDenied;
        result = E_ACCESSDENIED;
    } else if (write && faults.count(Fault::WriteFailure)) {
        hit = Fault::WriteFailure;
        result = E_FAIL;
    } else {
        return S_OK;
    }
    BeginWrite();
    try {
        Exec(m_db, "BEGIN IMMEDIATE");
        Stmt s(m_db, Prepare("UPDATE faults SET remaining = remaining - 1 "
                             "WHERE kind = ?1 AND remaining > 0"));
        s.Bind(1, static_cast<int>(hit)).Step();
        const bool taken = sqlite3_changes(m_db) > 0;
        Exec(m_db, "COMMIT");
        EndWrite();
        // Another process may have used the last count meanwhile.
        return taken ? result : S_OK;
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        EndWrite();
        throw;
    }
}

HRESULT Store::Run(bool write, bool faults, const Body& body) {
    std::lock_guard lock(m_mutex);
    try {
        if (faults) {
            if (const HRESULT hr = ApplyFaults(write); FAILED(hr)) {
                return hr;
            }
        }
        // Reads take no lock (the database keeps a write-ahead log); writes wait their turn.
        if (write) {
            BeginWrite();
        }
        struct TurnEnd {
            Store* store;
            ~TurnEnd() {
                if (store != nullptr) {
                    store->EndWrite();
                }
            }
        } turnEnd{write ? this : nullptr};
        Exec(m_db, write ? "BEGIN IMMEDIATE" : "BEGIN");
        Transaction tx(*this, m_db);
        HRESULT hr = E_FAIL;
        try {
            hr = body(tx);
            Exec(m_db, SUCCEEDED(hr) && write ? "COMMIT" : "ROLLBACK");
        } catch (...) {
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
        if (SUCCEEDED(hr) && write && tx.ProfilesChanged()) {
            MirrorProfiles();
        }
        if (SUCCEEDED(hr) && write && tx.EventsAdded() && m_wakeFd >= 0) {
            const std::uint64_t one = 1;
            [[maybe_unused]] auto n = ::write(m_wakeFd, &one, sizeof one);
        }
        return hr;
    } catch (const SqlError&) {
        return E_FAIL;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

namespace {
void SetStringIfChanged(CRegKey& key, LPCWSTR name, const std::u16string& value) {
    WCHAR buf[300] = {};
    ULONG chars = 300;
    // The stored value counts its terminator; one stored without it is rewritten.
    if (key.QueryStringValue(name, buf, &chars) == ERROR_SUCCESS && chars > 0 && chars <= 300 &&
        buf[chars - 1] == 0 && std::u16string_view(buf, chars - 1) == value) {
        return;
    }
    key.SetStringValue(name, value.c_str());
}
void SetDwordIfChanged(CRegKey& key, LPCWSTR name, DWORD value) {
    DWORD old = 0;
    if (key.QueryDWORDValue(name, old) == ERROR_SUCCESS && old == value) {
        return;
    }
    key.SetDWORDValue(name, value);
}
} // namespace

void Store::MirrorProfiles() {
    // Under the database's write lock, so that mirrors of several processes run one after
    // the other and the last one written shows the newest state. The change itself is
    // committed already: a program woken by the key reads the state the key shows.
    try {
        BeginWrite();
    } catch (const SqlError&) {
        return; // the next change or the next start brings the key up to date
    }
    try {
        Exec(m_db, "BEGIN IMMEDIATE");
    } catch (const SqlError&) {
        EndWrite();
        return;
    }
    try {
        Transaction tx(*this, m_db);
        SyncRegistry(tx);
        Exec(m_db, "COMMIT");
    } catch (const SqlError&) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    }
    EndWrite();
}

void Store::MirrorProfilesIfStale() {
    // A read first: a key that already shows the committed state needs no write lock.
    bool matches = false;
    Exec(m_db, "BEGIN");
    try {
        Transaction tx(*this, m_db);
        matches = RegistryMatches(tx);
        Exec(m_db, "COMMIT");
    } catch (const SqlError&) {
        sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    if (!matches) {
        MirrorProfiles();
    }
}

namespace {
bool StringValueIs(CRegKey& key, LPCWSTR name, const std::u16string& value) {
    WCHAR buf[300] = {};
    ULONG chars = 300;
    return key.QueryStringValue(name, buf, &chars) == ERROR_SUCCESS && chars > 0 && chars <= 300 &&
           buf[chars - 1] == 0 && std::u16string_view(buf, chars - 1) == value;
}
} // namespace

bool Store::RegistryMatches(Transaction& tx) {
    CRegKey store;
    if (store.Open(HKEY_LOCAL_MACHINE, PROFILE_STORE_KEY, KEY_READ) != ERROR_SUCCESS) {
        return false;
    }
    const auto guids = tx.ProfileGuids();
    DWORD subkeys = 0;
    for (;; ++subkeys) {
        WCHAR name[256];
        DWORD chars = 256;
        if (RegEnumKeyExW(store, subkeys, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
    }
    if (subkeys != guids.size()) {
        return false;
    }
    for (const auto& guid : guids) {
        const auto p = tx.Profile(guid);
        CRegKey key;
        DWORD switches = 0;
        if (!p || key.Open(store, GuidToString(guid).c_str(), KEY_READ) != ERROR_SUCCESS ||
            !StringValueIs(key, u"Name", p->name) || !StringValueIs(key, u"Program", p->program) ||
            key.QueryDWORDValue(u"Switches", switches) != ERROR_SUCCESS ||
            switches != p->switches) {
            return false;
        }
    }
    return StringValueIs(store, u"Active", GuidToString(tx.Device().active));
}

void Store::SyncRegistry(Transaction& tx) {
    CRegKey store;
    if (store.Create(HKEY_LOCAL_MACHINE, PROFILE_STORE_KEY, KEY_ALL_ACCESS) != ERROR_SUCCESS) {
        return; // the registry is a mirror; the database stays the truth
    }
    const auto guids = tx.ProfileGuids();
    std::vector<std::u16string> wanted;
    for (const auto& g : guids) {
        wanted.push_back(GuidToString(g));
    }
    std::vector<std::u16string> stale;
    for (DWORD i = 0;; ++i) {
        WCHAR name[256]; // the longest key name, so that no subkey stops the walk
        DWORD chars = 256;
        if (RegEnumKeyExW(store, i, name, &chars, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS) {
            break;
        }
        const std::u16string n(name);
        bool keep = false;
        for (const auto& w : wanted) {
            keep = keep || _wcsicmp(n.c_str(), w.c_str()) == 0;
        }
        if (!keep) {
            stale.push_back(n);
        }
    }
    for (const auto& n : stale) {
        RegDeleteTreeW(store, n.c_str());
    }
    for (size_t i = 0; i < guids.size(); ++i) {
        auto p = tx.Profile(guids[i]);
        CRegKey key;
        if (!p || key.Create(store, wanted[i].c_str(), KEY_ALL_ACCESS) != ERROR_SUCCESS) {
            continue;
        }
        SetStringIfChanged(key, u"Name", p->name);
        SetStringIfChanged(key, u"Program", p->program);
        SetDwordIfChanged(key, u"Switches", p->switches);
    }
    SetStringIfChanged(store, u"Active", GuidToString(tx.Device().active));
}

std::shared_ptr<ConnectionList> Store::Connections(EventKind kind, const GUID& source) {
    StartWatcher();
    std::lock_guard lock(m_listMutex);
    auto& list = m_lists[{static_cast<int>(kind), source}];
    if (!list) {
        list = std::make_shared<ConnectionList>();
    }
    return list;
}

bool Store::Unadvise(EventKind kind, DWORD cookie) {
    std::vector<std::shared_ptr<ConnectionList>> lists;
    {
        std::lock_guard lock(m_listMutex);
        for (const auto& [key, list] : m_lists) {
            if (key.first == static_cast<int>(kind)) {
                lists.push_back(list);
            }
        }
    }
    for (const auto& list : lists) {
        if (list->Remove(cookie)) {
            return true;
        }
    }
    return false;
}

std::uint64_t Store::CurrentEventSeq() {
    std::lock_guard lock(m_mutex);
    try {
        Stmt s(m_db, Prepare("SELECT coalesce(max(seq), 0) FROM events"));
        s.Step();
        return static_cast<std::uint64_t>(s.Int(0));
    } catch (const SqlError&) {
        return 0;
    }
}

void Store::StartWatcher() {
    std::lock_guard lock(m_mutex);
    if (m_watcher.joinable()) {
        return;
    }
    m_wakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    try {
        Stmt s(m_db, Prepare("SELECT coalesce(max(seq), 0) FROM events"));
        s.Step();
        m_lastSeen = static_cast<std::uint64_t>(s.Int(0));
    } catch (const SqlError&) {
        m_lastSeen = 0;
    }
    m_watcher = std::thread([this] { WatchLoop(); });
}

void Store::WatchLoop() {
    StoreOpenError ignored = StoreOpenError::None;
    sqlite3* db = OpenConnection(m_path, ignored);
    const int ino = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (ino >= 0) {
        inotify_add_watch(ino, m_path.parent_path().c_str(),
                          IN_MODIFY | IN_CLOSE_WRITE | IN_MOVED_TO | IN_CREATE);
    }
    // Only the database and its write-ahead log carry changes. Readers touch the shared-memory
    // index on every read (this watcher's own reads too), and other programs keep their files
    // in the same folder: waking for those would make an idle program busy.
    const std::string dbName = m_path.filename().string();
    const std::string walName = dbName + "-wal";
    auto changed = [&] {
        bool relevant = false;
        alignas(inotify_event) char buf[4096];
        ssize_t n = 0;
        while ((n = ::read(ino, buf, sizeof buf)) > 0) {
            for (ssize_t off = 0; off + static_cast<ssize_t>(sizeof(inotify_event)) <= n;) {
                inotify_event ev{};
                std::memcpy(&ev, buf + off, sizeof ev);
                const auto nameOff = off + static_cast<ssize_t>(sizeof(inotify_event));
                if (ev.len > 0 && nameOff + static_cast<ssize_t>(ev.len) <= n) {
                    const char* name = buf + nameOff;
                    const std::string file(name, ::strnlen(name, ev.len));
                    relevant = relevant || file == dbName || file == walName;
                }
                off = nameOff + static_cast<ssize_t>(ev.len);
            }
        }
        return relevant;
    };
    // A writer appends its commit to the log before it publishes it in the log's index, which
    // is shared memory that raises no file event; so after a change the log is looked at again
    // a few times shortly after, until the commit is surely visible. An idle program sleeps.
    constexpr int kRecheckMs = 30;
    constexpr int kRechecks = 3;
    int rechecks = 0;
    while (!m_stop.load()) {
        // Without file-change notification the database is looked at four times a second.
        pollfd fds[2] = {{m_wakeFd, POLLIN, 0}, {ino, POLLIN, 0}};
        const int timeout = ino < 0 ? 250 : rechecks > 0 ? kRecheckMs : -1;
        const int ready = ::poll(fds, ino >= 0 ? 2 : 1, timeout);
        std::uint64_t count = 0;
        const bool woken = ::read(m_wakeFd, &count, sizeof count) > 0;
        const bool fileChanged = ino < 0 || changed();
        if (m_stop.load()) {
            break;
        }
        if (fileChanged) {
            rechecks = kRechecks;
        } else if (ready == 0 && rechecks > 0) {
            --rechecks;
        }
        if (db && (woken || fileChanged || ready == 0)) {
            Dispatch(db);
        }
    }
    if (ino >= 0) {
        ::close(ino);
    }
    sqlite3_close(db);
}

void Store::Dispatch(sqlite3* db) {
    struct Record {
        std::uint64_t seq;
        int kind;
        GUID guid;
        INT a;
        INT b;
    };
    std::vector<Record> records;
    sqlite3_stmt* raw = nullptr;
    if (sqlite3_prepare_v2(db,
                           "SELECT seq, kind, guid, a, b FROM events WHERE seq > ?1 "
                           "ORDER BY seq",
                           -1, &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return;
    }
    try {
        Stmt s(db, raw);
        s.Bind(1, static_cast<std::int64_t>(m_lastSeen));
        while (s.Step()) {
            records.push_back({static_cast<std::uint64_t>(s.Int(0)), s.Int32(1), s.Guid(2),
                               s.Int32(3), s.Int32(4)});
        }
    } catch (const SqlError&) {
        // Busy or damaged: try again at the next wake-up.
    }
    sqlite3_finalize(raw);
    for (const Record& r : records) {
        m_lastSeen = r.seq;
        if (r.kind == static_cast<int>(EventKind::Device)) {
            platform::AnnounceDevice(platform::DeviceAnnouncement{r.a != 0, GUID_DEVINTERFACE_MOUSE,
                                                                  DEVICE_INTERFACE_NAME});
            continue;
        }
        std::shared_ptr<ConnectionList> list;
        {
            std::lock_guard lock(m_listMutex);
            auto it = m_lists.find({r.kind, r.guid});
            if (it != m_lists.end()) {
                list = it->second;
            }
        }
        if (!list) {
            continue;
        }
        const INT a = r.a;
        const INT b = r.b;
        switch (static_cast<EventKind>(r.kind)) {
        case EventKind::Dpi:
            list->Fire([a, b](IUnknown* s) { static_cast<_IDPIEvents*>(s)->OnDpiChanged(a, b); },
                       r.seq);
            break;
        case EventKind::Profile:
            list->Fire(
                [a, b](IUnknown* s) {
                    static_cast<_IProfileEvents*>(s)->OnProfileEvent(a, b, 0, 0, 0);
                },
                r.seq);
            break;
        case EventKind::Manager:
            list->Fire(
                [a, b](IUnknown* s) {
                    static_cast<_IProfileManagerEvents2*>(s)->OnProfileManagerEvent(a, b, 0, 0, 0);
                },
                r.seq);
            break;
        case EventKind::Device:
            break; // announced above
        }
    }
}

} // namespace service
