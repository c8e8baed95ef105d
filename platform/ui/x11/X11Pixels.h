#pragma once
// The pixels of one X window as the X server last got them, kept so that only the rows that
// changed are sent again. Where the server can read our memory (the MIT-SHM extension on a
// local server) they live in a shared memory segment the server copies from; elsewhere in
// memory of ours, sent through the connection.
//
// Xlib is not included here (its macros clash with the window layer's names): the display is
// the opaque _XDisplay and an X window an XID (unsigned long). Every call is made with the
// display's lock held.

#include "platform/gdi/Bitmap.h"

#include <memory>
#include <utility>
#include <vector>

struct _XDisplay;

namespace platform::x11 {

// True when the server shares memory with this process: the extension is there and a
// segment of ours can be attached (a remote server refuses).
bool SharedMemoryUsable(_XDisplay* dpy);

class WindowPixels {
public:
    // Runs [first, last) of rows, top-down.
    using Rows = std::vector<std::pair<int, int>>;

    WindowPixels();
    ~WindowPixels();
    WindowPixels(WindowPixels&& other) noexcept;
    WindowPixels& operator=(WindowPixels&& other) noexcept;
    WindowPixels(const WindowPixels&) = delete;
    WindowPixels& operator=(const WindowPixels&) = delete;

    // The rows of bitmap that differ from what was sent (every row when the size changed or
    // nothing was sent yet).
    Rows Changed(const gdi::Bitmap& bitmap) const;
    // Every row of bitmap.
    static Rows All(const gdi::Bitmap& bitmap);
    // Sends those rows of bitmap to the X window (24-bit TrueColor visual, 0x00RRGGBB) and
    // keeps them as sent.
    void Put(_XDisplay* dpy, void* visual, int depth, unsigned long window,
             const gdi::Bitmap& bitmap, const Rows& rows, bool sharedMemory);
    // Frees the shared memory segment (the X window may already be gone).
    void Release(_XDisplay* dpy);

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

} // namespace platform::x11
