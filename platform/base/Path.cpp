#include "platform/base/Path.h"

#include "platform/base/WideChar.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>
#include <unistd.h>
#include <utility>

WCHAR ExeFolder[MAX_PATH] = {};

namespace {

bool IsSeparator(WCHAR c) {
    return c == u'\\' || c == u'/';
}

int CopyPart(WCHAR* dst, size_t size, const WCHAR* begin, const WCHAR* end) {
    if (dst == nullptr) {
        return 0;
    }
    const auto len = static_cast<size_t>(end - begin);
    if (len >= size) {
        return ERANGE;
    }
    for (size_t i = 0; i < len; ++i) {
        dst[i] = begin[i];
    }
    dst[len] = 0;
    return 0;
}

// Finds an entry of folder whose name equals name ignoring case.
std::filesystem::path FindIgnoringCase(const std::filesystem::path& folder,
                                       const std::string& name) {
    std::error_code ec;
    const std::u16string wanted = FromUtf8(name);
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string candidate = it->path().filename().string();
        if (_wcsicmp(FromUtf8(candidate).c_str(), wanted.c_str()) == 0) {
            return folder / candidate;
        }
    }
    return folder / name;
}

} // namespace

DWORD GetModuleFileNameW(HMODULE, WCHAR* buffer, DWORD size) {
    if (buffer == nullptr || size == 0) {
        return 0;
    }
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) {
        buffer[0] = 0;
        return 0;
    }
    const CString path = FromNativePath(exe);
    wcscpy_s(buffer, size, path.GetString());
    return static_cast<DWORD>(wcslen(buffer));
}

void InitExeFolder() {
    WCHAR module[MAX_PATH] = {};
    WCHAR drive[3] = {};
    WCHAR dir[256] = {};
    if (GetModuleFileNameW(nullptr, module, MAX_PATH) == 0 ||
        _wsplitpath_s(module, drive, 3, dir, 256, nullptr, 0, nullptr, 0) != 0) {
        ExeFolder[0] = 0;
        return;
    }
    _wmakepath_s(ExeFolder, MAX_PATH, drive, dir, nullptr, nullptr);
}

void SetExeFolder(const std::filesystem::path& folder) {
    CString s = FromNativePath(folder);
    if (s.IsEmpty() || s[s.GetLength() - 1] != u'\\') {
        s += u'\\';
    }
    wcscpy_s(ExeFolder, MAX_PATH, s.GetString());
}

int _wsplitpath_s(const WCHAR* path, WCHAR* drive, size_t driveSize, WCHAR* dir, size_t dirSize,
                  WCHAR* fname, size_t fnameSize, WCHAR* ext, size_t extSize) {
    if (path == nullptr) {
        return EINVAL;
    }
    const WCHAR* p = path;
    const WCHAR* end = path + wcslen(path);
    const WCHAR* driveEnd = p;
    if (end - p >= 2 && p[1] == u':') {
        driveEnd = p + 2;
    }
    const WCHAR* lastSep = nullptr;
    for (const WCHAR* q = driveEnd; q < end; ++q) {
        if (IsSeparator(*q)) {
            lastSep = q;
        }
    }
    const WCHAR* dirEnd = lastSep == nullptr ? driveEnd : lastSep + 1;
    const WCHAR* dot = nullptr;
    for (const WCHAR* q = dirEnd; q < end; ++q) {
        if (*q == u'.') {
            dot = q;
        }
    }
    const WCHAR* nameEnd = dot == nullptr ? end : dot;
    int rc = CopyPart(drive, driveSize, p, driveEnd);
    if (rc == 0) {
        rc = CopyPart(dir, dirSize, driveEnd, dirEnd);
    }
    if (rc == 0) {
        rc = CopyPart(fname, fnameSize, dirEnd, nameEnd);
    }
    if (rc == 0) {
        rc = CopyPart(ext, extSize, nameEnd, end);
    }
    if (rc != 0) {
        for (auto [buf, sz] : {std::pair{drive, driveSize}, std::pair{dir, dirSize},
                               std::pair{fname, fnameSize}, std::pair{ext, extSize}}) {
            if (buf != nullptr && sz > 0) {
                buf[0] = 0;
            }
        }
    }
    return rc;
}

int _wmakepath_s(WCHAR* path, size_t size, const WCHAR* drive, const WCHAR* dir, const WCHAR* fname,
                 const WCHAR* ext) {
    if (path == nullptr || size == 0) {
        return EINVAL;
    }
    std::u16string s;
    if (drive != nullptr && *drive != 0) {
        s += drive[0];
        s += u':';
    }
    if (dir != nullptr && *dir != 0) {
        s += dir;
        if (!IsSeparator(s.back())) {
            s += u'\\';
        }
    }
    if (fname != nullptr) {
        s += fname;
    }
    if (ext != nullptr && *ext != 0) {
        if (*ext != u'.') {
            s += u'.';
        }
        s += ext;
    }
    if (s.size() >= size) {
        path[0] = 0;
        return ERANGE;
    }
    return wcscpy_s(path, size, s.c_str());
}

std::filesystem::path ToNativePath(const WCHAR* path) {
    if (path == nullptr) {
        return {};
    }
    std::u16string s(path);
    if (s.size() >= 2 && s[1] == u':') {
        s.erase(0, 2);
    }
    for (auto& c : s) {
        if (c == u'\\') {
            c = u'/';
        }
    }
    const std::string utf8 = ToUtf8(s);
    std::filesystem::path native(utf8);
    std::error_code ec;
    if (std::filesystem::exists(native, ec)) {
        return native;
    }
    // Walk the components, replacing each missing one by an entry that matches ignoring case.
    std::filesystem::path result;
    bool first = true;
    for (const auto& part : native) {
        if (first) {
            result = part;
            first = false;
            continue;
        }
        const std::string name = part.string();
        if (name.empty() || name == "." || name == "..") {
            result /= part;
            continue;
        }
        const std::filesystem::path exact = result / part;
        result = std::filesystem::exists(exact, ec) ? exact : FindIgnoringCase(result, name);
    }
    if (!utf8.empty() && utf8.back() == '/' && !result.empty()) {
        result /= "";
    }
    return result;
}

std::filesystem::path ToNativePath(const CString& path) {
    return ToNativePath(path.GetString());
}

CString FromNativePath(const std::filesystem::path& path) {
    CString s(FromUtf8(path.string()));
    s.Replace(u'/', u'\\');
    return s;
}

BOOL SetCurrentDirectoryW(const WCHAR* path) {
    std::error_code ec;
    std::filesystem::current_path(ToNativePath(path), ec);
    return ec ? FALSE : TRUE;
}

DWORD GetCurrentDirectoryW(DWORD size, WCHAR* buffer) {
    std::error_code ec;
    const auto cwd = std::filesystem::current_path(ec);
    if (ec) {
        return 0;
    }
    const CString s = FromNativePath(cwd);
    if (buffer == nullptr || static_cast<DWORD>(s.GetLength()) >= size) {
        return static_cast<DWORD>(s.GetLength() + 1);
    }
    wcscpy_s(buffer, size, s.GetString());
    return static_cast<DWORD>(s.GetLength());
}

void PathStripPathW(WCHAR* path) {
    if (!path) {
        return;
    }
    const WCHAR* name = path;
    for (const WCHAR* p = path; *p; ++p) {
        if (*p == u'\\' || *p == u'/' || *p == u':') {
            name = p + 1;
        }
    }
    if (name != path) {
        std::char_traits<WCHAR>::move(path, name, std::char_traits<WCHAR>::length(name) + 1);
    }
}

bool platform::IsWritableFolder(const std::filesystem::path& folder) {
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) {
        return false;
    }
    // A file is made and removed again: permission bits alone do not tell (a privileged user
    // passes them, a read-only or virtual file system refuses anyway).
    std::string probe = (folder / ".write-probe-XXXXXX").string();
    const int fd = ::mkstemp(probe.data());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    ::unlink(probe.c_str());
    return true;
}

std::filesystem::path platform::UserDocumentsFolder() {
    namespace fs = std::filesystem;
    const char* homeValue = std::getenv("HOME");
    const fs::path home = homeValue != nullptr ? fs::path(homeValue) : fs::path();
    const char* configValue = std::getenv("XDG_CONFIG_HOME");
    const fs::path config = configValue != nullptr && *configValue == '/'
                                ? fs::path(configValue)
                                : (home.empty() ? fs::path() : home / ".config");
    if (!config.empty()) {
        // Lines of the form XDG_DOCUMENTS_DIR="$HOME/Documents" (or an absolute path).
        std::ifstream dirs(config / "user-dirs.dirs");
        std::string line;
        while (std::getline(dirs, line)) {
            static constexpr std::string_view key = "XDG_DOCUMENTS_DIR=";
            if (line.rfind(key, 0) != 0) {
                continue;
            }
            std::string value = line.substr(key.size());
            if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
                value = value.substr(1, value.size() - 2);
            }
            fs::path folder;
            if (value.rfind("$HOME", 0) == 0 && !home.empty()) {
                folder = home.string() + value.substr(5);
            } else if (!value.empty() && value.front() == '/') {
                folder = value;
            }
            std::error_code error;
            if (!folder.empty() && fs::is_directory(folder, error)) {
                return folder.lexically_normal();
            }
        }
    }
    return home;
}
