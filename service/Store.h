#pragma once
// The service's shared, durable state: one SQLite database per user (BORVANTA_SERVICE_DB
// moves it), opened once per process and shared by every service object.
//
// Every change runs in one write transaction, together with the event records it causes; a
// process killed mid-change leaves the state as before or after. The PROFILES registry key
// mirrors the committed state: it is brought up to date right after each commit that changes
// a profile's name, program or switches, the list or the active profile (and whenever a
// process opens the store), so a program woken by the key finds the new state.
//
// A watcher thread in each process (woken by changes of the database files, and by this
// process's own commits) reads the event records it has not seen and hands them to the
// connection lists, which post them to the advising threads.

#include "platform/com/ConnectionPoint.h"
#include "service/DeviceState.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace service {

// Device: the mouse was unplugged (a = 0) or plugged in (a = 1, b the new plug generation);
// announced to the process as a device-interface arrival or removal.
enum class EventKind : int { Dpi = 1, Profile = 2, Manager = 3, Device = 4 };

// Faults the command line injects for the next N calls of any process.
enum class Fault : int { AccessDenied = 1, WriteFailure = 2, NoDevice = 3 };

class Store;

// Why the store could not be opened. Busy: another process held the database locked for
// longer than a writer waits; Full: the disk has no room for what opening must write.
enum class StoreOpenError : int { None, Damaged, ReadOnly, Newer, Unavailable, Busy, Full };
// The reason for a failed SQLite call: its primary result code and the system's error number
// of the file operation that failed (0 when none did).
StoreOpenError StoreOpenErrorOf(int primaryCode, int systemErrno);
// The service result for the reason (S_OK for None).
HRESULT StoreOpenResult(StoreOpenError error);
// A line for people: what is wrong with the file.
const char* DescribeStoreOpenError(StoreOpenError error);

// Access to the state inside one transaction. Database errors throw; the store turns them
// into E_FAIL and rolls back.
class Transaction {
public:
    Transaction(Store& store, sqlite3* db) : m_store(store), m_db(db) {}

    DeviceSettings Device();
    void SaveDevice(const DeviceSettings& device);

    std::vector<GUID> ProfileGuids(); // in device order
    std::optional<ProfileState> Profile(const GUID& guid);
    void SaveProfile(const ProfileState& profile); // inserts at the end or updates in place
    void DeleteProfile(const GUID& guid);

    std::vector<GUID> MacroGuids();
    // The whole macro; a record whose parts cannot be read throws (as every damaged record).
    std::optional<MacroState> Macro(const GUID& guid);
    // Whether a macro of that identifier is stored, and its name, without reading its events:
    // a macro whose event list is damaged keeps its identity and its name.
    bool HasMacro(const GUID& guid);
    std::optional<std::u16string> MacroName(const GUID& guid);
    void SaveMacro(const MacroState& macro);
    void DeleteMacro(const GUID& guid);

    void AddEvent(EventKind kind, const GUID& source, INT a, INT b);
    // The PROFILES key must be brought up to date after the commit.
    void MarkProfilesChanged() { m_profilesChanged = true; }
    // A change of the profile list: the manager's listeners get event (a
    // PROFILE_MANAGER_EVENT_*) for the position index, and the PROFILES key is updated.
    void ProfileListChanged(INT event, INT index) {
        AddEvent(EventKind::Manager, GUID_NULL, event, index);
        MarkProfilesChanged();
    }

    std::map<Fault, INT> Faults();
    void SetFault(Fault fault, INT count);

    bool ProfilesChanged() const { return m_profilesChanged; }
    bool EventsAdded() const { return m_eventsAdded; }

private:
    sqlite3_stmt* Prepare(const char* sql);
    Store& m_store;
    sqlite3* m_db;
    bool m_profilesChanged = false;
    bool m_eventsAdded = false;
};

class Store {
public:
    // The process's store for the current database path, opened (and created with the
    // factory state) on first use. Null when the database cannot be opened; why then goes to
    // *why. Opening only reads an existing database (a write only creates a missing one), so
    // a program that starts never waits for another's write, and a database that is damaged,
    // read-only or of a newer format is left untouched.
    static std::shared_ptr<Store> Get(StoreOpenError* why = nullptr);
    static std::filesystem::path DatabasePath();

    ~Store();
    Store(const Store&) = delete;
    Store& operator=(const Store&) = delete;

    using Body = std::function<HRESULT(Transaction&)>;
    // Runs body in a read (Read) or write (Write) transaction, after applying injected faults;
    // a failed body rolls back. Raw runs skip the faults (the command line, the mouse itself).
    HRESULT Read(const Body& body);
    HRESULT Write(const Body& body);
    HRESULT WriteRaw(const Body& body);
    HRESULT ReadRaw(const Body& body);

    // The connection list for one event source (manager events: GUID_NULL). Starts the
    // watcher on first use.
    std::shared_ptr<ConnectionList> Connections(EventKind kind, const GUID& source);
    // Ends the connection with that cookie on any source of the kind; false when none has it.
    bool Unadvise(EventKind kind, DWORD cookie);
    // Sequence number of the newest event record.
    std::uint64_t CurrentEventSeq();

    sqlite3_stmt* Prepare(const char* sql);

private:
    explicit Store(std::filesystem::path path);
    StoreOpenError Open();
    // The database's state as opening found it: created (true) when it holds no mouse yet.
    bool NeedsCreating();
    void Create();
    // Brings the PROFILES key up to date when it differs from the committed state.
    void MirrorProfilesIfStale();
    bool RegistryMatches(Transaction& tx);
    // Writers take turns across processes (see WriteTurn in Store.cpp) before they take the
    // database's write lock, so a busy writer cannot starve the others.
    void BeginWrite();
    void EndWrite();
    HRESULT Run(bool write, bool faults, const Body& body);
    HRESULT ApplyFaults(bool write);
    // Brings the PROFILES key up to date with the committed state.
    void MirrorProfiles();
    void SyncRegistry(Transaction& tx);
    void StartWatcher();
    void WatchLoop();
    void Dispatch(sqlite3* db);

    std::filesystem::path m_path;
    std::recursive_mutex m_mutex;
    sqlite3* m_db = nullptr;
    std::map<const char*, sqlite3_stmt*> m_statements;

    std::mutex m_listMutex;
    std::map<std::pair<int, GUID>, std::shared_ptr<ConnectionList>> m_lists;

    int m_turnFd = -1;
    int m_turnDepth = 0;

    std::thread m_watcher;
    std::atomic<bool> m_stop{false};
    int m_wakeFd = -1;
    std::uint64_t m_lastSeen = 0;
};

} // namespace service
