#pragma once
// The display a desktop program opens when it is meant to be seen: the X11 display named by
// $DISPLAY, or the headless display only when asked for ($BORVANTA_DISPLAY=headless). Without
// a usable display the program is told why, so it can say so and end instead of running
// where nobody sees it.

#include "platform/ui/Display.h"

#include <memory>
#include <string>

namespace platform {

// The display, installed as the display backend; null with a reason in *error when $DISPLAY
// is unset or empty, or names a server that cannot be reached or used.
std::unique_ptr<DisplayBackend> OpenDesktopDisplay(std::string* error, int headlessWidth = 1024,
                                                   int headlessHeight = 768);

} // namespace platform
