#pragma once
// A fresh, empty temporary folder for one test, removed with everything in it afterwards.

#include "platform/base/CString.h"
#include "platform/base/Path.h"

#include <atomic>
#include <filesystem>
#include <string>
#include <unistd.h>

class TempFolder {
public:
    TempFolder() {
        static std::atomic<int> counter{0};
        m_path = std::filesystem::temp_directory_path() /
                 ("borvanta-test-" + std::to_string(::getpid()) + "-" +
                  std::to_string(counter.fetch_add(1)));
        std::filesystem::remove_all(m_path);
        std::filesystem::create_directories(m_path);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }

    const std::filesystem::path& Native() const { return m_path; }
    // The folder in the system's backslash form, with a trailing backslash.
    CString Path() const { return FromNativePath(m_path) + u"\\"; }
    // A file in the folder, in backslash form.
    CString File(const char16_t* name) const { return Path() + name; }

private:
    std::filesystem::path m_path;
};
