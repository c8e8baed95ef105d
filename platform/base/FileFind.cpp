#include "platform/base/FileFind.h"

#include "platform/base/Path.h"
#include "platform/base/WideChar.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace {

struct FoundFile {
    std::u16string name;
    DWORD attributes = 0;
    std::uint64_t size = 0;
};

struct Search {
    std::vector<FoundFile> files;
    size_t next = 0;
};

// Open searches; a handle is valid only while its search is in this set.
std::mutex g_searchMutex;
std::set<Search*>& OpenSearches() {
    static std::set<Search*> searches;
    return searches;
}

// Matches a name against a pattern of '*' and '?' ignoring letter case.
bool Matches(std::u16string_view pattern, std::u16string_view name) {
    size_t p = 0;
    size_t n = 0;
    size_t starP = std::u16string_view::npos;
    size_t starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == u'*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == u'?' || FoldCase(pattern[p]) == FoldCase(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::u16string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == u'*') {
        ++p;
    }
    return p == pattern.size();
}

bool FoldedLess(const std::u16string& a, const std::u16string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const WCHAR fa = FoldCase(a[i]);
        const WCHAR fb = FoldCase(b[i]);
        if (fa != fb) {
            return fa < fb;
        }
    }
    if (a.size() != b.size()) {
        return a.size() < b.size();
    }
    return a < b;
}

void Fill(const FoundFile& file, LPWIN32_FIND_DATAW data) {
    *data = WIN32_FIND_DATAW{};
    data->dwFileAttributes = file.attributes;
    data->nFileSizeHigh = static_cast<DWORD>(file.size >> 32);
    data->nFileSizeLow = static_cast<DWORD>(file.size & 0xFFFFFFFFu);
    wcscpy_s(data->cFileName, MAX_PATH, file.name.c_str());
}

DWORD AttributesOf(const std::filesystem::directory_entry& entry, const std::u16string& name) {
    std::error_code ec;
    DWORD attributes = 0;
    if (entry.is_directory(ec)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    if (!name.empty() && name.front() == u'.') {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    const auto perms = entry.status(ec).permissions();
    if (!ec && (perms & std::filesystem::perms::owner_write) == std::filesystem::perms::none) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}

} // namespace

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
    if (pattern == nullptr || data == nullptr || *pattern == 0) {
        return INVALID_HANDLE_VALUE;
    }
    const std::u16string full(pattern);
    const size_t sep = full.find_last_of(u"\\/");
    const std::u16string folderPart = sep == std::u16string::npos ? u"" : full.substr(0, sep + 1);
    const std::u16string namePattern = sep == std::u16string::npos ? full : full.substr(sep + 1);
    if (namePattern.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    std::filesystem::path folder =
        folderPart.empty() ? std::filesystem::path(".") : ToNativePath(folderPart.c_str());
    if (folder.empty()) {
        folder = ".";
    }

    auto search = std::make_unique<Search>();
    std::error_code ec;
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        std::u16string name = FromUtf8(it->path().filename().string());
        if (name == u"." || name == u".." || name.size() >= MAX_PATH ||
            !Matches(namePattern, name)) {
            continue;
        }
        FoundFile file;
        file.attributes = AttributesOf(*it, name);
        std::error_code sizeError;
        if ((file.attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            const auto size = it->file_size(sizeError);
            file.size = sizeError ? 0 : size;
        }
        file.name = std::move(name);
        search->files.push_back(std::move(file));
    }
    if (search->files.empty()) {
        return INVALID_HANDLE_VALUE;
    }
    std::sort(search->files.begin(), search->files.end(),
              [](const FoundFile& a, const FoundFile& b) { return FoldedLess(a.name, b.name); });
    Fill(search->files[0], data);
    search->next = 1;
    Search* raw = search.release();
    const std::lock_guard<std::mutex> guard(g_searchMutex);
    OpenSearches().insert(raw);
    return raw;
}

BOOL FindNextFileW(HANDLE handle, LPWIN32_FIND_DATAW data) {
    const std::lock_guard<std::mutex> guard(g_searchMutex);
    auto* search = static_cast<Search*>(handle);
    if (data == nullptr || OpenSearches().count(search) == 0 ||
        search->next >= search->files.size()) {
        return FALSE;
    }
    Fill(search->files[search->next++], data);
    return TRUE;
}

BOOL FindClose(HANDLE handle) {
    const std::lock_guard<std::mutex> guard(g_searchMutex);
    auto* search = static_cast<Search*>(handle);
    if (OpenSearches().erase(search) == 0) {
        return FALSE;
    }
    delete search;
    return TRUE;
}

BOOL DeleteFileW(LPCWSTR fileName) {
    if (fileName == nullptr || *fileName == 0) {
        return FALSE;
    }
    const std::filesystem::path path = ToNativePath(fileName);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(std::filesystem::symlink_status(path, ec)) &&
        !std::filesystem::is_symlink(std::filesystem::symlink_status(path, ec))) {
        return FALSE;
    }
    return std::filesystem::remove(path, ec) && !ec ? TRUE : FALSE;
}

DWORD GetFileAttributesW(LPCWSTR fileName) {
    if (fileName == nullptr || *fileName == 0) {
        return INVALID_FILE_ATTRIBUTES;
    }
    const std::filesystem::path path = ToNativePath(fileName);
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        return INVALID_FILE_ATTRIBUTES;
    }
    DWORD attributes = 0;
    if (std::filesystem::is_directory(status)) {
        attributes |= FILE_ATTRIBUTE_DIRECTORY;
    }
    if ((status.permissions() & std::filesystem::perms::owner_write) ==
        std::filesystem::perms::none) {
        attributes |= FILE_ATTRIBUTE_READONLY;
    }
    const std::u16string name = FromUtf8(path.filename().string());
    if (!name.empty() && name.front() == u'.') {
        attributes |= FILE_ATTRIBUTE_HIDDEN;
    }
    return attributes == 0 ? FILE_ATTRIBUTE_NORMAL : attributes;
}
