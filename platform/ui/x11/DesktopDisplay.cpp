#include "platform/ui/x11/DesktopDisplay.h"

#include "platform/ui/x11/X11Display.h"

#include <cstdlib>
#include <cstring>

namespace platform {

std::unique_ptr<DisplayBackend> OpenDesktopDisplay(std::string* error, int headlessWidth,
                                                   int headlessHeight) {
    const char* choice = std::getenv("BORVANTA_DISPLAY");
    if (choice != nullptr && std::strcmp(choice, "headless") == 0) {
        return std::make_unique<HeadlessDisplay>(headlessWidth, headlessHeight);
    }
    const char* name = std::getenv("DISPLAY");
    if (name == nullptr || *name == 0) {
        if (error != nullptr) {
            *error = "no display: DISPLAY is not set (BORVANTA_DISPLAY=headless runs without "
                     "one)";
        }
        return nullptr;
    }
    auto x11 = std::make_unique<X11Display>(name);
    if (!x11->IsOpen()) {
        if (error != nullptr) {
            *error = std::string("cannot open the X display \"") + name +
                     "\" (no server there, access refused, or no 24-bit TrueColor visual with "
                     "the Shape extension)";
        }
        return nullptr;
    }
    return x11;
}

} // namespace platform
