#pragma once
// Test support for the configurator's popups: a throw-away program folder with popup skins
// written by the test, minimal creators for the skin elements the popups use (registered for
// the length of a test, the earlier ones restored afterwards), and a script that acts inside
// the popup's modal loop.

#include "gui/BitmapBtn.h"
#include "gui/LangTable.h"
#include "gui/SkinFile.h"
#include "gui/SkinResourceCache.h"
#include "gui/TextItem.h"
#include "model/NameTables.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/WinUser.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace popuptest {

inline std::string Le16(std::uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}
inline std::string Le32(std::uint32_t v) {
    return Le16(static_cast<std::uint16_t>(v & 0xFFFF)) + Le16(static_cast<std::uint16_t>(v >> 16));
}

// A 32-bit bottom-up BMP file of one colour (0x00RRGGBB).
inline std::string SolidBmp(int width, int height, std::uint32_t colour) {
    const auto pixelBytes = static_cast<std::uint32_t>(width * height * 4);
    std::string out = "BM" + Le32(54 + pixelBytes) + Le32(0) + Le32(54);
    out += Le32(40) + Le32(static_cast<std::uint32_t>(width)) +
           Le32(static_cast<std::uint32_t>(height)) + Le16(1) + Le16(32) + Le32(0) +
           Le32(pixelBytes) + Le32(2835) + Le32(2835) + Le32(0) + Le32(0);
    for (int i = 0; i < width * height; ++i) {
        out += Le32(colour & 0xFFFFFF);
    }
    return out;
}

// ExeFolder points at a temporary folder with xml\ and skins\ for the length of its life.
class ProgramFolder {
public:
    ProgramFolder() {
        InitNameTables();
        static int counter = 0;
        m_root = std::filesystem::temp_directory_path() /
                 ("popup_test_" + std::to_string(::getpid()) + "_" + std::to_string(++counter));
        std::filesystem::create_directories(m_root / "xml");
        std::filesystem::create_directories(m_root / "skins");
        SetExeFolder(m_root);
        SkinResourceCache::Clear();
    }
    ~ProgramFolder() {
        SkinResourceCache::Clear();
        std::filesystem::remove_all(m_root);
    }
    ProgramFolder(const ProgramFolder&) = delete;
    ProgramFolder& operator=(const ProgramFolder&) = delete;

    void Write(const std::string& relative, const std::string& bytes) const {
        std::ofstream(m_root / relative, std::ios::binary) << bytes;
    }

private:
    std::filesystem::path m_root;
};

// The window rectangle of an item whose RECT gives left, top, width and height.
inline RECT ItemWindowRect(const SkinElementContext& c) {
    const RECT r = ReadSkinRect(c.firstRect, 0);
    return RECT{r.left, r.top, r.left + r.right, r.top + r.bottom};
}

template <class Item>
std::unique_ptr<CGUIItem> Finish(std::unique_ptr<Item> item, int id, const SkinElementContext& c) {
    const RECT r = ItemWindowRect(c);
    item->SetRect(r.left, r.top, r.right - r.left, r.bottom - r.top);
    item->id = id;
    item->hwnd = item->m_hWnd;
    item->parent = c.parent;
    return item;
}

// Minimal stand-ins for the skin's element creators: the widget on its rectangle with its
// text, nothing more (no pictures, fonts or colours). Edit fields are made by the skin's own
// creator.
inline std::unique_ptr<CGUIItem> TestButton(const SkinElementContext& c) {
    const int id = ReadSkinItemId(c.element);
    if (id == -1) {
        return nullptr;
    }
    auto button = std::make_unique<CBitmapBtn>();
    if (!button->Create(u"", WS_CHILD | WS_VISIBLE | BS_OWNERDRAW, ItemWindowRect(c), c.parent,
                        0)) {
        return nullptr;
    }
    button->SetCaption(c.element.FindAttribute(u"caption").GetValue(), 0);
    button->type = GUIITEM_BITMAPBTN;
    return Finish(std::move(button), id, c);
}

inline std::unique_ptr<CGUIItem> TestText(const SkinElementContext& c) {
    const int id = ReadSkinItemId(c.element);
    if (id == -1) {
        return nullptr;
    }
    auto text = std::make_unique<CTextItem>(c.element.FindAttribute(u"textkey").GetValue());
    if (!text->Create(u"", WS_CHILD | WS_VISIBLE | SS_OWNERDRAW, ItemWindowRect(c), c.parent,
                      static_cast<UINT>(id))) {
        return nullptr;
    }
    return Finish(std::move(text), id, c);
}

// Registers the stand-ins for the life of the object and puts back what was there before.
// With onlyMissing, an element that already has a creator keeps it.
class TestCreators {
public:
    explicit TestCreators(bool onlyMissing = false) : m_onlyMissing(onlyMissing) {
        Register(u"BUTTON", &TestButton);
        Register(u"TEXTITEM", &TestText);
    }
    ~TestCreators() {
        for (auto& [name, earlier] : m_earlier) {
            RegisterSkinElementCreator(name.c_str(), earlier);
        }
    }
    TestCreators(const TestCreators&) = delete;
    TestCreators& operator=(const TestCreators&) = delete;

private:
    void Register(const WCHAR* name, SkinElementCreator creator) {
        if (m_onlyMissing && FindSkinElementCreator(name)) {
            return;
        }
        m_earlier.emplace_back(name, RegisterSkinElementCreator(name, std::move(creator)));
    }
    bool m_onlyMissing;
    std::vector<std::pair<std::u16string, SkinElementCreator>> m_earlier;
};

// Runs the steps one per idle turn of the innermost modal loop; once they are used up the
// dialog is ended with -99, so that a popup that ends too late fails the test instead of
// hanging it.
class Script {
public:
    explicit Script(std::vector<std::function<void(HWND)>> steps) : m_steps(std::move(steps)) {
        platform::SetModalIdleHook([this](HWND dialog) {
            if (m_next < m_steps.size()) {
                m_steps[m_next++](dialog);
            } else {
                EndDialog(dialog, -99);
            }
        });
    }
    ~Script() { platform::SetModalIdleHook(nullptr); }
    Script(const Script&) = delete;
    Script& operator=(const Script&) = delete;

    size_t StepsRun() const { return m_next; }

private:
    std::vector<std::function<void(HWND)>> m_steps;
    size_t m_next = 0;
};

// A language table from key and text pairs, as a language file gives them.
inline bool ParseLanguage(CLangTable& table, const std::u16string& pairs) {
    const std::u16string text = u"Test\r\n1\r\n" + pairs + u"END OF FILE\r\n";
    std::vector<BYTE> bytes;
    for (char16_t ch : text) {
        bytes.push_back(static_cast<BYTE>(ch & 0xFF));
        bytes.push_back(static_cast<BYTE>(ch >> 8));
    }
    return CLangTable::Parse(bytes.size(), bytes.data(), &table);
}

} // namespace popuptest
