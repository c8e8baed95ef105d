// Every text of our skin fits its place in every language: each skin file is loaded into a
// window in each of the nine languages (with the fonts that language draws with), and each
// caption, label, header, list entry and stage heading is laid out with the widget's own
// font and text format in the area the widget draws it in. A text that would be cut off, or
// that would wrap into more lines than its element holds, fails with its place and sizes.
// The same holds for the platform's standard dialogs (colour and file choosers, message boxes)
// that the programs make speak their language.
#include "gui/BitmapBtn.h"
#include "gui/BitmapWindow.h"
#include "gui/DPIStageWindow.h"
#include "gui/DropdownListItem.h"
#include "gui/FontItem.h"
#include "gui/LangTable.h"
#include "gui/ListPanelItem.h"
#include "gui/SkinFile.h"
#include "gui/SkinResourceCache.h"
#include "gui/TextItem.h"
#include "gui/XListCtrl.h"
#include "gui/xml/PugXmlParser.h"
#include "model/ButtonAssignment.h"
#include "model/NameTables.h"
#include "platform/base/CStringArray.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/framework/ColorChooserDialog.h"
#include "platform/framework/FileChooserDialog.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/Clock.h"
#include "platform/ui/CommDlg.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageBox.h"
#include "platform/ui/MessageLoop.h"
#include "platform/ui/StandardText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::filesystem::path kProgram = BORVANTA_PROGRAM_DIR;

// Pixels a centred button caption keeps free at each end (the face's rounded edge).
constexpr int kButtonPadding = 4;

// One text where a widget draws it: the area, the font and the DrawText format.
struct Placement {
    std::string where;
    CString text;
    HFONT font = nullptr;
    RECT area{};
    UINT format = 0;
    // Pixels each line takes beyond the font's height (the rows of a list).
    int lineGap = 0;
};

std::string Name(int id) {
    const WCHAR* name = LookupName(SkinItemNameMap, id);
    return name != nullptr ? ToUtf8(name) : std::to_string(id);
}

HFONT FontOf(CFont* font) {
    return font != nullptr ? static_cast<HFONT>(*font) : nullptr;
}

// The texts a loaded skin shows, with the places its widgets draw them.
class PlacementCollector {
public:
    explicit PlacementCollector(std::vector<Placement>& out) : m_out(out) {}

    void Collect(const CGUIItemList& items) {
        for (int i = 0; i < items.GetCount(); ++i) {
            CGUIItem* item = items.GetAt(i);
            if (auto* button = dynamic_cast<CBitmapBtn*>(item)) {
                AddButton(*button);
            } else if (auto* label = dynamic_cast<CTextItem*>(item)) {
                AddLabel(*label, label->GetText());
            } else if (auto* window = dynamic_cast<CBitmapWindow*>(item)) {
                AddBitmapWindow(*window);
            } else if (auto* dropdown = dynamic_cast<CDropdownListItem*>(item)) {
                AddDropdown(*dropdown);
            } else if (auto* panel = dynamic_cast<CListPanelItem*>(item)) {
                AddListPanel(*panel);
            } else if (auto* list = dynamic_cast<CXListCtrl*>(item)) {
                AddHeader(*list);
            } else if (auto* stage = dynamic_cast<CDPIStageWindow*>(item)) {
                AddStage(*stage);
            }
        }
    }

    // A caption the program gives a button at run time.
    void AddButton(CBitmapBtn& button, const WCHAR* caption) {
        const CString saved = button.caption;
        button.SetCaption(caption, 0);
        AddButton(button);
        button.caption = saved;
    }

    // A text the program gives a label at run time.
    void AddLabel(CTextItem& label, const CString& text) {
        if (text.IsEmpty() || label.m_hWnd == nullptr) {
            return;
        }
        RECT client{};
        label.GetClientRect(&client);
        Placement p{Name(label.id), text, FontOf(label.font), client, label.textFormat};
        if (p.format == 0) {
            // Drawn with TextOut 5 pixels right and 2 below the item's corner.
            p.area = RECT{5, 2, client.right, client.bottom};
            p.format = DT_SINGLELINE | DT_NOPREFIX;
        }
        m_out.push_back(p);
    }

    // Entries the program puts into a drop-down at run time.
    void AddDropdownEntries(CDropdownListItem& dropdown, const CStringArray& keys) {
        for (int k = 0; k < keys.GetSize(); ++k) {
            AddDropdownText(dropdown, TranslateText(keys[k].GetString()));
        }
    }

private:
    void AddButton(CBitmapBtn& button) {
        if (button.caption.IsEmpty() || button.m_hWnd == nullptr) {
            return;
        }
        RECT client{};
        button.GetClientRect(&client);
        client.left += kButtonPadding;
        client.right -= kButtonPadding;
        // Words are never broken inside: a word too long for the face is a fault.
        m_out.push_back(Placement{Name(button.id), button.caption, FontOf(button.font), client,
                                  button.textFormat & ~DT_EDITCONTROL});
    }

    void AddBitmapWindow(CBitmapWindow& window) {
        if (window.caption.IsEmpty() || window.m_hWnd == nullptr || window.textFormat == 0) {
            return;
        }
        RECT client{};
        window.GetClientRect(&client);
        m_out.push_back(Placement{Name(window.id), window.caption, FontOf(window.font), client,
                                  window.textFormat});
    }

    void AddDropdownText(CDropdownListItem& dropdown, const CString& text) {
        RECT client{};
        dropdown.GetClientRect(&client);
        // The field's text area: left of the arrow's square, inside the border.
        const int border = dropdown.borderWidth;
        const RECT area{client.left + 2 + border, client.top + border,
                        client.right - client.bottom - border, client.bottom - border};
        m_out.push_back(Placement{Name(dropdown.id) + " entry", text, FontOf(dropdown.font), area,
                                  DT_SINGLELINE | DT_NOPREFIX});
    }

    void AddDropdown(CDropdownListItem& dropdown) {
        for (const DropdownEntry& entry : dropdown.entries) {
            AddDropdownText(dropdown, TranslateText(entry.text.GetString()));
        }
    }

    void AddListPanel(CListPanelItem& panel) {
        // Each row is drawn from twice the border in, with the border on the right.
        const RECT area{2 * panel.borderWidth, 0, panel.width - panel.borderWidth, 40};
        CString rows;
        for (const DropdownEntry& entry : panel.entries) {
            const CString text = TranslateText(entry.text.GetString());
            m_out.push_back(Placement{Name(panel.id) + " entry", text, FontOf(panel.font), area,
                                      DT_SINGLELINE | DT_NOPREFIX});
            rows += rows.IsEmpty() ? text : CString(u"\n") + text;
        }
        // A menu's rows, a pixel more than the font high each, all show above its border.
        if (!rows.IsEmpty()) {
            const RECT list{0, 0, 10000, panel.defaultHeight - panel.borderWidth};
            m_out.push_back(Placement{Name(panel.id) + " rows", rows, FontOf(panel.font), list,
                                      DT_NOPREFIX, 1});
        }
    }

    void AddHeader(CXListCtrl& list) {
        CXHeaderCtrl& header = list.header;
        if (header.m_hWnd == nullptr) {
            return;
        }
        for (int i = 0; i < header.GetItemCount(); ++i) {
            RECT r{};
            header.GetItemRect(i, &r);
            WCHAR text[128]{};
            HDITEMW item;
            item.mask = HDI_TEXT | HDI_IMAGE;
            item.pszText = text;
            item.cchTextMax = 128;
            header.GetItem(i, &item);
            if (text[0] == 0) {
                continue;
            }
            // As the header draws it: after the mark (when it shows one) or 4 pixels in.
            r.left += item.iImage >= 0 ? 2 + header.imageWidth + 6 : 4;
            // Without a font of its own the header draws in the DC's, the system font.
            HFONT font = header.font != nullptr ? header.font : GetStockFont(SYSTEM_FONT);
            m_out.push_back(Placement{Name(list.id) + " header " + std::to_string(i),
                                      TranslateText(text), font, r, DT_SINGLELINE | DT_NOPREFIX});
        }
    }

    void AddStage(CDPIStageWindow& stage) {
        const RECT heading = stage.GetAreaRect(CDPIStageWindow::AREA_HEADING);
        if (!stage.GetHeading().IsEmpty()) {
            m_out.push_back(Placement{Name(stage.id) + " heading",
                                      TranslateText(stage.GetHeading().GetString()), stage.font,
                                      heading, stage.textFormat | DT_CENTER});
        }
        for (const auto area :
             {CDPIStageWindow::AREA_DPI, CDPIStageWindow::AREA_DPIX, CDPIStageWindow::AREA_DPIY}) {
            const CString& text = stage.GetAreaText(area);
            if (!text.IsEmpty()) {
                m_out.push_back(Placement{Name(stage.id) + " label",
                                          TranslateText(text.GetString()), stage.font,
                                          stage.GetAreaRect(area), stage.textFormat});
            }
        }
    }

    std::vector<Placement>& m_out;
};

// What is wrong with a text in its place; empty when it fits.
std::string Misfit(const Placement& p) {
    HDC dc = CreateCompatibleDC(nullptr);
    if (p.font == nullptr) {
        // Every text of our skin names a font of its skin file, in each language the font
        // that language draws with; a missing one falls back to a font of no language.
        return p.where + " \"" + p.text.ToUtf8() + "\" has no font of its skin";
    }
    HGDIOBJ old = SelectObject(dc, ToGdiObj(p.font));
    const int width = p.area.right - p.area.left;
    const int height = p.area.bottom - p.area.top;
    RECT need{0, 0, width, height};
    const UINT format =
        (p.format & ~(DT_VCENTER | DT_BOTTOM | DT_CENTER | DT_RIGHT)) | DT_CALCRECT | DT_NOPREFIX;
    DrawTextW(dc, p.text.GetString(), -1, &need, format);
    if (p.lineGap != 0) {
        need.bottom +=
            p.lineGap *
            static_cast<LONG>(std::count(p.text.str().begin(), p.text.str().end(), u'\n') + 1);
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    if (need.right <= width && need.bottom <= height) {
        return {};
    }
    std::ostringstream out;
    out << p.where << " \"" << p.text.ToUtf8() << "\" needs " << need.right << " x " << need.bottom
        << " in " << width << " x " << height;
    return out.str();
}

class TextFit : public ::testing::Test {
protected:
    void SetUp() override {
        InitNameTables();
        BuildDefaultAssignments();
        SetExeFolder(kProgram);
        SkinResourceCache::Clear();
        ASSERT_TRUE(LoadSkinFile(m_languages, u"Language.xml", nullptr));
        ASSERT_TRUE(m_host.CreateEx(0, nullptr, u"", WS_POPUP | WS_VISIBLE, 0, 0, 700, 500, nullptr,
                                    nullptr));
    }
    void TearDown() override {
        m_host.DestroyWindow();
        platform::PumpUntilIdle();
        CurrentLangTable = nullptr;
        LanguageTableMap.clear();
        SkinResourceCache::Clear();
    }

    // The texts of one skin file in the current language, with those the programs add to
    // its widgets at run time, laid out while the skin's fonts live; what does not fit.
    std::vector<std::string> MisfitsOf(const std::filesystem::path& file, int& checked) {
        std::vector<Placement> found;
        CGUIItemList items;
        LoadSkinFile(items, FromNativePath(file.filename()).GetString(), &m_host);
        PlacementCollector collector(found);
        collector.Collect(items);
        AddRunTimeTexts(file.filename().string(), items, collector);
        std::vector<std::string> misfits;
        for (const Placement& p : found) {
            ++checked;
            if (std::string misfit = Misfit(p); !misfit.empty()) {
                misfits.push_back(std::move(misfit));
            }
        }
        DeleteGUIItems(items);
        return misfits;
    }

    static void AddRunTimeTexts(const std::string& file, const CGUIItemList& items,
                                PlacementCollector& collector) {
        auto item = [&items](const WCHAR* name) {
            return FindGUIItemById(items, static_cast<int>(FindSkinItemId(name)));
        };
        auto heading = [&](std::initializer_list<const WCHAR*> keys) {
            if (auto* text = dynamic_cast<CTextItem*>(item(u"TEXT_WARNDLG_HEADING"))) {
                for (const WCHAR* key : keys) {
                    collector.AddLabel(*text, TranslateText(key));
                }
            }
        };
        if (file == "AssignButtons.xml") {
            for (int button = 1; button <= 11; ++button) {
                const auto id = static_cast<ButtonId>(button);
                auto* dropdown = dynamic_cast<CDropdownListItem*>(item(GetButtonSkinItemName(id)));
                ASSERT_NE(dropdown, nullptr) << button;
                CStringArray keys;
                GetAllowedAssignmentKeys(keys, id);
                collector.AddDropdownEntries(*dropdown, keys);
            }
        } else if (file == "AdvancedMacroPopup.xml") {
            CStringArray edit;
            CStringArray window;
            for (const auto& [id, key] : CommandKeyMap) {
                (edit.GetSize() < 9 ? edit : window).Add(key);
            }
            for (auto [name, keys] : {std::pair{u"LIST_GLOBAL_BASIC_COMMANDS", &edit},
                                      std::pair{u"LIST_GLOBAL_ADDITIONAL_COMMANDS", &window}}) {
                auto* dropdown = dynamic_cast<CDropdownListItem*>(item(name));
                ASSERT_NE(dropdown, nullptr);
                collector.AddDropdownEntries(*dropdown, *keys);
            }
        } else if (file == "ManageMacros.xml") {
            auto* record = dynamic_cast<CBitmapBtn*>(item(u"BUTTON_MACRO_RECORD"));
            ASSERT_NE(record, nullptr);
            collector.AddButton(*record, u"$Stop");
        } else if (file == "ProfileLimitReachedPopup.xml") {
            heading({u"$CreateProfile", u"$Copy", u"$ImportProfile"});
        } else if (file == "ImporttProfileWarningPopup.xml") {
            heading({u"$ImportProfile"});
        } else if (file == "ProfileFileFailedPopup.xml") {
            heading({u"$ExportFailedHeading", u"$ImportFailedHeading"});
        } else if (file == "MouseStatePopup.xml") {
            heading({u"$MouseStateDamaged", u"$MouseStateReadOnly", u"$MouseStateNewer"});
        } else if (file == "PreviewPopup.xml") {
            // Each line starts with the text of a button's kind.
            auto* line = dynamic_cast<CTextItem*>(item(u"TEXT_PREVIEW_01"));
            ASSERT_NE(line, nullptr);
            for (const auto& [kind, key] : AssignmentKeyMap) {
                collector.AddLabel(*line, TranslateText(key));
            }
        }
    }

    platform::HeadlessDisplay m_display{800, 600};
    CGUIItemList m_languages;
    CWnd m_host;
};

} // namespace

TEST_F(TextFit, EveryTextFitsItsPlaceInEveryLanguage) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(kProgram / "xml")) {
        if (entry.path().extension() == ".xml" && entry.path().filename() != "Language.xml") {
            files.push_back(entry.path());
        }
    }
    std::sort(files.begin(), files.end());
    ASSERT_GE(files.size(), 20u);
    int checked = 0;
    for (LONG language = 320; language <= 328; ++language) {
        ASSERT_EQ(LanguageTableMap.count(language), 1u) << language;
        CurrentLangTable = LanguageTableMap[language];
        const std::string languageName = ToUtf8(LookupName(LanguageNameMap, language));
        for (const auto& file : files) {
            for (const std::string& misfit : MisfitsOf(file, checked)) {
                ADD_FAILURE() << languageName << " " << file.filename().string() << ": " << misfit;
            }
        }
    }
    // Every language saw the captions, labels and entries of every page and popup.
    EXPECT_GT(checked, 9 * 300);
}

namespace {

// A standard dialog's title in its caption bar (six pixels kept free at each end), the captions
// of its statics and buttons in their controls (a button keeps two pixels each side for its
// frame), and every control inside the dialog.
void CollectDialog(HWND dialog, const std::string& where, std::vector<Placement>& out,
                   std::vector<std::string>& outside) {
    RECT client{};
    GetClientRect(dialog, &client);
    WCHAR title[256] = {};
    GetWindowTextW(dialog, title, 256);
    out.push_back(Placement{where + " title", title, GetStockFont(DEFAULT_GUI_FONT),
                            RECT{0, 0, client.right - 12, 100}, DT_SINGLELINE, 0});
    for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT box{};
        GetWindowRect(child, &box);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&box), 2);
        const int id = GetDlgCtrlID(child);
        if (box.left < client.left || box.top < client.top || box.right > client.right ||
            box.bottom > client.bottom) {
            outside.push_back(where + ": control " + std::to_string(id) + " leaves the dialog");
        }
        WCHAR kind[32] = {};
        GetClassNameW(child, kind, 32);
        const std::u16string className = kind;
        WCHAR text[256] = {};
        GetWindowTextW(child, text, 256);
        const bool button = className == u"Button";
        if ((!button && className != u"Static") || text[0] == 0 ||
            id == platform::kMessageBoxTextId || id == CFileChooserDialog::kFolderText) {
            continue; // fields, lists, the message box's text (laid out to fit) and a path
        }
        Placement p;
        p.where = where + " control " + std::to_string(id);
        p.text = text;
        p.font = reinterpret_cast<HFONT>(SendMessageW(child, WM_GETFONT, 0, 0));
        GetClientRect(child, &p.area);
        if (button) {
            p.area.left += 2;
            p.area.right -= 2;
        }
        p.format = DT_SINGLELINE;
        out.push_back(p);
    }
}

} // namespace

TEST_F(TextFit, TheStandardDialogsFitTheirTextsInEveryLanguage) {
    platform::ScopedVirtualClock clock;
    InstallLanguageTextProvider();
    CColorChooserDialog::Install();
    CFileChooserDialog::Install();
    std::string where;
    std::vector<Placement> found;
    std::vector<std::string> outside;
    platform::SetModalIdleHook([&](HWND dialog) {
        CollectDialog(dialog, where, found, outside);
        EndDialog(dialog, IDCANCEL);
    });
    for (LONG language = 320; language <= 328; ++language) {
        ASSERT_EQ(LanguageTableMap.count(language), 1u) << language;
        CurrentLangTable = LanguageTableMap[language];
        const std::string name = ToUtf8(LookupName(LanguageNameMap, language));
        where = name + " colour chooser";
        CHOOSECOLORW color;
        EXPECT_FALSE(ChooseColorW(&color));
        for (const BOOL save : {TRUE, FALSE}) {
            where = name + (save ? " save dialog" : " open dialog");
            WCHAR file[MAX_PATH] = {};
            OPENFILENAMEW request;
            request.lpstrFile = file;
            request.nMaxFile = MAX_PATH;
            EXPECT_FALSE(save ? GetSaveFileNameW(&request) : GetOpenFileNameW(&request));
        }
        for (const UINT type : {MB_OKCANCEL, MB_YESNOCANCEL, MB_ABORTRETRYIGNORE}) {
            where = name + " message box " + std::to_string(type);
            MessageBoxW(nullptr, u"?", nullptr, type | MB_ICONWARNING);
        }
    }
    platform::SetModalIdleHook(nullptr);
    platform::SetColorChooser(nullptr);
    platform::SetFileChooser(nullptr);
    platform::SetStandardTextProvider(nullptr);
    std::set<std::u16string> texts;
    for (const Placement& p : found) {
        texts.insert(p.text.str());
        if (std::string misfit = Misfit(p); !misfit.empty()) {
            ADD_FAILURE() << misfit;
        }
    }
    for (const std::string& problem : outside) {
        ADD_FAILURE() << problem;
    }
    // Every dialog was seen in every language, in the language's own words.
    EXPECT_GE(found.size(), 9u * 25);
    EXPECT_GT(texts.size(), 100u) << texts.size();
}
