#include "gui/GUIPanel.h"

#include "gui/BitmapRegion.h"
#include "gui/LangTable.h"
#include "gui/SkinFile.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/framework/CPaintDC.h"
#include "platform/gdi/Gdi.h"
#include "platform/ui/MessageBox.h"

namespace {

// The item with that id when it is a panel bitmap.
CPanelBitmap* FindPanelBitmap(const CGUIItemList& items, int id) {
    CGUIItem* item = FindGUIItemById(items, id);
    if (item == nullptr || item->type != GUIITEM_PANELBITMAP) {
        return nullptr;
    }
    return dynamic_cast<CPanelBitmap*>(item);
}

} // namespace

CGUIPanel::CGUIPanel(const WCHAR* skinFileName, UINT dialogTemplateId, CWnd* parentWnd)
    : CDialog(dialogTemplateId, parentWnd), parent(parentWnd),
      skinFile(skinFileName == nullptr ? u"" : skinFileName) {}

CGUIPanel::CGUIPanel(CWnd* parentWnd, const RECT& panelRect, UINT dialogTemplateId)
    : CDialog(dialogTemplateId, parentWnd), parent(parentWnd), rect(panelRect) {}

CGUIPanel::~CGUIPanel() {
    background = nullptr;
    mask = nullptr;
    DeleteGUIItems(items);
}

namespace {

// The text of a language key, or the fallback when the current table has none (a broken or
// missing language file must not leave the user with a bare key).
CString TextOr(const WCHAR* key, const WCHAR* fallback) {
    CString text;
    return CLangTable::Lookup(CurrentLangTable, text, key) ? text : CString(fallback);
}

} // namespace

void ReportSkinProblem(CWnd* owner, const WCHAR* textKey, const std::vector<CString>& files) {
    CString text = TextOr(textKey, u"A file of the program's skin could not be read.");
    text += u"\n";
    for (const CString& file : files) {
        text += u"\n";
        text += CString(FromUtf8(ToNativePath(file).string()).c_str());
    }
    MessageBoxW(owner != nullptr ? owner->GetSafeHwnd() : nullptr, text,
                TextOr(u"$ProblemCaption", u"Tolvi Borvanta 5600"), MB_OK | MB_ICONERROR);
}

INT_PTR CGUIPanel::DoModal() {
    skinProblem.Empty();
    const INT_PTR result = CDialog::DoModal();
    if (result == -1 && refuseBrokenSkin && !skinProblem.IsEmpty()) {
        // A main window that was not made has already asked its loop to end: the message box
        // runs first, and the request is put back afterwards.
        MSG quit{};
        const bool quitting = PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE;
        ReportSkinProblem(parent, skinProblemText, {skinProblem});
        if (quitting) {
            PostQuitMessage(static_cast<int>(quit.wParam));
        }
        return IDCANCEL;
    }
    return result;
}

int CGUIPanel::OnCreate(LPCREATESTRUCTW cs) {
    skinProblem.Empty();
    if (!skinFile.IsEmpty()) {
        // A window made again on the same object loads its skin afresh: the items of the
        // earlier window go first, or the list would hold the skin twice.
        background = nullptr;
        mask = nullptr;
        DeleteGUIItems(items);
        LoadSkinFile(items, skinFile, this, skinProblem);
        // A modal run is refused and DoModal tells the user; a modeless panel is made, its
        // maker reads skinProblem.
        if (!skinProblem.IsEmpty() && refuseBrokenSkin && m_modal) {
            return -1;
        }
        background = FindPanelBitmap(items, 0);
        if (background != nullptr) {
            const SIZE size = background->GetSize();
            rect.right = size.cx;
            rect.bottom = size.cy;
            MoveWindow(0, 0, size.cx, size.cy, TRUE);
        }
        mask = FindPanelBitmap(items, 1);
        if (mask != nullptr) {
            region = BitmapToRegion(mask->GetBitmapHandle());
            if (region != nullptr && SetWindowRgn(region, TRUE) == 0) {
                DeleteObject(region);
                region = nullptr;
            }
        }
    } else {
        MoveWindow(0, 0, rect.right - rect.left, rect.bottom - rect.top, TRUE);
    }
    loaded = true;
    return CDialog::OnCreate(cs);
}

void CGUIPanel::OnPaint() {
    CPaintDC dc(this);
    if (!loaded || background == nullptr || background->GetBitmapCopy() == nullptr) {
        return;
    }
    RECT client{};
    GetClientRect(&client);
    CDC memory;
    if (!memory.CreateCompatibleDC(&dc)) {
        return;
    }
    HGDIOBJ old = ::SelectObject(memory.GetSafeHdc(), ToGdiObj(background->GetBitmapCopy()));
    dc.BitBlt(0, 0, client.right - client.left, client.bottom - client.top, &memory, 0, 0, SRCCOPY);
    ::SelectObject(memory.GetSafeHdc(), old);
}

void CGUIPanel::OnDestroy() {
    CDialog::OnDestroy();
    // The bitmaps go with the window; the items stay in the list until the destructor, and
    // their handles are cleared so that nothing releases them twice.
    if (background != nullptr) {
        background->DeleteBitmap();
    }
    if (mask != nullptr) {
        mask->DeleteBitmap();
    }
    region = nullptr; // the window freed it
    loaded = false;
}

BOOL CPopupBox::OnInitDialog() {
    BindItems();
    return CGUIPanel::OnInitDialog();
}
