#include "platform/framework/ColorChooserDialog.h"

#include "platform/base/CString.h"
#include "platform/framework/CPaintDC.h"
#include "platform/ui/StandardText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <string>
#include <utility>

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

// The dialog's texts are in the program's language (platform/ui/StandardText.h); the labels,
// swatches and buttons are as wide as the longest of their texts needs, at least as wide as
// the English ones.
DialogTemplate MakeTemplate() {
    using platform::GetStandardText;
    using platform::StandardText;
    DialogTemplate t;
    t.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_SETFONT | DS_MODALFRAME;
    t.title = GetStandardText(StandardText::ColorTitle);
    const auto text = [](StandardText id) { return GetStandardText(id); };
    const auto widest = [&t](int least, std::initializer_list<std::u16string> texts) {
        int width = least;
        for (const std::u16string& each : texts) {
            width = std::max(width, static_cast<int>(platform::DialogTextWidth(t, each)));
        }
        return width;
    };
    const std::u16string current = text(StandardText::ColorCurrent);
    const std::u16string fresh = text(StandardText::ColorNew);
    const std::u16string hex = text(StandardText::ColorHex);
    const std::u16string red = text(StandardText::ColorRed);
    const std::u16string green = text(StandardText::ColorGreen);
    const std::u16string blue = text(StandardText::ColorBlue);
    const std::u16string hue = text(StandardText::ColorHue);
    const std::u16string saturation = text(StandardText::ColorSaturation);
    const std::u16string value = text(StandardText::ColorValue);
    const std::u16string ok = text(StandardText::Ok);
    const std::u16string cancel = text(StandardText::Cancel);

    constexpr int kMargin = 7;
    constexpr int kNumberWidth = 30;
    constexpr int kHexWidth = 41;
    const int swatch = widest(44, {current, fresh});
    const int leftLabel = widest(40, {red, green, blue});
    const int leftField = kMargin + leftLabel + 5;
    const int right = std::max(leftField + kNumberWidth + 26, kMargin + 2 * swatch + 13);
    const int hexField = right + widest(40, {hex});
    const int rightField = right + widest(50, {hue, saturation, value}) + 1;
    const int button = widest(40, {ok, cancel}) + 10;
    const int width = std::max(std::max(hexField + kHexWidth, rightField + kNumberWidth) + kMargin,
                               2 * kMargin + 2 * button + 5);
    t.cx = static_cast<short>(width);
    t.cy = 120;
    const int cancelAt = width - kMargin - button;
    const int okAt = cancelAt - 5 - button;
    const int newAt = kMargin + swatch + 5;
    const DWORD child = WS_CHILD | WS_VISIBLE;
    const DWORD field = child | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
    const DWORD number = field | ES_NUMBER;
    const auto item = [&t](const char16_t* kind, const std::u16string& caption, DWORD style, int x,
                           int y, int cx, int cy, int id) {
        t.items.push_back(DialogItemTemplate{kind, caption, style, 0, static_cast<short>(x),
                                             static_cast<short>(y), static_cast<short>(cx),
                                             static_cast<short>(cy), static_cast<WORD>(id)});
    };
    using D = CColorChooserDialog;
    item(u"Static", current, child, kMargin, 5, swatch, 10, 0);
    item(u"Static", u"", child, kMargin, 16, swatch, 24, D::kCurrentSwatch);
    item(u"Static", fresh, child, newAt, 5, swatch, 10, 0);
    item(u"Static", u"", child, newAt, 16, swatch, 24, D::kNewSwatch);
    item(u"Static", hex, child, right, 7, hexField - right, 10, 0);
    item(u"Edit", u"", field, hexField, 6, kHexWidth, 12, D::kHex);
    // Red, green and blue on the left, then hue, saturation and value on the right: the tab
    // order goes down one column, then down the other.
    const std::pair<const std::u16string*, int> rows[] = {
        {&red, D::kRed}, {&green, D::kGreen},           {&blue, D::kBlue},
        {&hue, D::kHue}, {&saturation, D::kSaturation}, {&value, D::kValue}};
    for (int row = 0; row < 6; ++row) {
        const bool left = row < 3;
        const int y = 50 + 16 * (row % 3);
        const int labelAt = left ? kMargin : right;
        const int labelWidth = left ? leftLabel : rightField - 1 - right;
        const int fieldAt = left ? leftField : rightField;
        item(u"Static", *rows[row].first, child, labelAt, y + 1, labelWidth, 10, 0);
        item(u"Edit", u"", number, fieldAt, y, kNumberWidth, 12, rows[row].second);
    }
    item(u"Button", ok, child | WS_TABSTOP | BS_DEFPUSHBUTTON, okAt, 101, button, 14, IDOK);
    item(u"Button", cancel, child | WS_TABSTOP, cancelAt, 101, button, 14, IDCANCEL);
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
