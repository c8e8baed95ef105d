#pragma once
// A throw-away program folder for skin tests: xml\, skins\, fonts\ and lang\ below a
// temporary folder that ExeFolder points at, with helpers to write skin files into it.

#include "gui/LangTable.h"
#include "gui/SkinResourceCache.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/framework/CWnd.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <unistd.h>
#include <vector>

namespace skintest {

// Text as UTF-16LE bytes without a byte-order mark, as language files hold it.
inline std::vector<BYTE> Utf16Le(const std::u16string& text) {
    std::vector<BYTE> out;
    for (char16_t c : text) {
        out.push_back(static_cast<BYTE>(c & 0xFF));
        out.push_back(static_cast<BYTE>(c >> 8));
    }
    return out;
}

// A window's rectangle in its host's client coordinates.
inline RECT WindowRectIn(const CWnd& window, const CWnd& host) {
    RECT rc{};
    window.GetWindowRect(&rc);
    host.ScreenToClient(&rc);
    return rc;
}

inline std::string Le16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string Le32(std::uint32_t v) {
    return Le16(static_cast<std::uint16_t>(v & 0xFFFF)) + Le16(static_cast<std::uint16_t>(v >> 16));
}

// A 32-bit bottom-up BMP file whose pixel (x, y) is colour(x, y) as 0x00RRGGBB.
inline std::string MakeBmp(int width, int height,
                           const std::function<std::uint32_t(int, int)>& colour) {
    const auto pixelBytes = static_cast<std::uint32_t>(width * height * 4);
    std::string out = "BM" + Le32(54 + pixelBytes) + Le32(0) + Le32(54);
    out += Le32(40) + Le32(static_cast<std::uint32_t>(width)) +
           Le32(static_cast<std::uint32_t>(height)) + Le16(1) + Le16(32) + Le32(0) +
           Le32(pixelBytes) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            out += Le32(colour(x, y) & 0xFFFFFF);
        }
    }
    return out;
}

inline std::string Utf16File(const std::u16string& text) {
    std::string out = "\xFF\xFE";
    for (char16_t c : text) {
        out += Le16(c);
    }
    return out;
}

class ProgramFolder {
public:
    ProgramFolder() {
        InitNameTables();
        m_root = std::filesystem::temp_directory_path() /
                 ("skin_test_" + std::to_string(::getpid()) + "_" + std::to_string(++Counter()));
        for (const char* sub : {"xml", "skins", "fonts", "lang"}) {
            std::filesystem::create_directories(m_root / sub);
        }
        SetExeFolder(m_root);
        SkinResourceCache::Clear();
    }
    ~ProgramFolder() {
        SkinResourceCache::Clear();
        LanguageTableMap.clear();
        CurrentLangTable = nullptr;
        std::filesystem::remove_all(m_root);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    void Write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(m_root / relative, std::ios::binary) << bytes;
    }
    void Remove(const std::string& relative) const { std::filesystem::remove(m_root / relative); }
    const std::filesystem::path& Root() const { return m_root; }

private:
    static int& Counter() {
        static int counter = 0;
        return counter;
    }
    std::filesystem::path m_root;
};

} // namespace skintest
