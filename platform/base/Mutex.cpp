#include "platform/base/Mutex.h"

#include "platform/base/WideChar.h"
#include "platform/base/WinError.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <map>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Byte offsets in a mutex's lock file. Each handle holds a read lock on the "open" byte for
// as long as it is open (so a name exists while any process has it open); the owner holds a
// write lock on the "owner" byte. The locks are open-file-description locks: they belong to
// one open of the file, conflict also within one process, and vanish when the process ends.
constexpr off_t kOpenByte = 0;
constexpr off_t kOwnerByte = 1;

bool LockByte(int fd, off_t byte, short type, bool wait) {
    struct flock lock {};
    lock.l_type = type;
    lock.l_whence = SEEK_SET;
    lock.l_start = byte;
    lock.l_len = 1;
    for (;;) {
        if (::fcntl(fd, wait ? F_OFD_SETLKW : F_OFD_SETLK, &lock) == 0) {
            return true;
        }
        if (errno != EINTR) {
            return false;
        }
    }
}

class UniqueFd {
public:
    explicit UniqueFd(int fd = -1) : m_fd(fd) {}
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;
    ~UniqueFd() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    int release() { return std::exchange(m_fd, -1); }

private:
    int m_fd;
};

// The state of one mutex within this process, shared by all its handles here.
class MutexCore {
public:
    explicit MutexCore(int ownerFd) : m_ownerFd(ownerFd) {}

    bool Acquire(DWORD timeoutMs) {
        const auto deadline = std::chrono::steady_clock::now() +
                              std::chrono::milliseconds(timeoutMs == INFINITE ? 0 : timeoutMs);
        const auto self = std::this_thread::get_id();
        std::unique_lock lock(m_mutex);
        if (m_owner == self) {
            ++m_count;
            return true;
        }
        auto free = [this] { return !m_busy; };
        if (timeoutMs == INFINITE) {
            m_cv.wait(lock, free);
        } else if (!m_cv.wait_until(lock, deadline, free)) {
            return false;
        }
        m_busy = true; // this thread now competes for the lock file on behalf of the process
        lock.unlock();
        if (m_ownerFd.get() >= 0 && !LockOwnerByte(timeoutMs, deadline)) {
            lock.lock();
            m_busy = false;
            lock.unlock();
            m_cv.notify_one();
            return false;
        }
        lock.lock();
        m_owner = self;
        m_count = 1;
        return true;
    }

    bool Release() {
        std::unique_lock lock(m_mutex);
        if (m_owner != std::this_thread::get_id() || m_count == 0) {
            return false;
        }
        if (--m_count == 0) {
            if (m_ownerFd.get() >= 0) {
                LockByte(m_ownerFd.get(), kOwnerByte, F_UNLCK, false);
            }
            m_owner = {};
            m_busy = false;
            lock.unlock();
            m_cv.notify_one();
        }
        return true;
    }

private:
    bool LockOwnerByte(DWORD timeoutMs, std::chrono::steady_clock::time_point deadline) {
        // Record locks have no time-out: poll, briefly.
        for (;;) {
            if (LockByte(m_ownerFd.get(), kOwnerByte, F_WRLCK, false)) {
                return true;
            }
            if (errno != EAGAIN && errno != EACCES) {
                return false;
            }
            const auto now = std::chrono::steady_clock::now();
            if (timeoutMs != INFINITE && now >= deadline) {
                return false;
            }
            auto pause = std::chrono::milliseconds(2);
            if (timeoutMs != INFINITE) {
                pause = std::min(pause, std::chrono::duration_cast<std::chrono::milliseconds>(
                                            deadline - now + std::chrono::microseconds(999)));
            }
            std::this_thread::sleep_for(pause);
        }
    }

    UniqueFd m_ownerFd;
    std::mutex m_mutex;
    std::condition_variable m_cv;
    std::thread::id m_owner;
    unsigned m_count = 0;
    bool m_busy = false;
};

class MutexObject final : public KernelObject {
public:
    MutexObject(std::shared_ptr<MutexCore> core, int openFd)
        : m_core(std::move(core)), m_openFd(openFd) {}
    bool Wait(DWORD timeoutMs) override { return m_core->Acquire(timeoutMs); }
    bool Release() { return m_core->Release(); }

private:
    std::shared_ptr<MutexCore> m_core;
    UniqueFd m_openFd; // holds the read lock that keeps the name in existence
};

struct CoreTable {
    std::mutex mutex;
    std::map<std::string, std::weak_ptr<MutexCore>> cores;
};

CoreTable& Cores() {
    static CoreTable* table = new CoreTable; // mutexes may be used until exit
    return *table;
}

// A file name for a mutex name: letters, digits and a few marks stay, everything else is
// written as %XX of its UTF-8 bytes. Empty when the name is too long for a file name.
std::string LockFileName(LPCWSTR name) {
    std::string out = "mutex-";
    for (char ch : ToUtf8(name)) {
        const auto c = static_cast<unsigned char>(ch);
        if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_' || c == '.' || c == '{' || c == '}') {
            out += static_cast<char>(c);
        } else {
            static constexpr char hex[] = "0123456789ABCDEF";
            out += '%';
            out += hex[c >> 4];
            out += hex[c & 15];
        }
    }
    return out.size() > 240 ? std::string() : out + ".lock";
}

HANDLE OpenNamed(LPCWSTR name, bool create, BOOL initialOwner) {
    const std::string fileName = LockFileName(name);
    if (fileName.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return nullptr;
    }
    const fs::path folder = LockFolder();
    std::error_code ec;
    if (fs::create_directories(folder, ec)) {
        fs::permissions(folder, fs::perms::owner_all, ec); // lock files are the user's own
    }
    const std::string path = (folder / fileName).string();
    const int openFlags = O_RDWR | O_CLOEXEC | (create ? O_CREAT : 0);
    UniqueFd openFd(::open(path.c_str(), openFlags, 0600));
    if (openFd.get() < 0) {
        SetLastError(
            static_cast<DWORD>(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED));
        return nullptr;
    }
    // Whoever can take the "open" byte for writing is alone with the name: the mutex is new.
    // Turning that write lock into a read lock is atomic, so no other process can slip in.
    const bool existed = !LockByte(openFd.get(), kOpenByte, F_WRLCK, false);
    if (!existed && !create) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return nullptr;
    }
    if (!LockByte(openFd.get(), kOpenByte, F_RDLCK, true)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }

    std::shared_ptr<MutexCore> core;
    {
        CoreTable& table = Cores();
        std::lock_guard lock(table.mutex);
        core = table.cores[fileName].lock();
        if (!core) {
            int ownerFd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
            if (ownerFd < 0) {
                SetLastError(ERROR_ACCESS_DENIED);
                return nullptr;
            }
            core = std::make_shared<MutexCore>(ownerFd);
            table.cores[fileName] = core;
        }
    }
    if (!existed && initialOwner) {
        core->Acquire(0);
    }
    HANDLE handle = MakeHandle(std::make_shared<MutexObject>(std::move(core), openFd.release()));
    SetLastError(existed ? static_cast<DWORD>(ERROR_ALREADY_EXISTS) : 0);
    return handle;
}

} // namespace

fs::path LockFolder() {
    if (const char* env = std::getenv("BORVANTA_LOCK_DIR"); env && *env) {
        return fs::path(env);
    }
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime) {
        return fs::path(runtime) / "borvanta";
    }
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    if (ec) {
        temp = "/tmp";
    }
    return temp / ("borvanta-" + std::to_string(::getuid()));
}

HANDLE CreateMutexW(LPSECURITY_ATTRIBUTES, BOOL initialOwner, LPCWSTR name) {
    if (!name || !*name) {
        auto core = std::make_shared<MutexCore>(-1);
        if (initialOwner) {
            core->Acquire(0);
        }
        SetLastError(0);
        return MakeHandle(std::make_shared<MutexObject>(std::move(core), -1));
    }
    return OpenNamed(name, true, initialOwner);
}

HANDLE OpenMutexW(DWORD, BOOL, LPCWSTR name) {
    if (!name || !*name) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    return OpenNamed(name, false, FALSE);
}

BOOL ReleaseMutex(HANDLE mutex) {
    auto object = std::dynamic_pointer_cast<MutexObject>(GetKernelObject(mutex));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->Release()) {
        SetLastError(ERROR_NOT_OWNER);
        return FALSE;
    }
    return TRUE;
}
