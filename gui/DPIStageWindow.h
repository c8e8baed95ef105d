#pragma once
// One sensitivity stage as a framed tile: a heading and either one value box (one sensitivity
// for both axes) or an X and a Y box, each with its label. A click selects the tile: it takes
// the focus, draws its selected frame and the shared "stageSelected.bmp" behind the numbers,
// and sends WM_DPISTAGE_CLICKED to its parent. The owner fills in the numbers.

#include "gui/GUIItem.h"
#include "platform/base/CString.h"
#include "platform/framework/CGdiObject.h"
#include "platform/framework/CStatic.h"
#include "platform/framework/CToolTipCtrl.h"

#include <vector>

// A picture of the tile, picked by name ("DPIFRAME", "DPIFRAMESELECTED", "DPIWIN", "DPIWINX",
// "DPIWINY"); the rectangle is relative to the window.
struct DpiStageBitmap {
    CString name;
    HBITMAP picture = nullptr;
    HBITMAP mask = nullptr;
    RECT rect{};
};

// A labelled text area of the tile, picked by name ("HEADING", "DPI", "DPIX", "DPIY", "X",
// "Y"); the text is shown through the language table.
struct DpiStageTextArea {
    CString name;
    CString textKey;
    RECT rect{};
};

class CDPIStageWindow : public CStatic, public CGUIItem {
public:
    using CStatic::Create;

    // The text areas, in the order of their names.
    enum TextArea { AREA_HEADING, AREA_X, AREA_Y, AREA_DPI, AREA_DPIX, AREA_DPIY, AREA_COUNT };

    explicit CDPIStageWindow(int stageIndex);
    ~CDPIStageWindow() override;

    // Creates the window on the parent at rect (control id: the item id as it stands), then
    // keeps the text areas and cuts the pictures it knows by name. FALSE when the window
    // could not be created.
    BOOL LoadSkin(CWnd* parentWnd, const RECT& place, const std::vector<DpiStageTextArea>& texts,
                  const std::vector<DpiStageBitmap>& bitmaps);
    // The heading: the language table's text for a key (or the text itself), case changed as
    // caps says, the first "\n" made a line break.
    void SetText(const WCHAR* textOrKey);

    int GetStageIndex() const { return m_stageIndex; }
    const CString& GetHeading() const { return m_heading; }
    const CString& GetAreaText(TextArea area) const { return m_areas[area].text; }
    const RECT& GetAreaRect(TextArea area) const { return m_areas[area].rect; }
    const RECT& GetFrameRect() const { return m_frameRect; }
    // The numbers as last drawn: the single value, the X value and the Y value.
    const CString& GetNumberText(int which) const { return m_numbers[which]; }
    // The window that had the focus before a click selected the tile.
    HWND GetPreviousFocus() const { return m_previousFocus; }

    BOOL PreTranslateMessage(MSG* msg) override;

    // Plain fields the owner sets; it invalidates afterwards.
    BYTE clickable = 1;
    BYTE selected = 0;
    BYTE ready = 0; // nothing is painted until the owner sets it
    HFONT font = nullptr;
    COLORREF textColor = 0; // 0 draws as 0xFEFEFE
    UINT textFormat = DT_SINGLELINE | DT_VCENTER;
    BYTE caps = 0; // for SetText: 0 as is, 1 upper case, 2 lower case
    int value = 0;
    int xValue = 0;
    int yValue = 0;
    int twoAxis = 0;

protected:
    BOOL OnWndMsg(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
    void OnPaint() override { DrawStages(); }
    BOOL OnEraseBkgnd(CDC* dc) override;
    void OnLButtonUp(UINT flags, CPoint point) override;
    void OnKillFocus(CWnd* newWnd) override;
    // The tile takes the mouse although it is a static without SS_NOTIFY.
    LRESULT OnNcHitTest(CPoint point) override;

private:
    struct Area {
        CString text;
        RECT rect{};
    };
    struct Box {
        CBitmap bitmap;
        RECT rect{};
    };

    void DrawStages();
    void DrawBox(CDC& dc, const Box& box, HBITMAP selectedPicture) const;

    CBitmap m_frame;
    CBitmap m_frameSelected;
    RECT m_frameRect{};
    Box m_single;
    Box m_x;
    Box m_y;
    CString m_heading;
    Area m_areas[AREA_COUNT];
    CString m_numbers[3] = {u"0", u"0", u"0"};
    HWND m_previousFocus = nullptr;
    int m_stageIndex;
    CToolTipCtrl m_toolTip;
};
