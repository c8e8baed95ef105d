#include "gui/SkinText.h"

#include "gui/LangTable.h"
#include "platform/framework/CToolTipCtrl.h"

void ApplySkinCaps(CString& text, int caps) {
    if (caps == 1) {
        text.MakeUpper();
    } else if (caps == 2) {
        text.MakeLower();
    }
}

CString LookupSkinText(const WCHAR* key, bool* found) {
    CString out;
    const bool hit = key != nullptr && CLangTable::Lookup(CurrentLangTable, out, key);
    if (found) {
        *found = hit;
    }
    if (hit) {
        return out;
    }
    return key == nullptr ? CString() : CString(key);
}

void ReplaceFirstNewline(CString& text) {
    const int at = text.Find(u"\\n");
    if (at >= 0) {
        text.SetAt(at, u'\r');
        text.SetAt(at + 1, u'\n');
    }
}

CString SkinToolTipText(const WCHAR* text) {
    CString shown = LookupSkinText(text);
    const int at = shown.Find(u'\\');
    if (at >= 0) {
        shown.SetAt(at, u' ');
        if (at + 1 < shown.GetLength()) {
            shown.Delete(at + 1);
        }
    }
    return shown;
}

void EnsureSkinToolTip(CToolTipCtrl& tooltip, CWnd* owner) {
    if (tooltip.GetSafeHwnd() == nullptr && tooltip.Create(owner, 0)) {
        tooltip.Activate(FALSE);
    }
}

void SetSkinToolTip(CToolTipCtrl& tooltip, CWnd* owner, const CString& text) {
    EnsureSkinToolTip(tooltip, owner);
    if (tooltip.GetSafeHwnd() == nullptr) {
        return;
    }
    if (tooltip.GetToolCount() == 0) {
        RECT client{};
        owner->GetClientRect(&client);
        tooltip.AddTool(owner, text.GetString(), &client, 1);
    }
    tooltip.UpdateTipText(text.GetString(), owner, 1);
    tooltip.Activate(TRUE);
}

BOOL CreateFallbackFont(CFont& font) {
    return font.CreateFont(14, 0, 0, 0, 700, FALSE, FALSE, FALSE, 0, 0, 0, 0, 0x20, u"Arial");
}
