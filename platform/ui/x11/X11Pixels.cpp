#include "platform/ui/x11/X11Pixels.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstring>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>

namespace platform::x11 {

namespace {

std::atomic<bool> g_attachFailed{false};

int NoteAttachError(Display*, XErrorEvent*) {
    g_attachFailed = true;
    return 0;
}

// Rows that differ by less than this many unchanged rows go in one request.
constexpr int kJoinGap = 8;

} // namespace

bool SharedMemoryUsable(_XDisplay* dpy) {
    if (!XShmQueryExtension(dpy)) {
        return false;
    }
    XShmSegmentInfo info{};
    info.shmid = shmget(IPC_PRIVATE, 4096, IPC_CREAT | 0600);
    if (info.shmid < 0) {
        return false;
    }
    info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
    if (info.shmaddr == reinterpret_cast<char*>(-1)) {
        shmctl(info.shmid, IPC_RMID, nullptr);
        return false;
    }
    info.readOnly = False;
    // Checked before the display is shared with other threads: the handler is the process's.
    // Nothing else is pending on the new connection, so an error now is the attach's.
    g_attachFailed = false;
    auto* previous = XSetErrorHandler(NoteAttachError);
    XShmAttach(dpy, &info);
    XSync(dpy, False);
    XSetErrorHandler(previous);
    const bool usable = !g_attachFailed;
    if (usable) {
        XShmDetach(dpy, &info); // the segment goes once the server has let it go too
    }
    shmdt(info.shmaddr);
    shmctl(info.shmid, IPC_RMID, nullptr);
    return usable;
}

struct WindowPixels::Impl {
    int width = 0;
    int height = 0;
    // Shared memory: the image over the segment, and the last request that reads it.
    XImage* image = nullptr;
    XShmSegmentInfo info{};
    unsigned long lastPut = 0;
    // Through the connection: our copy of what was sent.
    std::unique_ptr<gdi::Pixel[]> copy;

    bool HasPixels() const { return image != nullptr || copy != nullptr; }
    gdi::Pixel* Row(int y) {
        if (image != nullptr) {
            return reinterpret_cast<gdi::Pixel*>(
                image->data + static_cast<size_t>(y) * static_cast<size_t>(image->bytes_per_line));
        }
        return copy.get() + static_cast<size_t>(y) * static_cast<size_t>(width);
    }
    const gdi::Pixel* Row(int y) const { return const_cast<Impl*>(this)->Row(y); }

    void Free(Display* dpy) {
        if (image != nullptr) {
            if (dpy != nullptr) {
                XShmDetach(dpy, &info);
            }
            XDestroyImage(image); // the image only: the segment is detached below
            shmdt(info.shmaddr);
            image = nullptr;
            info = XShmSegmentInfo{};
        }
        copy.reset();
        width = 0;
        height = 0;
    }

    // Storage for a width x height window; false when the shared segment cannot be made (the
    // connection is used then).
    bool MakeShared(Display* dpy, Visual* visual, int depth, int w, int h) {
        image = XShmCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, nullptr, &info,
                                static_cast<unsigned>(w), static_cast<unsigned>(h));
        if (image == nullptr) {
            return false;
        }
        if (image->bits_per_pixel != 32 || image->bytes_per_line != w * 4) {
            XDestroyImage(image);
            image = nullptr;
            return false;
        }
        info.shmid =
            shmget(IPC_PRIVATE, static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(h),
                   IPC_CREAT | 0600);
        if (info.shmid < 0) {
            XDestroyImage(image);
            image = nullptr;
            return false;
        }
        info.shmaddr = static_cast<char*>(shmat(info.shmid, nullptr, 0));
        if (info.shmaddr == reinterpret_cast<char*>(-1)) {
            shmctl(info.shmid, IPC_RMID, nullptr);
            XDestroyImage(image);
            image = nullptr;
            return false;
        }
        image->data = info.shmaddr;
        info.readOnly = False;
        XShmAttach(dpy, &info);
        // Once the server holds it the segment can be marked for removal: it goes when both
        // sides have let it go, also when this process ends without cleaning up.
        XSync(dpy, False);
        shmctl(info.shmid, IPC_RMID, nullptr);
        return true;
    }
};

WindowPixels::WindowPixels() : m_impl(std::make_unique<Impl>()) {}
WindowPixels::~WindowPixels() {
    if (m_impl) {
        m_impl->Free(nullptr);
    }
}
WindowPixels::WindowPixels(WindowPixels&& other) noexcept = default;
WindowPixels& WindowPixels::operator=(WindowPixels&& other) noexcept = default;

WindowPixels::Rows WindowPixels::All(const gdi::Bitmap& bitmap) {
    Rows rows;
    if (bitmap.Width() > 0 && bitmap.Height() > 0) {
        rows.emplace_back(0, bitmap.Height());
    }
    return rows;
}

WindowPixels::Rows WindowPixels::Changed(const gdi::Bitmap& bitmap) const {
    const Impl& p = *m_impl;
    if (!p.HasPixels() || p.width != bitmap.Width() || p.height != bitmap.Height()) {
        return All(bitmap);
    }
    Rows rows;
    const size_t bytes = static_cast<size_t>(p.width) * sizeof(gdi::Pixel);
    for (int y = 0; y < p.height; ++y) {
        if (std::memcmp(p.Row(y), bitmap.Row(y), bytes) == 0) {
            continue;
        }
        if (!rows.empty() && y - rows.back().second <= kJoinGap) {
            rows.back().second = y + 1;
        } else {
            rows.emplace_back(y, y + 1);
        }
    }
    return rows;
}

void WindowPixels::Put(_XDisplay* dpy, void* visualPointer, int depth, unsigned long window,
                       const gdi::Bitmap& bitmap, const Rows& rows, bool sharedMemory) {
    Impl& p = *m_impl;
    auto* visual = static_cast<Visual*>(visualPointer);
    const int w = bitmap.Width();
    const int h = bitmap.Height();
    if (w <= 0 || h <= 0 || rows.empty()) {
        return;
    }
    if (!p.HasPixels() || p.width != w || p.height != h) {
        p.Free(dpy);
        if (!sharedMemory || !p.MakeShared(dpy, visual, depth, w, h)) {
            // Not cleared: every row is written before it is sent.
            p.copy.reset(new gdi::Pixel[static_cast<size_t>(w) * static_cast<size_t>(h)]);
        }
        p.width = w;
        p.height = h;
    }
    if (p.image != nullptr && LastKnownRequestProcessed(dpy) < p.lastPut) {
        // The server may still be reading the segment for the last request.
        XSync(dpy, False);
    }
    const size_t bytes = static_cast<size_t>(w) * sizeof(gdi::Pixel);
    for (const auto& [first, last] : rows) {
        for (int y = first; y < last; ++y) {
            std::memcpy(p.Row(y), bitmap.Row(y), bytes);
        }
    }
    GC gc = XCreateGC(dpy, window, 0, nullptr);
    for (const auto& [first, last] : rows) {
        const auto count = static_cast<unsigned>(last - first);
        if (p.image != nullptr) {
            p.lastPut = NextRequest(dpy);
            XShmPutImage(dpy, window, gc, p.image, 0, first, 0, first, static_cast<unsigned>(w),
                         count, False);
            continue;
        }
        // The image borrows our rows: 0x00RRGGBB words are the 24-bit TrueColor visual's pixel
        // values in the machine's byte order.
        XImage* image = XCreateImage(dpy, visual, static_cast<unsigned>(depth), ZPixmap, 0,
                                     reinterpret_cast<char*>(p.Row(first)),
                                     static_cast<unsigned>(w), count, 32, w * 4);
        if (image == nullptr) {
            continue;
        }
        image->byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
        XPutImage(dpy, window, gc, image, 0, 0, 0, first, static_cast<unsigned>(w), count);
        image->data = nullptr;
        XDestroyImage(image);
    }
    XFreeGC(dpy, gc);
}

void WindowPixels::Release(_XDisplay* dpy) {
    m_impl->Free(dpy);
}

} // namespace platform::x11
