// The colour chooser the programs install, driven as a user would on the headless display.
#include "platform/framework/CColorDialog.h"
#include "platform/framework/ColorChooserDialog.h"
#include "platform/gdi/Bitmap.h"
#include "platform/ui/Clock.h"
#include "platform/ui/Display.h"
#include "platform/ui/Hooks.h"
#include "platform/ui/MessageLoop.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::u16string Field(HWND dialog, int id) {
    WCHAR text[32] = {};
    GetDlgItemTextW(dialog, id, text, 32);
    return text;
}

// The colour in the middle of a swatch on the screen.
COLORREF Swatch(platform::HeadlessDisplay& display, HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    return display.Composite().GetColor((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

void Click(platform::HeadlessDisplay& display, HWND dialog, int id) {
    RECT r{};
    GetWindowRect(GetDlgItem(dialog, id), &r);
    display.Click((r.left + r.right) / 2, (r.top + r.bottom) / 2);
}

// Clicks into a field, selects its text and types digits and letters over it.
void TypeInto(platform::HeadlessDisplay& display, HWND dialog, int id, const char* keys) {
    Click(display, dialog, id);
    SendDlgItemMessageW(dialog, id, EM_SETSEL, 0, -1);
    for (const char* k = keys; *k != 0; ++k) {
        display.PressKey(*k);
    }
}

TEST(ColorDialogTest, TheChooserSetsTheColourByItsPartsHueOrHexAndAnswersItOnOk) {
    // Under a virtual clock the modal loop asks the hook at every idle turn.
    platform::ScopedVirtualClock clock;
    platform::HeadlessDisplay display(800, 600);
    CColorChooserDialog::Install();
    std::vector<std::u16string> start;
    std::vector<COLORREF> swatches;
    std::vector<std::u16string> afterRed;
    std::vector<std::u16string> afterHue;
    int turn = 0;
    platform::SetModalIdleHook([&](HWND dialog) {
        using D = CColorChooserDialog;
        switch (turn++) {
        case 0:
            // The request's colour in every field and in both swatches.
            for (const int id :
                 {D::kRed, D::kGreen, D::kBlue, D::kHue, D::kSaturation, D::kValue, D::kHex}) {
                start.push_back(Field(dialog, id));
            }
            swatches.push_back(Swatch(display, dialog, D::kCurrentSwatch));
            swatches.push_back(Swatch(display, dialog, D::kNewSwatch));
            // Red has the focus with its value selected: typing replaces it.
            display.PressKey('2');
            display.PressKey('5');
            display.PressKey('5');
            afterRed = {Field(dialog, D::kHex), Field(dialog, D::kHue)};
            swatches.push_back(Swatch(display, dialog, D::kCurrentSwatch));
            swatches.push_back(Swatch(display, dialog, D::kNewSwatch));
            break;
        case 1:
            // Hue, saturation and value: pure green.
            TypeInto(display, dialog, D::kHue, "120");
            TypeInto(display, dialog, D::kSaturation, "100");
            TypeInto(display, dialog, D::kValue, "100");
            afterHue = {Field(dialog, D::kRed), Field(dialog, D::kGreen), Field(dialog, D::kBlue),
                        Field(dialog, D::kHex)};
            // A hex value that is not whole yet changes nothing; a whole one sets the colour.
            TypeInto(display, dialog, D::kHex, "80");
            afterHue.push_back(Field(dialog, D::kRed));
            TypeInto(display, dialog, D::kHex, "8040C0");
            Click(display, dialog, IDOK);
            break;
        default:
            EndDialog(dialog, IDCANCEL);
        }
    });
    CColorDialog dialog(RGB(0x12, 0x34, 0x56), CC_FULLOPEN | CC_ANYCOLOR);
    ASSERT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetColor(), RGB(0x80, 0x40, 0xC0));
    EXPECT_EQ(start,
              (std::vector<std::u16string>{u"18", u"52", u"86", u"210", u"79", u"34", u"#123456"}));
    EXPECT_EQ(swatches, (std::vector<COLORREF>{RGB(0x12, 0x34, 0x56), RGB(0x12, 0x34, 0x56),
                                               RGB(0x12, 0x34, 0x56), RGB(0xFF, 0x34, 0x56)}));
    EXPECT_EQ(afterRed, (std::vector<std::u16string>{u"#FF3456", u"350"}));
    EXPECT_EQ(afterHue, (std::vector<std::u16string>{u"0", u"255", u"0", u"#00FF00", u"0"}));

    // Cancel answers nothing and leaves the colour.
    turn = 5;
    CColorDialog cancelled(RGB(1, 2, 3));
    EXPECT_EQ(cancelled.DoModal(), IDCANCEL);
    EXPECT_EQ(cancelled.GetColor(), RGB(1, 2, 3));
    platform::SetModalIdleHook(nullptr);
    platform::SetColorChooser(nullptr);
}

} // namespace
