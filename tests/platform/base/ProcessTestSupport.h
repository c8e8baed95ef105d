#pragma once
// Shared pieces of the process and mutex tests: the helper program, waiting for files.

#include "platform/base/CString.h"
#include "platform/base/WideChar.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

inline CString HelperProgram() {
    return CString(FromUtf8(PROCESS_TEST_HELPER));
}

// A native path as text, for a child program's arguments.
inline CString NativeText(const std::filesystem::path& path) {
    return CString(FromUtf8(path.string()));
}

// A command-line word in double quotes (the paths used here hold no quotes).
inline CString Quoted(const CString& word) {
    return CString(u"\"") + word + u"\"";
}

inline std::string ReadText(const std::filesystem::path& file) {
    std::ifstream in(file);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Waits up to 10 s for a file to appear with a complete last line and returns its text
// (what there is when the time is up).
inline std::string WaitForFile(const std::filesystem::path& file) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    std::string text = ReadText(file);
    while ((text.empty() || text.back() != '\n') && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        text = ReadText(file);
    }
    return text;
}
