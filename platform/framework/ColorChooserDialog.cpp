#include "platform/framework/ColorChooserDialog.h"

#include "platform/base/CString.h"
#include "platform/framework/CPaintDC.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// The field groups: typing in one group sets the colour, which the other groups then show.
enum Group { kGroupNone, kGroupRgb, kGroupHsv, kGroupHex };

Group GroupOf(int id) {
    switch (id) {
    case CColorChooserDialog::kRed:
    case CColorChooserDialog::kGreen:
    case CColorChooserDialog::kBlue:
        return kGroupRgb;
    case CColorChooserDialog::kHue:
    case CColorChooserDialog::kSaturation:
    case CColorChooserDialog::kValue:
        return kGroupHsv;
    case CColorChooserDialog::kHex:
        return kGroupHex;
    default:
        return kGroupNone;
    }
}

struct Hsv {
    int hue = 0;        // 0..359 degrees
    int saturation = 0; // 0..100 %
    int value = 0;      // 0..100 %
};

Hsv ToHsv(COLORREF color) {
    const double r = GetRValue(color) / 255.0;
    const double g = GetGValue(color) / 255.0;
    const double b = GetBValue(color) / 255.0;
    const double high = std::max({r, g, b});
    const double low = std::min({r, g, b});
    const double range = high - low;
    double hue = 0;
    if (range > 0) {
        if (high == r) {
            hue = 60 * std::fmod((g - b) / range + 6, 6.0);
        } else if (high == g) {
            hue = 60 * ((b - r) / range + 2);
        } else {
            hue = 60 * ((r - g) / range + 4);
        }
    }
    Hsv out;
    out.hue = static_cast<int>(std::lround(hue)) % 360;
    out.saturation = high > 0 ? static_cast<int>(std::lround(100 * range / high)) : 0;
    out.value = static_cast<int>(std::lround(100 * high));
    return out;
}

COLORREF FromHsv(const Hsv& hsv) {
    const double value = hsv.value / 100.0;
    const double chroma = value * hsv.saturation / 100.0;
    const double sector = hsv.hue / 60.0;
    const double second = chroma * (1 - std::fabs(std::fmod(sector, 2.0) - 1));
    double r = 0;
    double g = 0;
    double b = 0;
    switch (static_cast<int>(sector) % 6) {
    case 0:
        r = chroma, g = second;
        break;
    case 1:
        r = second, g = chroma;
        break;
    case 2:
        g = chroma, b = second;
        break;
    case 3:
        g = second, b = chroma;
        break;
    case 4:
        r = second, b = chroma;
        break;
    default:
        r = chroma, b = second;
        break;
    }
    const double lift = value - chroma;
    auto part = [lift](double c) { return static_cast<BYTE>(std::lround(255 * (c + lift))); };
    return RGB(part(r), part(g), part(b));
}

DialogTemplate MakeTemplate() {
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
    t.cx = 196;
    t.cy = 120;
    t.title = u"Colour";
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD field = child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD number = field | ES_NUMBER;
    t.items = {
        {u"Static", u"Current", child, 0, 7, 6, 44, 9, 0},
        {u"Static", u"", child, 0, 7, 16, 44, 24, CColorChooserDialog::kCurrentSwatch},
        {u"Static", u"New", child, 0, 56, 6, 44, 9, 0},
        {u"Static", u"", child, 0, 56, 16, 44, 24, CColorChooserDialog::kNewSwatch},
        {u"Static", u"#RRGGBB:", child, 0, 108, 8, 40, 9, 0},
        {u"Edit", u"", field, 0, 148, 6, 41, 12, CColorChooserDialog::kHex},
        {u"Static", u"Red:", child, 0, 7, 52, 40, 9, 0},
        {u"Edit", u"", number, 0, 52, 50, 30, 12, CColorChooserDialog::kRed},
        {u"Static", u"Green:", child, 0, 7, 68, 40, 9, 0},
        {u"Edit", u"", number, 0, 52, 66, 30, 12, CColorChooserDialog::kGreen},
        {u"Static", u"Blue:", child, 0, 7, 84, 40, 9, 0},
        {u"Edit", u"", number, 0, 52, 82, 30, 12, CColorChooserDialog::kBlue},
        {u"Static", u"Hue:", child, 0, 108, 52, 40, 9, 0},
        {u"Edit", u"", number, 0, 159, 50, 30, 12, CColorChooserDialog::kHue},
        {u"Static", u"Saturation:", child, 0, 108, 68, 50, 9, 0},
        {u"Edit", u"", number, 0, 159, 66, 30, 12, CColorChooserDialog::kSaturation},
        {u"Static", u"Value:", child, 0, 108, 84, 40, 9, 0},
        {u"Edit", u"", number, 0, 159, 82, 30, 12, CColorChooserDialog::kValue},
        {u"Button", u"OK", child | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 84, 101, 50, 14, IDOK},
        {u"Button", u"Cancel", child | WS_TABSTOP, 0, 139, 101, 50, 14, IDCANCEL},
    };
    return t;
}

} // namespace

CColorChooserDialog::CColorChooserDialog(COLORREF initial, CWnd* parent)
    : m_template(MakeTemplate()), m_initial(initial & 0xFFFFFF), m_color(initial & 0xFFFFFF) {
    InitModalIndirect(&m_template, parent);
    m_currentBrush.CreateSolidBrush(m_initial);
    m_newBrush.CreateSolidBrush(m_color);
}

BOOL CColorChooserDialog::Choose(CHOOSECOLORW& request) {
    CColorChooserDialog dialog(request.rgbResult, CWnd::FromHandle(request.hwndOwner));
    if (dialog.DoModal() != IDOK) {
        return FALSE;
    }
    request.rgbResult = dialog.Color();
    return TRUE;
}

void CColorChooserDialog::Install() {
    platform::SetColorChooser(&CColorChooserDialog::Choose);
}

BOOL CColorChooserDialog::OnInitDialog() {
    CDialog::OnInitDialog();
    for (const int id : {kRed, kGreen, kBlue, kHue, kSaturation, kValue}) {
        ::SendMessageW(::GetDlgItem(m_hWnd, id), EM_SETLIMITTEXT, 3, 0);
    }
    ::SendMessageW(::GetDlgItem(m_hWnd, kHex), EM_SETLIMITTEXT, 7, 0);
    ShowColor(kGroupNone);
    CenterWindow();
    // The red field has the focus with its text selected, so typing replaces it.
    const HWND red = ::GetDlgItem(m_hWnd, kRed);
    ::SetFocus(red);
    ::SendMessageW(red, EM_SETSEL, 0, -1);
    return FALSE;
}

BOOL CColorChooserDialog::OnCommand(WPARAM wParam, LPARAM lParam) {
    if (HIWORD(wParam) == EN_CHANGE && GroupOf(LOWORD(wParam)) != kGroupNone) {
        if (!m_updating) {
            FieldChanged(LOWORD(wParam));
        }
        return TRUE;
    }
    return CDialog::OnCommand(wParam, lParam);
}

int CColorChooserDialog::ReadNumber(int id, int highest) const {
    CString text;
    GetDlgItemText(id, text);
    int value = 0;
    for (const WCHAR c : text.str()) {
        if (c < u'0' || c > u'9') {
            break;
        }
        value = std::min(value * 10 + (c - u'0'), 9999);
    }
    return std::min(value, highest);
}

void CColorChooserDialog::FieldChanged(int id) {
    const Group group = GroupOf(id);
    if (group == kGroupRgb) {
        auto part = [this](int field) { return static_cast<BYTE>(ReadNumber(field, 255)); };
        m_color = RGB(part(kRed), part(kGreen), part(kBlue));
    } else if (group == kGroupHsv) {
        m_color = FromHsv(
            Hsv{ReadNumber(kHue, 359), ReadNumber(kSaturation, 100), ReadNumber(kValue, 100)});
    } else {
        CString text;
        GetDlgItemText(kHex, text);
        std::u16string hex = text.str();
        if (!hex.empty() && hex.front() == u'#') {
            hex.erase(0, 1);
        }
        if (hex.size() != 6 ||
            hex.find_first_not_of(u"0123456789abcdefABCDEF") != std::u16string::npos) {
            return; // not a whole colour yet
        }
        const unsigned long rgb = std::stoul(std::string(hex.begin(), hex.end()), nullptr, 16);
        m_color =
            RGB(static_cast<BYTE>(rgb >> 16), static_cast<BYTE>(rgb >> 8), static_cast<BYTE>(rgb));
    }
    ShowColor(group);
}

void CColorChooserDialog::ShowColor(int changedGroup) {
    m_updating = true;
    auto setNumber = [this](int id, int value) {
        const std::string digits = std::to_string(value);
        SetDlgItemText(id, std::u16string(digits.begin(), digits.end()).c_str());
    };
    if (changedGroup != kGroupRgb) {
        setNumber(kRed, GetRValue(m_color));
        setNumber(kGreen, GetGValue(m_color));
        setNumber(kBlue, GetBValue(m_color));
    }
    if (changedGroup != kGroupHsv) {
        const Hsv hsv = ToHsv(m_color);
        setNumber(kHue, hsv.hue);
        setNumber(kSaturation, hsv.saturation);
        setNumber(kValue, hsv.value);
    }
    if (changedGroup != kGroupHex) {
        char hex[8];
        std::snprintf(hex, sizeof hex, "#%02X%02X%02X", GetRValue(m_color), GetGValue(m_color),
                      GetBValue(m_color));
        SetDlgItemText(kHex, std::u16string(hex, hex + 7).c_str());
    }
    m_updating = false;
    m_newBrush.DeleteObject();
    m_newBrush.CreateSolidBrush(m_color);
    ::InvalidateRect(::GetDlgItem(m_hWnd, kNewSwatch), nullptr, TRUE);
}

BOOL CColorChooserDialog::OnEraseBkgnd(CDC* dc) {
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::FillRect(dc->GetSafeHdc(), &client, m_face);
    return TRUE;
}

void CColorChooserDialog::OnPaint() {
    CPaintDC dc(this);
    RECT client{};
    ::GetClientRect(m_hWnd, &client);
    ::FrameRect(dc.GetSafeHdc(), &client, m_frame);
    for (const int id : {kCurrentSwatch, kNewSwatch, kRed, kGreen, kBlue, kHue, kSaturation, kValue,
                         kHex, static_cast<int>(IDOK), static_cast<int>(IDCANCEL)}) {
        const HWND child = ::GetDlgItem(m_hWnd, id);
        RECT box{};
        if (child == nullptr || !::GetWindowRect(child, &box)) {
            continue;
        }
        ::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<LPPOINT>(&box), 2);
        box = {box.left - 1, box.top - 1, box.right + 1, box.bottom + 1};
        ::FrameRect(dc.GetSafeHdc(), &box, m_frame);
    }
}

HBRUSH CColorChooserDialog::OnCtlColor(CDC* dc, CWnd* wnd, UINT /*ctlColor*/) {
    const HWND control = wnd != nullptr ? wnd->GetSafeHwnd() : nullptr;
    if (control != nullptr && control == ::GetDlgItem(m_hWnd, kCurrentSwatch)) {
        return m_currentBrush;
    }
    if (control != nullptr && control == ::GetDlgItem(m_hWnd, kNewSwatch)) {
        return m_newBrush;
    }
    const bool field = GroupOf(::GetDlgCtrlID(control)) != kGroupNone;
    ::SetBkColor(dc->GetSafeHdc(), field ? RGB(0xFF, 0xFF, 0xFF) : RGB(0xEC, 0xEC, 0xEC));
    ::SetTextColor(dc->GetSafeHdc(), RGB(0, 0, 0));
    return field ? static_cast<HBRUSH>(m_field) : static_cast<HBRUSH>(m_face);
}
