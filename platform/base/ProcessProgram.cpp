#include "platform/base/ProcessProgram.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <sstream>
#include <string_view>

#include <unistd.h>

namespace fs = std::filesystem;

namespace platform {

namespace {

constexpr std::array<std::string_view, 4> kWineLoaders = {"wine", "wine64", "wine-preloader",
                                                          "wine64-preloader"};

// An interpreter family: its executable names (a name may carry a version: "python3.11"),
// the options that give inline code (then the interpreter is the program), that name the
// program in their value, and that take a value to be skipped.
struct Interpreter {
    std::initializer_list<std::string_view> names;
    std::initializer_list<std::string_view> inlineCode;
    std::initializer_list<std::string_view> programOption;
    std::initializer_list<std::string_view> valueOptions;
};

const Interpreter kInterpreters[] = {
    {{"python", "pypy"}, {"-c"}, {"-m"}, {"-W", "-X"}},
    {{"perl"}, {"-e", "-E"}, {}, {}},
    {{"ruby"}, {"-e"}, {}, {"-I", "-r"}},
    {{"node", "nodejs"}, {"-e", "--eval", "-p", "--print"}, {}, {"-r", "--require"}},
    {{"lua", "luajit"}, {"-e"}, {}, {"-l"}},
    {{"sh", "bash", "dash", "zsh", "ksh"}, {"-c"}, {}, {"-o", "-O"}},
    {{"mono", "mono-sgen"}, {}, {}, {}},
    {{"java"}, {}, {"-jar"}, {"-cp", "-classpath", "--class-path", "-p", "--module-path"}},
};

bool Contains(std::initializer_list<std::string_view> list, std::string_view word) {
    return std::find(list.begin(), list.end(), word) != list.end();
}

// "python3.11" is a "python": the name, then only digits and dots.
bool NamesFamily(std::string_view executable, std::initializer_list<std::string_view> names) {
    for (std::string_view name : names) {
        if (executable.starts_with(name) &&
            std::all_of(executable.begin() + static_cast<std::ptrdiff_t>(name.size()),
                        executable.end(),
                        [](char c) { return (c >= '0' && c <= '9') || c == '.'; })) {
            return true;
        }
    }
    return false;
}

bool IsWindowsPath(const std::string& path) {
    const bool drive = path.size() >= 2 && path[1] == ':' &&
                       ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
    return drive || path.find('\\') != std::string::npos;
}

std::string Absolute(const std::string& path, const std::string& folder) {
    if (path.empty() || path.front() == '/' || IsWindowsPath(path) || folder.empty()) {
        return path;
    }
    return (fs::path(folder) / path).lexically_normal().string();
}

// The program that the interpreter's arguments name; empty: the interpreter itself.
std::string ScriptOf(const Interpreter& interpreter, const ProcessCommand& command,
                     bool* isModule) {
    const auto& args = command.arguments;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word == "--") {
            return i + 1 < args.size() ? args[i + 1] : std::string();
        }
        if (word.empty() || word.front() != '-' || word == "-") {
            return word == "-" ? std::string() : word; // "-": the program comes on stdin
        }
        if (Contains(interpreter.inlineCode, word)) {
            return {};
        }
        if (Contains(interpreter.programOption, word)) {
            *isModule = word == "-m";
            return i + 1 < args.size() ? args[i + 1] : std::string();
        }
        if (Contains(interpreter.valueOptions, word)) {
            ++i;
        }
    }
    return {};
}

std::string ReadAll(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string ReadLink(const fs::path& link) {
    std::error_code error;
    const fs::path target = fs::read_symlink(link, error);
    return error ? std::string() : target.string();
}

} // namespace

std::string ProgramBaseName(const std::string& path) {
    const size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ProgramOfCommand(const ProcessCommand& command) {
    const std::string executable = ProgramBaseName(command.executable);
    if (std::find(kWineLoaders.begin(), kWineLoaders.end(), executable) != kWineLoaders.end()) {
        const std::string first = command.arguments.empty() ? std::string() : command.arguments[0];
        const std::string firstName = ProgramBaseName(first);
        const bool namesLoader =
            first.empty() ||
            std::find(kWineLoaders.begin(), kWineLoaders.end(), firstName) != kWineLoaders.end();
        if (!namesLoader) {
            return Absolute(first, command.folder);
        }
        for (size_t i = 1; i < command.arguments.size(); ++i) {
            const std::string& word = command.arguments[i];
            if (!word.empty() && word.front() != '-') {
                return Absolute(word, command.folder);
            }
        }
        return command.executable;
    }
    for (const Interpreter& interpreter : kInterpreters) {
        if (!NamesFamily(executable, interpreter.names)) {
            continue;
        }
        bool isModule = false;
        const std::string script = ScriptOf(interpreter, command, &isModule);
        if (script.empty()) {
            return command.executable;
        }
        return isModule ? script : Absolute(script, command.folder);
    }
    return command.executable;
}

std::optional<ProcessCommand> ReadProcessCommand(DWORD processId) {
    const fs::path dir = fs::path("/proc") / std::to_string(processId);
    ProcessCommand command;
    command.executable = ReadLink(dir / "exe");
    if (command.executable.empty()) {
        return std::nullopt;
    }
    static constexpr std::string_view deleted = " (deleted)";
    if (command.executable.ends_with(deleted)) {
        command.executable.resize(command.executable.size() - deleted.size());
    }
    const std::string line = ReadAll(dir / "cmdline");
    for (size_t start = 0; start < line.size();) {
        const size_t end = std::min(line.find('\0', start), line.size());
        command.arguments.push_back(line.substr(start, end - start));
        start = end + 1;
    }
    command.folder = ReadLink(dir / "cwd");
    return command;
}

namespace {

// The display a DISPLAY value names, without its screen (":1.0" and ":1" are one display).
std::string DisplayOnly(std::string value) {
    const size_t colon = value.rfind(':');
    const size_t dot = value.find('.', colon == std::string::npos ? 0 : colon);
    if (colon != std::string::npos && dot != std::string::npos) {
        value.resize(dot);
    }
    return value;
}

} // namespace

bool IsProcessOfThisDesktop(DWORD processId) {
    const fs::path dir = fs::path("/proc") / std::to_string(processId);
    // The real user, second field of "Uid:".
    std::istringstream status(ReadAll(dir / "status"));
    std::string line;
    bool sameUser = false;
    while (std::getline(status, line)) {
        if (line.rfind("Uid:", 0) == 0) {
            std::istringstream fields(line.substr(4));
            unsigned long uid = 0;
            sameUser = (fields >> uid) && uid == static_cast<unsigned long>(getuid());
            break;
        }
    }
    if (!sameUser) {
        return false;
    }
    // Its environment as it started; another user's could not be read anyway.
    const std::string environment = ReadAll(dir / "environ");
    std::optional<std::string> display;
    for (size_t start = 0; start < environment.size();) {
        const size_t end = std::min(environment.find('\0', start), environment.size());
        const std::string_view entry(environment.data() + start, end - start);
        if (entry.starts_with("DISPLAY=")) {
            display = std::string(entry.substr(8));
        }
        start = end + 1;
    }
    const char* ours = std::getenv("DISPLAY");
    const bool oursSet = ours != nullptr && *ours != 0;
    const bool theirsSet = display.has_value() && !display->empty();
    if (oursSet != theirsSet) {
        return false;
    }
    return !oursSet || DisplayOnly(*display) == DisplayOnly(ours);
}

bool IsProgramFile(const fs::path& file) {
    std::error_code error;
    const fs::file_status status = fs::status(file, error);
    if (error || !fs::is_regular_file(status)) {
        return false;
    }
    if ((status.permissions() & (fs::perms::owner_exec | fs::perms::group_exec |
                                 fs::perms::others_exec)) != fs::perms::none) {
        return true;
    }
    std::string extension = file.extension().string();
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; });
    static constexpr std::array<std::string_view, 12> kExtensions = {
        ".exe", ".bat", ".com", ".py", ".pyw", ".pl", ".rb", ".js", ".lua", ".sh", ".jar", ".mjs"};
    if (std::find(kExtensions.begin(), kExtensions.end(), extension) != kExtensions.end()) {
        return true;
    }
    std::ifstream in(file, std::ios::binary);
    char head[2] = {};
    return in.read(head, 2) && head[0] == '#' && head[1] == '!';
}

} // namespace platform
