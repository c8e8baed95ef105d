#pragma once
// Translation of X key symbols to the virtual-key codes of key messages.

#include <cstdint>

namespace platform::x11 {

// The virtual key for an X key symbol as read from a key event's first (unshifted) level;
// 0 when the key has none. Modifier keys name their side (VK_LSHIFT, VK_RCONTROL...), as the
// input path expects; keypad keys give VK_NUMPAD* for the digits and the navigation keys for
// their other level.
int VirtualKeyFromKeysym(std::uint32_t keysym);

} // namespace platform::x11
