// Loads arbitrary file contents as a skin file onto a window of the headless display (so the
// widgets are created, sized and painted), in a program folder where some resource names are
// folders, as a hostile skin author might arrange them; a language file's overrides take part
// through the current language table, which the input may also fill with its LANGLIST.
#include "gui/GUIItem.h"
#include "gui/LangTable.h"
#include "gui/SkinFile.h"
#include "gui/SkinResourceCache.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/framework/CWnd.h"
#include "platform/ui/Display.h"
#include "platform/ui/MessageLoop.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

namespace {

std::string Le(std::uint32_t v, int bytes) {
    std::string out;
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
    return out;
}

// A 2 x 2 32-bit BMP file of one colour.
std::string SmallBmp(std::uint32_t colour) {
    std::string out = "BM" + Le(54 + 16, 4) + Le(0, 4) + Le(54, 4);
    out += Le(40, 4) + Le(2, 4) + Le(2, 4) + Le(1, 2) + Le(32, 2) + Le(0, 4) + Le(16, 4) +
           Le(2835, 4) + Le(2835, 4) + Le(0, 4) + Le(0, 4);
    for (int i = 0; i < 4; ++i) {
        out += Le(colour, 4);
    }
    return out;
}

const std::filesystem::path& ProgramFolder() {
    static const std::filesystem::path root = [] {
        const auto dir = std::filesystem::temp_directory_path() /
                         ("fuzz_skinfile_" + std::to_string(::getpid()));
        for (const char* sub : {"xml", "skins/folder.bmp", "fonts/folder.ttf", "lang/folder.txt"}) {
            std::filesystem::create_directories(dir / sub);
        }
        std::ofstream(dir / "skins" / "bg.bmp", std::ios::binary) << SmallBmp(0x0000FF);
        std::ofstream(dir / "skins" / "mask.bmp", std::ios::binary) << SmallBmp(0);
        std::ofstream(dir / "lang" / "English.txt", std::ios::binary)
            << std::string("\xFF\xFE"
                           "E\0\r\0\n\0-\0\r\0\n\0K\0\r\0\n\0T\0\r\0\n\0",
                           26);
        InitNameTables();
        SetExeFolder(dir);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ProgramFolder(), ec);
        });
        return dir;
    }();
    return root;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::filesystem::path file = ProgramFolder() / "xml" / "Fuzz.xml";
    std::ofstream(file, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    static platform::HeadlessDisplay display(320, 240);
    CWnd host;
    if (!host.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 200, 150, nullptr, nullptr)) {
        return 0;
    }
    CGUIItemList items;
    LoadSkinFile(items, u"Fuzz.xml", &host);
    // A language table the input made becomes current and the skin is read again with its
    // overrides, as the programs read their pages after choosing the language.
    if (!LanguageTableMap.empty()) {
        CurrentLangTable = LanguageTableMap.begin()->second;
        CGUIItemList again;
        LoadSkinFile(again, u"Fuzz.xml", &host);
        platform::PumpUntilIdle(1000);
        DeleteGUIItems(again);
    }
    platform::PumpUntilIdle(1000);
    DeleteGUIItems(items);
    host.DestroyWindow();
    platform::PumpUntilIdle(1000);
    LanguageTableMap.clear();
    CurrentLangTable = nullptr;
    SkinResourceCache::Clear();
    return 0;
}
