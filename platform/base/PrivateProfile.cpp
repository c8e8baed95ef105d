#include "platform/base/PrivateProfile.h"

#include "platform/base/IniDocument.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"

#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <mutex>
#include <optional>
#include <string>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

// Serialises read-modify-write cycles inside the process; the folder lock does it between
// processes.
std::mutex g_writeMutex;

class FileDescriptor {
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(other.m_fd) { other.m_fd = -1; }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            Close();
            m_fd = other.m_fd;
            other.m_fd = -1;
        }
        return *this;
    }
    ~FileDescriptor() {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
    }
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and reports whether the close succeeded.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return fd < 0 || ::close(fd) == 0;
    }

private:
    int m_fd;
};

// The whole file; nothing when it cannot be opened (missing included), is no regular file
// (a named pipe is never waited on) or cannot be read.
std::optional<std::string> ReadWholeFile(const std::filesystem::path& path) {
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat info {};
    if (!fd.valid() || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) {
        return std::nullopt;
    }
    std::string data;
    char chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::nullopt;
        }
        if (n == 0) {
            return data;
        }
        data.append(chunk, static_cast<size_t>(n));
    }
}

IniDocument ReadDocument(LPCWSTR fileName) {
    if (fileName == nullptr) {
        return IniDocument::Parse({});
    }
    const auto data = ReadWholeFile(ToNativePath(fileName));
    return IniDocument::Parse(data ? *data : std::string());
}

bool WriteAll(int fd, const std::string& data) {
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) {
                continue;
            }
            return false;
        }
        done += static_cast<size_t>(n);
    }
    return true;
}

// Writes the file through a temporary file in the same folder and a rename, so that the old
// contents stay whole until the new ones are complete on disk. A new file gets the usual
// permissions (the umask applies); a rewritten one keeps its own.
bool ReplaceFile(const std::filesystem::path& path, const std::string& data,
                 std::optional<mode_t> keepMode) {
    static std::atomic<unsigned> counter{0};
    FileDescriptor fd;
    std::string name;
    for (int attempt = 0; attempt < 100 && !fd.valid(); ++attempt) {
        name = (path.parent_path() /
                ("." + path.filename().string() + "." + std::to_string(::getpid()) + "." +
                 std::to_string(counter.fetch_add(1)) + ".tmp"))
                   .string();
        fd = FileDescriptor(::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666));
        if (!fd.valid() && errno != EEXIST) {
            return false;
        }
    }
    if (!fd.valid()) {
        return false;
    }
    const bool written = (!keepMode || ::fchmod(fd.get(), *keepMode) == 0) &&
                         WriteAll(fd.get(), data) && ::fsync(fd.get()) == 0 && fd.Close();
    if (!written || ::rename(name.c_str(), path.c_str()) != 0) {
        ::unlink(name.c_str());
        return false;
    }
    // Make the rename itself durable.
    FileDescriptor folder(::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (folder.valid()) {
        ::fsync(folder.get());
    }
    return true;
}

// Reads, changes and rewrites the file under both locks. change returns false to refuse.
template <class Change> BOOL ModifyFile(LPCWSTR fileName, bool createIfMissing, Change change) {
    if (fileName == nullptr || *fileName == 0) {
        return FALSE;
    }
    std::filesystem::path path = ToNativePath(fileName);
    if (path.filename().empty()) {
        return FALSE;
    }
    std::filesystem::path folderPath = path.parent_path();
    if (folderPath.empty()) {
        folderPath = ".";
        path = folderPath / path;
    }
    const std::lock_guard<std::mutex> guard(g_writeMutex);
    FileDescriptor folder(::open(folderPath.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!folder.valid()) {
        return FALSE; // the folder does not exist (or cannot be opened)
    }
    // Where the file system offers no locks, the in-process lock still orders the writers.
    while (::flock(folder.get(), LOCK_EX) != 0 && errno == EINTR) {
    }
    struct stat info {};
    const bool exists = ::stat(path.c_str(), &info) == 0;
    // A folder or a device is never replaced, and a read-only file stays as it is.
    if (exists && (!S_ISREG(info.st_mode) || ::access(path.c_str(), W_OK) != 0)) {
        return FALSE;
    }
    std::optional<std::string> data;
    if (exists) {
        data = ReadWholeFile(path);
        if (!data) {
            return FALSE; // never replace a file that could not be read
        }
    } else if (!createIfMissing) {
        return TRUE;
    }
    IniDocument doc = IniDocument::Parse(data ? *data : std::string());
    if (!change(doc)) {
        return FALSE;
    }
    const std::optional<mode_t> mode =
        exists ? std::optional<mode_t>(info.st_mode & 07777) : std::nullopt;
    return ReplaceFile(path, doc.Serialize(), mode) ? TRUE : FALSE;
}

// Copies a list of strings as terminated strings followed by one more terminator. When the
// list does not fit, it is cut so that it ends in two terminators, and size - 2 is returned.
DWORD CopyStringList(const std::vector<std::u16string>& items, LPWSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    if (size == 1) {
        buffer[0] = 0;
        return 0;
    }
    size_t total = 0;
    for (const auto& item : items) {
        total += item.size() + 1;
    }
    if (total + 1 <= size) {
        size_t at = 0;
        for (const auto& item : items) {
            std::copy(item.begin(), item.end(), buffer + at);
            at += item.size();
            buffer[at++] = 0;
        }
        buffer[at] = 0;
        if (items.empty() && size > 1) {
            buffer[1] = 0;
        }
        return static_cast<DWORD>(total == 0 ? 0 : total);
    }
    // Cut: fill size - 2 characters, then two terminators.
    const size_t room = size - 2;
    size_t at = 0;
    for (const auto& item : items) {
        for (const char16_t c : item) {
            if (at == room) {
                break;
            }
            buffer[at++] = c;
        }
        if (at == room) {
            break;
        }
        buffer[at++] = 0;
        if (at == room) {
            break;
        }
    }
    buffer[room] = 0;
    buffer[room + 1] = 0;
    return static_cast<DWORD>(room);
}

DWORD CopyString(const std::u16string& text, LPWSTR buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const size_t n = std::min<size_t>(text.size(), size - 1);
    std::copy(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n), buffer);
    buffer[n] = 0;
    return static_cast<DWORD>(n);
}

} // namespace

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer,
                               DWORD size, LPCWSTR fileName) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    const IniDocument doc = ReadDocument(fileName);
    if (section == nullptr) {
        return CopyStringList(doc.GetSectionNames(), buffer, size);
    }
    if (key == nullptr) {
        return CopyStringList(doc.GetKeyNames(section), buffer, size);
    }
    const auto value = doc.GetValue(section, key);
    return CopyString(value ? *value : std::u16string(defaultValue != nullptr ? defaultValue : u""),
                      buffer, size);
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR fileName) {
    if (section == nullptr || key == nullptr) {
        return static_cast<UINT>(defaultValue);
    }
    const auto value = ReadDocument(fileName).GetValue(section, key);
    if (!value) {
        return static_cast<UINT>(defaultValue);
    }
    return static_cast<UINT>(_wtoi(value->c_str()));
}

DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR fileName) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    if (section == nullptr) {
        return CopyStringList({}, buffer, size);
    }
    return CopyStringList(ReadDocument(fileName).GetSectionLines(section), buffer, size);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR fileName) {
    if (section == nullptr || !IniDocument::IsValidSectionName(section) ||
        (key != nullptr && !IniDocument::IsValidKeyName(key))) {
        return FALSE;
    }
    if (key == nullptr) {
        return ModifyFile(fileName, false,
                          [&](IniDocument& doc) { return doc.DeleteSection(section); });
    }
    if (value == nullptr) {
        return ModifyFile(fileName, false,
                          [&](IniDocument& doc) { return doc.DeleteKey(section, key); });
    }
    return ModifyFile(fileName, true,
                      [&](IniDocument& doc) { return doc.SetValue(section, key, value); });
}
