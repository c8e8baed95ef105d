#pragma once
// The skin element creators of buttons, bitmap items, framed boxes, labels and fonts. The
// loader calls them through its creator table (element name to creator); each reads its
// element, makes the widget or font with its properties, fills in the item fields and returns
// it, or returns nothing when the element cannot be made.

#include "gui/SkinFile.h"

#include <memory>

// BUTTON: a CBitmapBtn (type 2).
std::unique_ptr<CGUIItem> CreateSkinButton(const SkinElementContext& context);
// PROFBUTTON: a CProfileBtn (type 4) cutting its looks from panel-sized pictures.
std::unique_ptr<CGUIItem> CreateSkinProfileButton(const SkinElementContext& context);
// AVIBUTTON: a CAVIButton (type 3) with its video and sound names.
std::unique_ptr<CGUIItem> CreateSkinAviButton(const SkinElementContext& context);
// BITMAPITEM: a CBitmapItem (type 1).
std::unique_ptr<CGUIItem> CreateSkinBitmapItem(const SkinElementContext& context);
// BITMAPWINDOW: a CBitmapWindow (type 17).
std::unique_ptr<CGUIItem> CreateSkinBitmapWindow(const SkinElementContext& context);
// TEXTITEM: a CTextItem (type 11).
std::unique_ptr<CGUIItem> CreateSkinText(const SkinElementContext& context);
// FONT: a CFontItem (type 12), its font file registered first when the element names one.
std::unique_ptr<CGUIItem> LoadSkinFont(const SkinElementContext& context);
