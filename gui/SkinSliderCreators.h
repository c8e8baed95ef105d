#pragma once
// The skin element creators of the sliders (VSLIDER, HSLIDERM, HSLIDERMAPM), the marker
// (DMARKER) and the sensitivity stage tiles (DPISTAGEWINDOW). The loader calls them through
// its creator table; each reads its element by the shared attribute rules, makes the widget,
// fills in the item fields and returns it, or returns nothing when the element cannot be made.

#include "gui/SkinFile.h"

#include <memory>

// VSLIDER: a CVertSlider (type 5) on the panel; nothing without its `file` picture.
std::unique_ptr<CGUIItem> CreateSkinVertSlider(const SkinElementContext& context);
// HSLIDERM: a CSliderHMulti (type 8) on the `trackid` bitmap item, one thumb per STAGE (at
// most five).
std::unique_ptr<CGUIItem> CreateSkinMultiSlider(const SkinElementContext& context);
// HSLIDERMAPM: a CAPMSlider (type 9) on the `trackid` bitmap item, one ticker per STAGE (at
// most five), placed and coloured by default.
std::unique_ptr<CGUIItem> CreateSkinApmSlider(const SkinElementContext& context);
// DMARKER: a CDMarker (type 7) on the panel.
std::unique_ptr<CGUIItem> CreateSkinMarker(const SkinElementContext& context);
// DPISTAGEWINDOW: a CDPIStageWindow (type 21) for the stage of the element's position.
std::unique_ptr<CGUIItem> CreateSkinDpiStageWindow(const SkinElementContext& context);
