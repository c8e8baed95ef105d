#pragma once
// Translation of X key symbols to the virtual-key codes of key messages.

#include <cstdint>

struct _XDisplay;

namespace platform::x11 {

// The virtual key for an X key symbol as read from a key event's first (unshifted) level;
// 0 when the key has none. Modifier keys name their side (VK_LSHIFT, VK_RCONTROL...), as the
// input path expects; keypad keys give VK_NUMPAD* for the digits and the navigation keys for
// their other level.
int VirtualKeyFromKeysym(std::uint32_t keysym);

// The virtual key of an X key code, as the key messages and raw input give it: by the key
// symbol of its first level in the keyboard group (a layout's letters, digits and named
// keys), and for a key whose symbol has no virtual key of its own (Cyrillic letters, umlauts,
// dead keys) the key of the US layout at the same place, by its scan code, as the system
// gives the keys of such layouts. 0 when neither is known. Call with the X lock held.
int VirtualKeyFromKeycode(_XDisplay* dpy, unsigned keycode, unsigned group = 0);

} // namespace platform::x11
