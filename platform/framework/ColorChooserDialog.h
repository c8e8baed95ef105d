#pragma once
// The colour chooser the colour dialog asks (platform::SetColorChooser): a small modal dialog
// of standard controls, so it works on the headless and the X11 display alike. It starts on
// the request's colour, shown as the current colour beside the new one, and lets the user
// set the new colour by its red, green and blue parts (0 to 255), by hue (0 to 359 degrees),
// saturation and value (0 to 100 %), or as "#RRGGBB"; each field follows the others as one
// is typed in. OK answers the new colour, Cancel nothing. Its texts are in the program's
// language (platform/ui/StandardText.h), its labels and buttons as wide as they need.

#include "platform/framework/CDialog.h"
#include "platform/framework/CGdiObject.h"
#include "platform/ui/CommDlg.h"

#include <array>

class CColorChooserDialog : public CDialog {
public:
    static constexpr int kCurrentSwatch = 110;
    static constexpr int kNewSwatch = 111;
    static constexpr int kRed = 112;
    static constexpr int kGreen = 113;
    static constexpr int kBlue = 114;
    static constexpr int kHue = 115;
    static constexpr int kSaturation = 116;
    static constexpr int kValue = 117;
    static constexpr int kHex = 118;

    CColorChooserDialog(COLORREF initial, CWnd* parent);

    // A ColorChooser: runs the dialog on the request's colour; TRUE with rgbResult on OK.
    static BOOL Choose(CHOOSECOLORW& request);
    // Makes Choose the chooser of the colour dialog.
    static void Install();

    BOOL OnInitDialog() override;
    BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
    BOOL OnEraseBkgnd(CDC* dc) override;
    // A frame around the dialog and around each swatch, field and button, so that the
    // dialog reads the same on every display.
    void OnPaint() override;
    HBRUSH OnCtlColor(CDC* dc, CWnd* wnd, UINT ctlColor) override;

    // The colour the fields stand on now.
    COLORREF Color() const { return m_color; }

private:
    // Takes the colour from the group of fields that changed and shows it in the others.
    void FieldChanged(int id);
    // Writes the colour into the fields (all, or all but one group) and the new swatch.
    void ShowColor(int changedGroup);
    int ReadNumber(int id, int highest) const;

    DialogTemplate m_template;
    COLORREF m_initial;
    COLORREF m_color;
    bool m_updating = false;
    CBrush m_face{RGB(0xEC, 0xEC, 0xEC)};
    CBrush m_field{RGB(0xFF, 0xFF, 0xFF)};
    CBrush m_frame{RGB(0x70, 0x70, 0x70)};
    CBrush m_currentBrush;
    CBrush m_newBrush;
};
