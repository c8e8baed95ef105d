#include "platform/base/Process.h"

#include "platform/base/Path.h"
#include "platform/base/ProcessProgram.h"
#include "platform/base/WideChar.h"
#include "platform/base/WinError.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <optional>
#include <poll.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

// What is known about a process this program started. A reaper thread waits for the process
// and keeps its exit code, so that no child is ever left as a zombie.
struct ChildState {
    std::mutex mutex;
    std::condition_variable cv;
    bool exited = false;
    DWORD exitCode = STILL_ACTIVE;
    std::optional<DWORD> terminateCode; // set by TerminateProcess before it kills
};

struct ChildTable {
    std::mutex mutex;
    std::map<pid_t, std::weak_ptr<ChildState>> children;
};

ChildTable& Children() {
    static ChildTable* table = new ChildTable; // reapers may run until exit
    return *table;
}

std::shared_ptr<ChildState> FindChild(pid_t pid) {
    ChildTable& table = Children();
    std::lock_guard lock(table.mutex);
    auto it = table.children.find(pid);
    return it == table.children.end() ? nullptr : it->second.lock();
}

void Reap(pid_t pid, std::shared_ptr<ChildState> state) {
    siginfo_t info{};
    while (::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT) != 0 &&
           errno == EINTR) {
    }
    {
        // The zombie is reaped under the state's lock: while exited is false the process id
        // cannot have been reused, so TerminateProcess never signals a stranger.
        std::lock_guard lock(state->mutex);
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        if (WIFEXITED(status)) {
            state->exitCode = static_cast<DWORD>(WEXITSTATUS(status));
        } else if (WIFSIGNALED(status)) {
            state->exitCode =
                state->terminateCode.value_or(128u + static_cast<DWORD>(WTERMSIG(status)));
        } else {
            state->exitCode = 0;
        }
        state->exited = true;
    }
    state->cv.notify_all();
    ChildTable& table = Children();
    std::lock_guard lock(table.mutex);
    auto it = table.children.find(pid);
    if (it != table.children.end() && it->second.lock() == state) {
        table.children.erase(it);
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

private:
    int m_fd;
};

int PidFdOpen(pid_t pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
}

// A process handle (or a process's main-thread handle): signalled when the process ends.
class ProcessObject final : public KernelObject {
public:
    ProcessObject(pid_t pid, std::shared_ptr<ChildState> child)
        : m_pid(pid), m_child(std::move(child)), m_pidFd(m_child ? -1 : PidFdOpen(pid)) {}

    pid_t Pid() const { return m_pid; }

    bool Wait(DWORD timeoutMs) override {
        if (m_child) {
            std::unique_lock lock(m_child->mutex);
            auto done = [this] { return m_child->exited; };
            if (timeoutMs == INFINITE) {
                m_child->cv.wait(lock, done);
                return true;
            }
            return m_child->cv.wait_for(lock, std::chrono::milliseconds(timeoutMs), done);
        }
        if (m_pidFd.get() < 0) {
            return true; // already gone when opened
        }
        pollfd p{m_pidFd.get(), POLLIN, 0};
        const int timeout =
            timeoutMs == INFINITE ? -1 : static_cast<int>(std::min<DWORD>(timeoutMs, 0x7FFFFFFF));
        int r = 0;
        while ((r = ::poll(&p, 1, timeout)) < 0 && errno == EINTR) {
        }
        return r > 0;
    }

    DWORD ExitCode() {
        if (m_child) {
            std::lock_guard lock(m_child->mutex);
            return m_child->exitCode;
        }
        // Another program's child: it is running until its process-id descriptor says
        // otherwise; its exit code is not ours to read.
        return Wait(0) ? 0 : STILL_ACTIVE;
    }

    bool Terminate(UINT exitCode) {
        if (m_child) {
            std::lock_guard lock(m_child->mutex);
            if (m_child->exited) {
                return false;
            }
            m_child->terminateCode = exitCode;
            return ::kill(m_pid, SIGKILL) == 0;
        }
        return m_pidFd.get() >= 0 &&
               ::syscall(SYS_pidfd_send_signal, m_pidFd.get(), SIGKILL, nullptr, 0) == 0;
    }

private:
    pid_t m_pid;
    std::shared_ptr<ChildState> m_child;
    UniqueFd m_pidFd;
};

std::shared_ptr<ProcessObject> ProcessOf(HANDLE handle) {
    return std::dynamic_pointer_cast<ProcessObject>(GetKernelObject(handle));
}

bool EndsWithExe(const CString& name) {
    return name.GetLength() > 4 && name.Right(4).CompareNoCase(u".exe") == 0;
}

bool HasFolder(const CString& name) {
    return name.FindOneOf(u"\\/") >= 0;
}

bool IsAbsolute(const CString& name) {
    return !name.IsEmpty() &&
           (name[0] == u'\\' || name[0] == u'/' || (name.GetLength() > 1 && name[1] == u':'));
}

bool IsProgramFile(const fs::path& path) {
    std::error_code ec;
    return fs::is_regular_file(path, ec) && ::access(path.c_str(), X_OK) == 0;
}

// A name in a folder, matched ignoring case where the exact name is missing.
fs::path InFolder(const fs::path& folder, const CString& name) {
    return ToNativePath(FromNativePath(folder) + u"\\" + name);
}

fs::path CurrentFolder() {
    std::error_code ec;
    fs::path here = fs::current_path(ec);
    return ec ? fs::path(".") : here;
}

std::vector<fs::path> PathFolders() {
    std::vector<fs::path> folders;
    const char* env = std::getenv("PATH");
    std::string_view rest = env ? env : "";
    while (!rest.empty()) {
        const size_t colon = rest.find(':');
        std::string_view part = rest.substr(0, colon);
        if (!part.empty()) {
            folders.emplace_back(std::string(part));
        }
        rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
    return folders;
}

// The program file a name stands for: a name with a folder is taken relative to base; a bare
// name is looked for in base, the program folder and PATH. "X.exe" is also tried as "X".
std::optional<fs::path> FindProgram(const CString& name, const fs::path& base) {
    std::vector<CString> candidates{name};
    if (EndsWithExe(name)) {
        candidates.push_back(name.Left(name.GetLength() - 4));
    }
    std::vector<fs::path> folders;
    if (IsAbsolute(name)) {
        for (const CString& c : candidates) {
            if (fs::path p = ToNativePath(c); IsProgramFile(p)) {
                return p;
            }
        }
        return std::nullopt;
    }
    folders.push_back(base);
    if (!HasFolder(name)) {
        if (ExeFolder[0]) {
            folders.push_back(ToNativePath(ExeFolder));
        }
        for (fs::path& f : PathFolders()) {
            folders.push_back(std::move(f));
        }
    }
    for (const fs::path& folder : folders) {
        for (const CString& c : candidates) {
            if (fs::path p = InFolder(folder, c); IsProgramFile(p)) {
                return p;
            }
        }
    }
    return std::nullopt;
}

std::optional<fs::path> FindOnPath(const char* program) {
    for (const fs::path& folder : PathFolders()) {
        if (fs::path p = folder / program; IsProgramFile(p)) {
            return p;
        }
    }
    return std::nullopt;
}

// Starts program with the given arguments (argv[0] included) in folder (empty: ours).
// Returns the new process, or null with errno set.
std::shared_ptr<ProcessObject> Spawn(const fs::path& program, const std::vector<std::string>& args,
                                     const fs::path& folder, bool withThread,
                                     std::shared_ptr<ProcessObject>* thread) {
    std::vector<char*> argv;
    argv.reserve(args.size() + 1);
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
    posix_spawn_file_actions_init(&actions);
    posix_spawnattr_init(&attributes);
    if (!folder.empty()) {
        posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    }
    // The child starts with no blocked signals and default handlers, whatever this
    // program's threads have set up.
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF));

    auto state = std::make_shared<ChildState>();
    pid_t pid = 0;
    int error = 0;
    {
        // Registered before the reaper can run, so that OpenProcess finds it at once.
        ChildTable& table = Children();
        std::lock_guard lock(table.mutex);
        error = posix_spawn(&pid, program.c_str(), &actions, &attributes, argv.data(), environ);
        if (error == 0) {
            table.children[pid] = state;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (error != 0) {
        errno = error;
        return nullptr;
    }
    std::thread(Reap, pid, state).detach();
    if (withThread && thread) {
        *thread = std::make_shared<ProcessObject>(pid, state);
    }
    return std::make_shared<ProcessObject>(pid, std::move(state));
}

std::vector<std::string> Utf8Words(const std::vector<CString>& words) {
    std::vector<std::string> out;
    out.reserve(words.size());
    for (const CString& w : words) {
        out.push_back(w.ToUtf8());
    }
    return out;
}

// "http://...", "mailto:..." and the like; a drive letter ("C:") is no scheme.
bool IsWebAddress(const CString& file) {
    const int colon = file.Find(u':');
    if (colon < 2) {
        return false;
    }
    for (int i = 0; i < colon; ++i) {
        const WCHAR c = file[i];
        const bool letter = (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
        const bool other = (c >= u'0' && c <= u'9') || c == u'+' || c == u'-' || c == u'.';
        if (!letter && !(i > 0 && other)) {
            return false;
        }
    }
    return true;
}

int SpawnError() {
    switch (errno) {
    case EACCES:
    case EPERM:
        return SE_ERR_ACCESSDENIED;
    case ENOEXEC:
        return ERROR_BAD_FORMAT;
    default:
        return SE_ERR_FNF;
    }
}

HINSTANCE ResultValue(int value) {
    return reinterpret_cast<HINSTANCE>(static_cast<ULONG_PTR>(value));
}

class TokenObject final : public KernelObject {
public:
    bool Wait(DWORD) override { return false; }
};

HANDLE const kCurrentProcess = reinterpret_cast<HANDLE>(~ULONG_PTR{0});

} // namespace

std::vector<CString> SplitCommandLine(LPCWSTR commandLine) {
    std::vector<CString> words;
    if (!commandLine) {
        return words;
    }
    std::u16string_view line(commandLine);
    size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == u' ' || line[i] == u'\t')) {
            ++i;
        }
        if (i >= line.size()) {
            break;
        }
        std::u16string word;
        bool quoted = false;
        while (i < line.size() && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
            if (line[i] == u'\\') {
                size_t slashes = 0;
                while (i < line.size() && line[i] == u'\\') {
                    ++slashes;
                    ++i;
                }
                if (i < line.size() && line[i] == u'"') {
                    word.append(slashes / 2, u'\\');
                    if (slashes % 2 == 1) {
                        word += u'"';
                        ++i;
                    }
                } else {
                    word.append(slashes, u'\\');
                }
            } else if (line[i] == u'"') {
                if (quoted && i + 1 < line.size() && line[i + 1] == u'"') {
                    word += u'"'; // "" inside quotes is a literal quote
                    i += 2;
                } else {
                    quoted = !quoted;
                    ++i;
                }
            } else {
                word += line[i++];
            }
        }
        words.emplace_back(std::move(word));
    }
    return words;
}

CString ProgramImageName(LPCWSTR windowsName) {
    CString name(windowsName ? windowsName : u"");
    return EndsWithExe(name) ? name.Left(name.GetLength() - 4) : name;
}

BOOL CreateProcessW(LPCWSTR applicationName, WCHAR* commandLine, LPSECURITY_ATTRIBUTES,
                    LPSECURITY_ATTRIBUTES, BOOL, DWORD, LPVOID environment,
                    LPCWSTR currentDirectory, LPSTARTUPINFOW,
                    LPPROCESS_INFORMATION processInformation) {
    std::vector<CString> words = SplitCommandLine(commandLine);
    const bool hasApplication = applicationName && *applicationName;
    if (!processInformation || environment || (!hasApplication && words.empty())) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const CString program = hasApplication ? CString(applicationName) : words.front();
    if (words.empty()) {
        words.push_back(program);
    }
    std::optional<fs::path> file = FindProgram(program, CurrentFolder());
    if (!file) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return FALSE;
    }
    fs::path folder;
    if (currentDirectory && *currentDirectory) {
        folder = ToNativePath(currentDirectory);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            SetLastError(ERROR_DIRECTORY);
            return FALSE;
        }
    }
    std::shared_ptr<ProcessObject> thread;
    auto process = Spawn(*file, Utf8Words(words), folder, true, &thread);
    if (!process) {
        SetLastError(
            static_cast<DWORD>(errno == EACCES ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND));
        return FALSE;
    }
    processInformation->dwProcessId = static_cast<DWORD>(process->Pid());
    processInformation->dwThreadId = static_cast<DWORD>(process->Pid());
    processInformation->hProcess = MakeHandle(std::move(process));
    processInformation->hThread = MakeHandle(std::move(thread));
    return TRUE;
}

BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) {
    auto object = ProcessOf(process);
    if (!object || !exitCode) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *exitCode = object->ExitCode();
    return TRUE;
}

BOOL TerminateProcess(HANDLE process, UINT exitCode) {
    auto object = ProcessOf(process);
    if (!object) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!object->Terminate(exitCode)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    return TRUE;
}

HANDLE OpenProcess(DWORD, BOOL, DWORD processId) {
    const auto pid = static_cast<pid_t>(processId);
    if (pid <= 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    if (auto child = FindChild(pid)) {
        return MakeHandle(std::make_shared<ProcessObject>(pid, std::move(child)));
    }
    if (::kill(pid, 0) != 0) {
        SetLastError(
            static_cast<DWORD>(errno == EPERM ? ERROR_ACCESS_DENIED : ERROR_INVALID_PARAMETER));
        return nullptr;
    }
    return MakeHandle(std::make_shared<ProcessObject>(pid, nullptr));
}

BOOL QueryFullProcessImageNameW(HANDLE process, DWORD, WCHAR* buffer, DWORD* size) {
    pid_t pid = 0;
    if (process == kCurrentProcess) {
        pid = ::getpid();
    } else if (auto object = ProcessOf(process)) {
        pid = object->Pid();
    } else {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (!buffer || !size) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    // The program the process runs: a game under Wine's loader or a script under its
    // interpreter is named as that game or script (platform/base/ProcessProgram.h).
    const auto command = platform::ReadProcessCommand(static_cast<DWORD>(pid));
    if (!command) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }
    const std::string program = platform::ProgramOfCommand(*command);
    const CString name = !program.empty() && program.front() == '/'
                             ? FromNativePath(fs::path(program))
                             : CString(FromUtf8(program));
    const auto length = static_cast<DWORD>(name.GetLength());
    if (length + 1 > *size) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    std::copy_n(name.GetString(), length + 1, buffer);
    *size = length;
    return TRUE;
}

DWORD GetCurrentProcessId() {
    return static_cast<DWORD>(::getpid());
}

HANDLE GetCurrentProcess() {
    return kCurrentProcess;
}

BOOL ShellExecuteExW(SHELLEXECUTEINFOW* info) {
    if (!info) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->hProcess = nullptr;
    auto fail = [info](int result, DWORD error) {
        info->hInstApp = ResultValue(result);
        SetLastError(error);
        return FALSE;
    };
    if (!info->lpFile || !*info->lpFile) {
        return fail(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
    }
    if (info->lpVerb && *info->lpVerb && wcsicmp(info->lpVerb, u"open") != 0) {
        return fail(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
    }
    fs::path base = CurrentFolder();
    fs::path folder;
    if (info->lpDirectory && *info->lpDirectory) {
        folder = ToNativePath(info->lpDirectory);
        std::error_code ec;
        if (!fs::is_directory(folder, ec)) {
            return fail(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
        }
        base = folder;
    }

    const CString file(info->lpFile);
    std::shared_ptr<ProcessObject> process;
    if (!IsWebAddress(file)) {
        if (std::optional<fs::path> program = FindProgram(file, base)) {
            std::vector<std::string> args{program->string()};
            for (const std::string& a : Utf8Words(SplitCommandLine(info->lpParameters))) {
                args.push_back(a);
            }
            process = Spawn(*program, args, folder, false, nullptr);
            if (!process) {
                const int result = SpawnError();
                return fail(result, static_cast<DWORD>(result));
            }
        }
    }
    if (!process) {
        // A document or a web address: hand it to the desktop's opener.
        std::string target = file.ToUtf8();
        if (!IsWebAddress(file)) {
            const fs::path document = IsAbsolute(file) ? ToNativePath(file) : InFolder(base, file);
            std::error_code ec;
            if (!fs::exists(document, ec)) {
                return fail(SE_ERR_FNF, ERROR_FILE_NOT_FOUND);
            }
            target = document.string();
        }
        std::optional<fs::path> opener = FindOnPath("xdg-open");
        if (!opener) {
            return fail(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
        }
        process = Spawn(*opener, {opener->string(), target}, folder, false, nullptr);
        if (!process) {
            return fail(SE_ERR_NOASSOC, ERROR_NO_ASSOCIATION);
        }
    }
    info->hInstApp = ResultValue(42);
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS) {
        info->hProcess = MakeHandle(std::move(process));
    }
    return TRUE;
}

HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters,
                        LPCWSTR directory, int showCommand) {
    SHELLEXECUTEINFOW info;
    info.hwnd = hwnd;
    info.lpVerb = verb;
    info.lpFile = file;
    info.lpParameters = parameters;
    info.lpDirectory = directory;
    info.nShow = showCommand;
    ShellExecuteExW(&info);
    return info.hInstApp;
}

BOOL OpenProcessToken(HANDLE process, DWORD, HANDLE* token) {
    if (!token || (process != kCurrentProcess && !ProcessOf(process))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    *token = MakeHandle(std::make_shared<TokenObject>());
    return TRUE;
}

BOOL LookupPrivilegeValueW(LPCWSTR, LPCWSTR name, LUID* luid) {
    if (!name || !luid) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (wcsicmp(name, u"SeDebugPrivilege") != 0) {
        SetLastError(ERROR_NO_SUCH_PRIVILEGE);
        return FALSE;
    }
    luid->LowPart = 20;
    luid->HighPart = 0;
    return TRUE;
}

BOOL AdjustTokenPrivileges(HANDLE token, BOOL, TOKEN_PRIVILEGES*, DWORD, TOKEN_PRIVILEGES*,
                           DWORD* returnLength) {
    if (!std::dynamic_pointer_cast<TokenObject>(GetKernelObject(token))) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    if (returnLength) {
        *returnLength = 0;
    }
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}
