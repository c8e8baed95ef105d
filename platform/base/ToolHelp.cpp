#include "platform/base/ToolHelp.h"

#include "platform/base/ProcessProgram.h"

#include "platform/base/WideChar.h"
#include "platform/base/WinError.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct ProcessRecord {
    DWORD pid = 0;
    DWORD parent = 0;
    DWORD threads = 0;
    std::u16string exeFile;
};

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string BaseName(std::string_view path) {
    const size_t slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// The program file's name: from the executable link where it can be read, else from the
// first word of the command line, else the kernel's (shortened) command name.
std::string ImageFileName(const fs::path& dir, DWORD pid, const std::string& comm) {
    // The program the process runs, where its command can be read (a game under Wine's
    // loader, a script under its interpreter: platform/base/ProcessProgram.h).
    if (const auto command = platform::ReadProcessCommand(pid)) {
        return platform::ProgramBaseName(platform::ProgramOfCommand(*command));
    }
    const std::string cmdline = ReadFile(dir / "cmdline");
    const std::string first = cmdline.substr(0, cmdline.find('\0'));
    if (!first.empty()) {
        return BaseName(first);
    }
    return comm;
}

bool ReadProcess(const fs::path& dir, DWORD pid, ProcessRecord& record) {
    // "pid (comm) state ppid ...": comm may hold blanks and parentheses, so the fields after it
    // are read from the last ')'.
    const std::string stat = ReadFile(dir / "stat");
    const size_t open = stat.find('(');
    const size_t close = stat.rfind(')');
    if (open == std::string::npos || close == std::string::npos || close < open) {
        return false;
    }
    const std::string comm = stat.substr(open + 1, close - open - 1);
    std::istringstream rest(stat.substr(close + 1));
    std::string field;
    std::vector<std::string> fields;
    while (rest >> field) {
        fields.push_back(field);
    }
    // After comm: state(0) ppid(1) ... num_threads(17).
    if (fields.size() < 18) {
        return false;
    }
    record.pid = pid;
    record.parent = static_cast<DWORD>(std::strtoul(fields[1].c_str(), nullptr, 10));
    record.threads = static_cast<DWORD>(std::strtoul(fields[17].c_str(), nullptr, 10));
    record.exeFile = FromUtf8(ImageFileName(dir, pid, comm));
    return true;
}

class SnapshotObject final : public KernelObject {
public:
    explicit SnapshotObject(std::vector<ProcessRecord> records) : m_records(std::move(records)) {}
    bool Wait(DWORD) override { return false; }

    BOOL Fill(PROCESSENTRY32W* entry, bool first) {
        if (!entry || entry->dwSize < sizeof(PROCESSENTRY32W)) {
            SetLastError(ERROR_BAD_LENGTH);
            return FALSE;
        }
        std::lock_guard lock(m_mutex);
        m_next = first ? 0 : m_next;
        if (m_next >= m_records.size()) {
            SetLastError(ERROR_NO_MORE_FILES);
            return FALSE;
        }
        const ProcessRecord& r = m_records[m_next++];
        const DWORD size = entry->dwSize;
        *entry = PROCESSENTRY32W{};
        entry->dwSize = size;
        entry->th32ProcessID = r.pid;
        entry->th32ParentProcessID = r.parent;
        entry->cntThreads = r.threads;
        const size_t length = std::min<size_t>(r.exeFile.size(), MAX_PATH - 1);
        std::copy_n(r.exeFile.data(), length, entry->szExeFile);
        entry->szExeFile[length] = 0;
        return TRUE;
    }

private:
    std::mutex m_mutex;
    std::vector<ProcessRecord> m_records;
    size_t m_next = 0;
};

} // namespace

HANDLE CreateToolhelp32Snapshot(DWORD flags, DWORD) {
    if (!(flags & TH32CS_SNAPPROCESS)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return INVALID_HANDLE_VALUE;
    }
    std::error_code ec;
    fs::directory_iterator it("/proc", ec);
    if (ec) {
        SetLastError(ERROR_ACCESS_DENIED);
        return INVALID_HANDLE_VALUE;
    }
    std::vector<ProcessRecord> records;
    for (const fs::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        DWORD pid = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (error != std::errc() || end != name.data() + name.size() || pid == 0) {
            continue;
        }
        ProcessRecord record;
        if (ReadProcess(entry.path(), pid, record)) { // a process that ended meanwhile is left out
            records.push_back(std::move(record));
        }
    }
    std::sort(records.begin(), records.end(),
              [](const ProcessRecord& a, const ProcessRecord& b) { return a.pid < b.pid; });
    return MakeHandle(std::make_shared<SnapshotObject>(std::move(records)));
}

BOOL Process32FirstW(HANDLE snapshot, PROCESSENTRY32W* entry) {
    auto object = std::dynamic_pointer_cast<SnapshotObject>(GetKernelObject(snapshot));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return object->Fill(entry, true);
}

BOOL Process32NextW(HANDLE snapshot, PROCESSENTRY32W* entry) {
    auto object = std::dynamic_pointer_cast<SnapshotObject>(GetKernelObject(snapshot));
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return object->Fill(entry, false);
}
