#pragma once
// The skinned vertical scroll bar of the lists (VSCROLL): the thumb, the caps at both ends,
// the arrows and the spine, 12 pixels wide, drawn for the lists' black background and grey
// border. The pairs at the two ends are as high as each other, as the bar expects.

#include "tools/skingen/SkinImage.h"

namespace skingen {

inline constexpr int kScrollBarWidth = 12;

Image ScrollBarThumb();
Image ScrollBarCap(bool top);
Image ScrollBarArrow(bool up);
Image ScrollBarSpine();

} // namespace skingen
