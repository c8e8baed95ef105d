// The floor of the start-up benchmark: a bare Xlib program that opens a window of the given
// size, draws one frame in memory (a gradient with a framed box) and puts it on the window,
// then waits to be killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdint>
#include <cstdlib>
#include <vector>

#include <unistd.h>

int main(int argc, char** argv) {
    const int width = argc > 1 ? std::atoi(argv[1]) : 800;
    const int height = argc > 2 ? std::atoi(argv[2]) : 600;
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy || width <= 0 || height <= 0) {
        return 1;
    }
    const int screen = DefaultScreen(dpy);
    XSetWindowAttributes attrs{};
    attrs.background_pixmap = None;
    attrs.event_mask = ExposureMask;
    const Window win =
        XCreateWindow(dpy, RootWindow(dpy, screen), 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height), 0, DefaultDepth(dpy, screen), InputOutput,
                      DefaultVisual(dpy, screen), CWBackPixmap | CWEventMask, &attrs);
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(width) *
                                      static_cast<std::size_t>(height));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const bool frame = x > 20 && y > 20 && x < width - 20 && y < height - 20 &&
                               (x < 24 || y < 24 || x > width - 25 || y > height - 25);
            pixels[static_cast<std::size_t>(y * width + x)] =
                frame ? 0xFFFFFFu
                      : static_cast<std::uint32_t>((x * 255 / width) << 16 | (y * 255 / height));
        }
    }
    XMapWindow(dpy, win);
    XImage* image = XCreateImage(
        dpy, DefaultVisual(dpy, screen), static_cast<unsigned>(DefaultDepth(dpy, screen)), ZPixmap,
        0, reinterpret_cast<char*>(pixels.data()), static_cast<unsigned>(width),
        static_cast<unsigned>(height), 32, width * 4);
    GC gc = XCreateGC(dpy, win, 0, nullptr);
    XPutImage(dpy, win, gc, image, 0, 0, 0, 0, static_cast<unsigned>(width),
              static_cast<unsigned>(height));
    XSync(dpy, False);
    image->data = nullptr;
    XDestroyImage(image);
    for (;;) {
        pause();
    }
}
