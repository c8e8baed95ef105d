// skingen <skins folder> <file name>...: draws the named bitmaps of our own skin and writes
// them as 24-bit BMP files into the folder (the program's "skins" folder). Everything is
// computed here, so the skin needs no picture files from anywhere else. Panel masks follow the
// window-region rule: pure white is cut away, every other colour belongs to the window.
#include "tools/skingen/ScrollBarPictures.h"
#include "tools/skingen/SkinImage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace {

using namespace skingen;

constexpr int kPanelWidth = 320;
constexpr int kPanelHeight = 200;
constexpr int kPanelRadius = 24;

Image PanelBackground(int width = kPanelWidth, int height = kPanelHeight, int accentRow = 36) {
    Image image(width, height);
    image.Fill([=](int x, int y) {
        Colour c = Mix(kTop, kBottom, static_cast<double>(y) / (height - 1));
        // A thin accent line under the title area and a frame just inside the outline.
        if (y == accentRow && x > 16 && x < width - 16) {
            c = kAccent;
        }
        if (!InsideRounded(x - 2, y - 2, width - 4, height - 4, kPanelRadius - 2)) {
            c = Mix(kAccent, kBottom, 0.35);
        }
        return c;
    });
    return image;
}

Image PanelMask(int width = kPanelWidth, int height = kPanelHeight) {
    Image image(width, height);
    image.Fill([=](int x, int y) {
        return InsideRounded(x, y, width, height, kPanelRadius) ? kBlack : kWhite;
    });
    return image;
}

// The configurator's small popups (warnings and name entry): a heading of up to two lines
// above the accent line, a message or an edit field below it, the buttons at the bottom.
constexpr int kPopupWidth = 320;
constexpr int kPopupHeight = 170;
constexpr int kPopupAccentRow = 58;

// One state of a button: a rounded face with a vertical gradient.
Image ButtonState(Colour top, Colour bottom, Colour edge, int width = 80, int height = 24) {
    Image image(width, height);
    image.Fill([&](int x, int y) {
        if (!InsideRounded(x, y, width, height, 6)) {
            return kBottom;
        }
        if (!InsideRounded(x - 1, y - 1, width - 2, height - 2, 5)) {
            return edge;
        }
        return Mix(top, bottom, static_cast<double>(y) / (height - 1));
    });
    return image;
}

// The four looks of the skin's push buttons.
Image NormalButton() {
    return ButtonState({0x3C, 0x4E, 0x66}, {0x22, 0x2E, 0x3D}, {0x5A, 0x6E, 0x88});
}
Image OverButton() {
    return ButtonState({0x48, 0x62, 0x80}, {0x2A, 0x3A, 0x4E}, kAccent);
}
Image DownButton() {
    return ButtonState({0x1C, 0x26, 0x33}, {0x30, 0x40, 0x55}, kAccent);
}
Image DisabledButton() {
    return ButtonState({0x3A, 0x3A, 0x3A}, {0x2A, 0x2A, 0x2A}, {0x4A, 0x4A, 0x4A});
}

// The four looks of a push button of any size: normal, over, down, disabled.
Image ButtonLook(int state, int w, int h) {
    switch (state) {
    case 1:
        return ButtonState({0x48, 0x62, 0x80}, {0x2A, 0x3A, 0x4E}, kAccent, w, h);
    case 2:
        return ButtonState({0x1C, 0x26, 0x33}, {0x30, 0x40, 0x55}, kAccent, w, h);
    case 3:
        return ButtonState({0x3A, 0x3A, 0x3A}, {0x2A, 0x2A, 0x2A}, {0x4A, 0x4A, 0x4A}, w, h);
    default:
        return ButtonState({0x3C, 0x4E, 0x66}, {0x22, 0x2E, 0x3D}, {0x5A, 0x6E, 0x88}, w, h);
    }
}

// The command buttons of the main window, the profiles page and the popups: wide enough for
// the longest caption of the nine languages ("Übernehmen") in the bold button font.
Image PopupButton(int state) {
    return ButtonLook(state, 100, 24);
}

// The configurator's main window: title and profile line above the accent line, the tab
// row below it, the page area, and the command buttons at the bottom.
constexpr int kMainWidth = 640;
constexpr int kMainHeight = 420;
constexpr int kMainAccentRow = 44;
constexpr int kTabWidth = 110;
constexpr int kTabHeight = 28;

Image MainBackground() {
    Image image = PanelBackground(kMainWidth, kMainHeight, kMainAccentRow);
    // A darker page area between the tabs and the command buttons.
    image.Fill([base = image](int x, int y) {
        const Colour c = base.Get(x, y);
        // Outside the outline: the window's colour key (magenta), see-through even where a
        // window region is not applied.
        if (!InsideRounded(x, y, kMainWidth, kMainHeight, kPanelRadius)) {
            return Colour{0xFF, 0x00, 0xFF};
        }
        if (x >= 16 && x < kMainWidth - 16 && y >= 96 && y < 362) {
            return Mix(c, kBottom, 0.5);
        }
        return c;
    });
    return image;
}

// The tabs: checked (down) tabs wear the accent colour.
Image TabNormal() {
    return ButtonState({0x3C, 0x4E, 0x66}, {0x22, 0x2E, 0x3D}, {0x5A, 0x6E, 0x88}, kTabWidth,
                       kTabHeight);
}
Image TabOver() {
    return ButtonState({0x48, 0x62, 0x80}, {0x2A, 0x3A, 0x4E}, kAccent, kTabWidth, kTabHeight);
}
Image TabDown() {
    return ButtonState({0x2F, 0x8F, 0x58}, {0x1B, 0x55, 0x34}, kAccent, kTabWidth, kTabHeight);
}
Image TabDisabled() {
    return ButtonState({0x3A, 0x3A, 0x3A}, {0x2A, 0x2A, 0x2A}, {0x4A, 0x4A, 0x4A}, kTabWidth,
                       kTabHeight);
}

// The sensitivity stages popup: five stage tiles, the slider tracks, the stage-count row with
// a dark field behind the count, and the buttons at the bottom.
constexpr int kStagesWidth = 560;
constexpr int kStagesHeight = 310;
constexpr int kStagesAccentRow = 44;

Image StagesBackground() {
    Image image = PanelBackground(kStagesWidth, kStagesHeight, kStagesAccentRow);
    for (int y = 226; y < 250; ++y) {
        for (int x = 192; x < 236; ++x) {
            image.Set(x, y, InsideRounded(x - 192, y - 226, 44, 24, 4) ? kBottom : image.Get(x, y));
        }
    }
    return image;
}

// A stage tile's frame: a dark face in a rounded border, the accent colour when selected.
Image StageFrame(bool selected) {
    Image image(96, 84);
    const Colour edge = selected ? kAccent : Colour{0x5A, 0x6E, 0x88};
    image.Fill([&](int x, int y) {
        if (!InsideRounded(x, y, 96, 84, 8)) {
            return kBlack;
        }
        if (!InsideRounded(x - 2, y - 2, 92, 80, 6)) {
            return edge;
        }
        return selected ? Mix(kTop, kAccent, 0.25) : Mix(kTop, kBottom, 0.5);
    });
    return image;
}

// A value box of a tile: black inside a thin border; the selected stage's boxes are tinted.
Image StageValueBox(bool selected) {
    Image image(72, 22);
    image.Fill([&](int x, int y) {
        if (x == 0 || y == 0 || x == 71 || y == 21) {
            return selected ? kAccent : Colour{0x5A, 0x6E, 0x88};
        }
        return selected ? Mix(kBlack, kAccent, 0.3) : kBlack;
    });
    return image;
}

// The slider track: a groove along the middle.
Image SliderTrack() {
    Image image(512, 24);
    image.Fill([](int x, int y) {
        const bool groove = y >= 10 && y < 14 && x >= 4 && x < 508;
        return groove ? Colour{0x08, 0x0C, 0x10} : Mix(kTop, kBottom, 0.55);
    });
    return image;
}

// The slider thumb; its corners take the top-left pixel's colour, which the thumb's window
// region leaves out.
Image SliderThumb(bool over) {
    Image image(12, 24);
    image.Fill([&](int x, int y) {
        if (!InsideRounded(x, y, 12, 24, 4)) {
            return kWhite;
        }
        return over ? Mix(kAccent, kWhite, 0.3) : kAccent;
    });
    return image;
}

// The performance and lighting pages: choice buttons (checked: the accent colour, as a
// tab), wide command buttons, and slider tracks drawn over the page colour
// of the place they stand on, so that they blend into the page.
Image ChoiceButton(int state) {
    switch (state) {
    case 1:
        return ButtonState({0x48, 0x62, 0x80}, {0x2A, 0x3A, 0x4E}, kAccent);
    case 2:
        return ButtonState({0x2F, 0x8F, 0x58}, {0x1B, 0x55, 0x34}, kAccent);
    case 3:
        return DisabledButton();
    default:
        return NormalButton();
    }
}

Image WideButton(int state) {
    return ButtonLook(state, 160, 26);
}

// A slider track standing at (left, top) of the main window: a groove with rounded ends and
// tick marks, the page colour around it.
Image PageTrack(int left, int top, int width, bool active) {
    Image image(width, 24);
    const Image page = MainBackground();
    image.Fill([&](int x, int y) {
        const Colour back = page.Get(left + x, top + y);
        const bool groove = y >= 10 && y < 14 && InsideRounded(x - 4, y - 10, width - 8, 4, 2);
        if (groove) {
            return active ? Mix(kAccent, kBlack, 0.45) : Colour{0x30, 0x30, 0x30};
        }
        const bool tick = (y == 18 || y == 19) && x >= 6 && x < width - 6 && (x - 6) % 24 == 0;
        if (tick) {
            return Mix(back, kWhite, 0.25);
        }
        return back;
    });
    return image;
}

// The bracket that joins the X and Y sliders.
Image AxisBracket() {
    Image image(8, 54);
    const Image page = MainBackground();
    image.Fill([&](int x, int y) {
        const bool line = (x >= 2 && x < 4) || ((y < 2 || y >= 52) && x >= 2);
        return line ? kAccent : page.Get(20 + x, 162 + y);
    });
    return image;
}

Image SliderThumbDisabled() {
    Image image(12, 24);
    image.Fill([](int x, int y) {
        if (!InsideRounded(x, y, 12, 24, 4)) {
            return kWhite;
        }
        return Colour{0x6A, 0x6A, 0x6A};
    });
    return image;
}
// The predefined-command popup (two command rows, Cancel at the bottom) and the profile
// preview popup (the button lines in two columns, the stage tiles, OK at the bottom).
constexpr int kCommandPopupWidth = 560;
constexpr int kCommandPopupHeight = 204;
constexpr int kCommandPopupAccentRow = 48;
constexpr int kPreviewWidth = 560;
constexpr int kPreviewHeight = 340;
constexpr int kPreviewAccentRow = 44;

// The assignment page's picture of the mouse seen from above (front at the top), each button
// in its own colour with a leader line to the edge of the picture, where that button's
// drop-down field stands. Its background continues the page area behind it.
constexpr int kMouseLeft = 210; // the picture's place on the main window
constexpr int kMouseTop = 134;
constexpr int kMouseWidth = 220;
constexpr int kMouseHeight = 224;

Colour PageColour(int x, int y) {
    const Colour panel = Mix(kTop, kBottom, static_cast<double>(y) / (kMainHeight - 1));
    (void)x;
    return Mix(panel, kBottom, 0.5);
}

void DrawLine(Image& image, int x0, int y0, int x1, int y1, Colour c) {
    const int steps = std::max(std::abs(x1 - x0), std::abs(y1 - y0));
    for (int i = 0; i <= steps; ++i) {
        const double t = steps == 0 ? 0.0 : static_cast<double>(i) / steps;
        const int x = static_cast<int>(std::lround(x0 + (x1 - x0) * t));
        const int y = static_cast<int>(std::lround(y0 + (y1 - y0) * t));
        image.Set(x, y, c);
        image.Set(x, y + 1, c);
    }
}

void FillRounded(Image& image, int left, int top, int width, int height, int radius, Colour c) {
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            if (InsideRounded(x, y, width, height, radius)) {
                image.Set(left + x, top + y, c);
            }
        }
    }
}

Image AssignMouseTop() {
    Image image(kMouseWidth, kMouseHeight);
    constexpr double cx = kMouseWidth / 2.0;
    constexpr double cy = 116.0;
    auto inBody = [&](int x, int y) {
        const double dx = std::abs((x + 0.5 - cx) / 64.0);
        const double dy = std::abs((y + 0.5 - cy) / 106.0);
        return std::pow(dx, 2.4) + std::pow(dy, 2.4) <= 1.0;
    };
    // One colour per button, 1 to 11.
    const Colour colours[12] = {
        {0, 0, 0},          {0x3F, 0x8F, 0xE0}, {0xE0, 0x8A, 0x3F}, {0xD9, 0x4F, 0xB3},
        {0x5C, 0xC8, 0x5C}, {0xC8, 0xC8, 0x46}, {0x46, 0xC8, 0xC8}, {0xA0, 0x70, 0xE8},
        {0xE8, 0x5A, 0x5A}, {0x8C, 0xB4, 0xFF}, {0xFF, 0xB4, 0x8C}, {0xB4, 0xFF, 0x8C},
    };
    const Colour body{0x2A, 0x33, 0x40};
    const Colour rim{0x6A, 0x7A, 0x90};
    image.Fill([&](int x, int y) {
        const Colour page = PageColour(kMouseLeft + x, kMouseTop + y);
        if (!inBody(x, y)) {
            return page;
        }
        if (!inBody(x - 2, y) || !inBody(x + 2, y) || !inBody(x, y - 2) || !inBody(x, y + 2)) {
            return rim;
        }
        // The two main buttons make the front of the body, split down the middle.
        if (y < 86 && std::abs(x + 0.5 - cx) > 2.0) {
            return Mix(x < cx ? colours[1] : colours[2], body, 0.55);
        }
        return body;
    });
    const int mid = kMouseWidth / 2;
    // Wheel (up, click, down), the two centre buttons and the four side buttons.
    FillRounded(image, mid - 9, 20, 18, 44, 6, {0x15, 0x19, 0x20});
    FillRounded(image, mid - 7, 22, 14, 12, 4, colours[10]);
    FillRounded(image, mid - 7, 36, 14, 12, 4, colours[3]);
    FillRounded(image, mid - 7, 50, 14, 12, 4, colours[11]);
    FillRounded(image, mid - 7, 70, 14, 14, 4, colours[8]);
    FillRounded(image, mid - 7, 90, 14, 14, 4, colours[9]);
    FillRounded(image, mid - 68, 112, 12, 28, 4, colours[5]);
    FillRounded(image, mid - 68, 146, 12, 28, 4, colours[4]);
    FillRounded(image, mid + 56, 112, 12, 28, 4, colours[7]);
    FillRounded(image, mid + 56, 146, 12, 28, 4, colours[6]);
    // Leader lines: from the edge at the height of the button's field to the button.
    struct Leader {
        int button;
        bool left;
        int row;
        int x;
        int y;
    };
    const Leader leaders[] = {
        {1, true, 16, mid - 34, 46},    {10, true, 54, mid, 28},
        {8, true, 92, mid, 77},         {5, true, 130, mid - 62, 126},
        {4, true, 168, mid - 62, 160},  {2, false, 16, mid + 34, 46},
        {3, false, 54, mid, 42},        {11, false, 92, mid, 56},
        {9, false, 130, mid, 97},       {7, false, 168, mid + 62, 126},
        {6, false, 206, mid + 62, 160},
    };
    for (const Leader& l : leaders) {
        const int edge = l.left ? 0 : kMouseWidth - 1;
        const int bend = l.left ? 14 : kMouseWidth - 15;
        DrawLine(image, edge, l.row - 1, bend, l.row - 1, colours[l.button]);
        DrawLine(image, bend, l.row - 1, l.x, l.y, colours[l.button]);
        FillRounded(image, l.x - 3, l.y - 3, 7, 7, 3, colours[l.button]);
        FillRounded(image, l.left ? 0 : kMouseWidth - 6, l.row - 4, 6, 7, 2, colours[l.button]);
    }
    return image;
}

// Framed check boxes of a given size: the profile list's cells (13 x 13) and the checked
// picture of the profile page's switch (20 x 20).
Image FramedCheckBox(int size, bool checked) {
    Image image(size, size);
    const Colour edge{0x8A, 0x9A, 0xB0};
    image.Fill([&](int x, int y) {
        if (x == 0 || y == 0 || x == size - 1 || y == size - 1) {
            return edge;
        }
        return kBlack;
    });
    if (checked) {
        const int a = size / 4;
        DrawLine(image, a, size / 2, size / 2 - 1, size - a - 2, kAccent);
        DrawLine(image, size / 2 - 1, size - a - 2, size - a, a, kAccent);
    }
    return image;
}

// The macro page: row pictures of the macro event list (28 x 18 on the list's near-black
// background) and the delay check boxes (16 x 16).
constexpr Colour kListBack{0x0B, 0x0B, 0x0B};
constexpr Colour kListHighlight{0xFF, 0xFF, 0xFF};
constexpr int kRowPictureWidth = 28;
constexpr int kRowPictureHeight = 18;

// A key cap with an arrow pointing down (press) or up (release).
Image MacroKeyPicture(bool press) {
    Image image(kRowPictureWidth, kRowPictureHeight);
    image.Fill([&](int x, int y) {
        const bool cap = x >= 3 && x <= 16 && y >= 2 && y <= 15;
        const bool edge = cap && (x == 3 || x == 16 || y == 2 || y == 15);
        // The arrow beside the cap: a shaft and a head.
        const int tipY = press ? 14 : 3;
        const int dir = press ? -1 : 1;
        const int rel = (y - tipY) * dir; // 0 at the tip, growing along the shaft
        const bool head = rel >= 0 && rel <= 3 && std::abs(x - 22) <= rel;
        const bool shaft = x >= 21 && x <= 23 && rel >= 0 && rel <= 11;
        if (head || shaft) {
            return press ? kAccent : Colour{0xE0, 0x9A, 0x30};
        }
        if (edge) {
            return Colour{0xB8, 0xC4, 0xD4};
        }
        return cap ? Colour{0x3C, 0x4E, 0x66} : kListBack;
    });
    return image;
}

// A clock face: the delay rows (highlighted on the selected row).
Image MacroDelayPicture(bool selected) {
    Image image(kRowPictureWidth, kRowPictureHeight);
    const Colour back = selected ? kListHighlight : kListBack;
    const Colour ink = selected ? Colour{0x10, 0x10, 0x10} : Colour{0xB8, 0xC4, 0xD4};
    image.Fill([&](int x, int y) {
        const double dx = x - 13.5;
        const double dy = y - 8.5;
        const double r = std::sqrt(dx * dx + dy * dy);
        if (r >= 6.2 && r <= 7.6) {
            return ink;
        }
        const bool hourHand = x >= 13 && x <= 14 && y >= 4 && y <= 9;
        const bool minuteHand = y >= 8 && y <= 9 && x >= 13 && x <= 17;
        return hourHand || minuteHand ? kAccent : back;
    });
    return image;
}

// A mouse outline with its left button lit: the mouse-button rows.
Image MacroMousePicture(bool selected) {
    Image image(kRowPictureWidth, kRowPictureHeight);
    const Colour back = selected ? kListHighlight : kListBack;
    const Colour ink = selected ? Colour{0x10, 0x10, 0x10} : Colour{0xB8, 0xC4, 0xD4};
    image.Fill([&](int x, int y) {
        const double dx = (x - 13.5) / 5.5;
        const double dy = (y - 9.0) / 8.0;
        const double r = dx * dx + dy * dy;
        if (r > 1.0) {
            return back;
        }
        if (r > 0.68 || (y == 7 && x >= 9 && x <= 18) || (x == 13 && y <= 7)) {
            return ink;
        }
        return x < 13 && y < 7 ? kAccent : back;
    });
    return image;
}

// The pages' check boxes (16 x 16): a square frame in the colour of the state, with a tick
// when checked.
Image CheckBox(Colour frame, bool checked) {
    Image image(16, 16);
    image.Fill([&](int x, int y) {
        if (x == 0 || y == 0 || x == 15 || y == 15 || x == 1 || y == 1 || x == 14 || y == 14) {
            return frame;
        }
        if (checked) {
            // The tick: down from (4, 8) to (7, 11), then up to (12, 4).
            const bool down = x >= 4 && x <= 7 && std::abs((y - 8) - (x - 4)) <= 1;
            const bool up = x >= 7 && x <= 12 && std::abs((y - 11) + (x - 7) * 7 / 5) <= 1;
            if (down || up) {
                return kAccent;
            }
        }
        return kListBack;
    });
    return image;
}

// The tray program's icons: a mouse seen from above in the accent colour, on the icon key
// colour (magenta, transparent in an icon) outside its outline. Drawn at 32 x 32; the tray
// host scales it to its own size.
constexpr int kIconSize = 32;
constexpr Colour kIconKey{255, 0, 255};

bool InsideMouse(int x, int y) {
    const double dx = (x + 0.5 - 16.0) / 10.5;
    const double dy = (y + 0.5 - 16.5) / 14.5;
    return dx * dx + dy * dy <= 1.0;
}

Image TrayIcon(Colour body) {
    Image image(kIconSize, kIconSize);
    image.Fill([=](int x, int y) {
        if (!InsideMouse(x, y)) {
            return kIconKey;
        }
        const bool edge = !InsideMouse(x - 1, y) || !InsideMouse(x + 1, y) ||
                          !InsideMouse(x, y - 1) || !InsideMouse(x, y + 1);
        if (edge) {
            return Mix(body, kBlack, 0.55);
        }
        // The split between the two buttons and the wheel.
        if (x == 16 && y < 14) {
            return Mix(body, kBlack, 0.6);
        }
        if (x >= 15 && x <= 17 && y >= 6 && y <= 11) {
            return Mix(kWhite, body, 0.2);
        }
        return Mix(Mix(body, kWhite, 0.35), Mix(body, kBlack, 0.3),
                   static_cast<double>(y) / (kIconSize - 1));
    });
    return image;
}

// The animation button's face: the button (60 x 28) shows the part of it that starts 10
// pixels left and 5 above the centred place, so a face 20 wider and 10 higher is seen from its
// top-left corner; the button's look is drawn there.
constexpr int kAviWidth = 60;
constexpr int kAviHeight = 28;
constexpr int kAviFrames = 8;

Colour AviPixel(int x, int y, double sweep) {
    if (!InsideRounded(x, y, kAviWidth, kAviHeight, 6)) {
        return Mix(kTop, kBottom, 0.1);
    }
    const bool edge = !InsideRounded(x - 1, y - 1, kAviWidth - 2, kAviHeight - 2, 5);
    Colour base = edge ? kAccent : Mix(kTop, kBottom, static_cast<double>(y) / kAviHeight);
    // The mouse, seen from above, in the middle of the face.
    const double mx = (x + 0.5 - kAviWidth / 2.0) / 7.0;
    const double my = (y + 0.5 - kAviHeight / 2.0) / 10.0;
    if (!edge && mx * mx + my * my <= 1.0) {
        const bool split = x == kAviWidth / 2 && y < kAviHeight / 2 - 1;
        base = split ? Mix(kAccent, kBlack, 0.5) : Mix(kAccent, kWhite, 0.15);
    }
    if (sweep >= 0.0) {
        // A bright band sweeping from left to right across the face.
        const double centre = sweep * (kAviWidth + 20) - 10;
        const double d = std::abs(x + y * 0.4 - centre);
        base = Mix(base, kAccent, std::max(0.0, 1.0 - d / 8.0));
    }
    return base;
}

Image AviFace() {
    Image image(kAviWidth + 20, kAviHeight + 10);
    image.Fill([](int x, int y) { return AviPixel(x, y, -1.0); });
    return image;
}

// The clip: its frames side by side, each as large as the button.
Image AviClip() {
    Image image(kAviWidth * kAviFrames, kAviHeight);
    image.Fill([](int x, int y) {
        const int frame = x / kAviWidth;
        return AviPixel(x % kAviWidth, y, static_cast<double>(frame) / (kAviFrames - 1));
    });
    return image;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <skins folder> <bitmap file name>...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    struct Output {
        const char* name;
        std::function<Image()> draw;
    };
    const Output outputs[] = {
        {"SamplePanelBackground.bmp", [] { return PanelBackground(); }},
        {"SamplePanelMask.bmp", [] { return PanelMask(); }},
        {"PopupBackground.bmp",
         [] { return PanelBackground(kPopupWidth, kPopupHeight, kPopupAccentRow); }},
        {"PopupMask.bmp", [] { return PanelMask(kPopupWidth, kPopupHeight); }},
        {"SampleButtonNormal.bmp", NormalButton},
        {"SampleButtonOver.bmp", OverButton},
        {"SampleButtonDown.bmp", DownButton},
        {"SampleButtonDisabled.bmp", DisabledButton},
        {"PopupButtonNormal.bmp", [] { return PopupButton(0); }},
        {"PopupButtonOver.bmp", [] { return PopupButton(1); }},
        {"PopupButtonDown.bmp", [] { return PopupButton(2); }},
        {"PopupButtonDisabled.bmp", [] { return PopupButton(3); }},
        {"MainBackground.bmp", MainBackground},
        {"MainMask.bmp", [] { return PanelMask(kMainWidth, kMainHeight); }},
        {"TabButtonNormal.bmp", TabNormal},
        {"TabButtonOver.bmp", TabOver},
        {"TabButtonDown.bmp", TabDown},
        {"TabButtonDisabled.bmp", TabDisabled},
        {"DPIStagesBackground.bmp", StagesBackground},
        {"DPIStagesMask.bmp", [] { return PanelMask(kStagesWidth, kStagesHeight); }},
        {"StageFrame.bmp", [] { return StageFrame(false); }},
        {"StageFrameSelected.bmp", [] { return StageFrame(true); }},
        {"StageValueBox.bmp", [] { return StageValueBox(false); }},
        {"stageSelected.bmp", [] { return StageValueBox(true); }},
        {"SliderTrack.bmp", SliderTrack},
        {"SliderThumb.bmp", [] { return SliderThumb(false); }},
        {"SliderThumbOver.bmp", [] { return SliderThumb(true); }},
        {"SmallButtonNormal.bmp",
         [] {
             return ButtonState({0x3C, 0x4E, 0x66}, {0x22, 0x2E, 0x3D}, {0x5A, 0x6E, 0x88}, 28, 24);
         }},
        {"SmallButtonOver.bmp",
         [] {
             return ButtonState({0x48, 0x62, 0x80}, {0x2A, 0x3A, 0x4E}, kAccent, 28, 24);
         }},
        {"SmallButtonDown.bmp",
         [] {
             return ButtonState({0x1C, 0x26, 0x33}, {0x30, 0x40, 0x55}, kAccent, 28, 24);
         }},
        {"SmallButtonDisabled.bmp",
         [] {
             return ButtonState({0x3A, 0x3A, 0x3A}, {0x2A, 0x2A, 0x2A}, {0x4A, 0x4A, 0x4A}, 28, 24);
         }},
        {"ChoiceButtonNormal.bmp", [] { return ChoiceButton(0); }},
        {"ChoiceButtonOver.bmp", [] { return ChoiceButton(1); }},
        {"ChoiceButtonDown.bmp", [] { return ChoiceButton(2); }},
        {"ChoiceButtonDisabled.bmp", [] { return ChoiceButton(3); }},
        {"WideButtonNormal.bmp", [] { return WideButton(0); }},
        {"WideButtonOver.bmp", [] { return WideButton(1); }},
        {"WideButtonDown.bmp", [] { return WideButton(2); }},
        {"WideButtonDisabled.bmp", [] { return WideButton(3); }},
        {"SensitivityTrack.bmp", [] { return PageTrack(32, 162, 480, true); }},
        {"SensitivityTrackX.bmp", [] { return PageTrack(52, 162, 460, true); }},
        {"SensitivityTrackY.bmp", [] { return PageTrack(52, 192, 460, true); }},
        {"AccelTrack.bmp", [] { return PageTrack(32, 282, 260, true); }},
        {"AccelTrackDisabled.bmp", [] { return PageTrack(32, 282, 260, false); }},
        {"AxisBracket.bmp", AxisBracket},
        {"SliderThumbDisabled.bmp", SliderThumbDisabled},
        {"CommandPopupBackground.bmp",
         [] {
             return PanelBackground(kCommandPopupWidth, kCommandPopupHeight,
                                    kCommandPopupAccentRow);
         }},
        {"CommandPopupMask.bmp", [] { return PanelMask(kCommandPopupWidth, kCommandPopupHeight); }},
        {"PreviewBackground.bmp",
         [] { return PanelBackground(kPreviewWidth, kPreviewHeight, kPreviewAccentRow); }},
        {"PreviewMask.bmp", [] { return PanelMask(kPreviewWidth, kPreviewHeight); }},
        {"AssignMouseTop.bmp", AssignMouseTop},
        {"checkbox3.bmp", [] { return FramedCheckBox(13, false); }},
        {"checkbox4.bmp", [] { return FramedCheckBox(13, true); }},
        {"CheckBoxDown.bmp", [] { return FramedCheckBox(20, true); }},
        {"MacroKeyDown.bmp", [] { return MacroKeyPicture(true); }},
        {"MacroKeyUp.bmp", [] { return MacroKeyPicture(false); }},
        {"MacroDelay.bmp", [] { return MacroDelayPicture(false); }},
        {"MacroDelaySelected.bmp", [] { return MacroDelayPicture(true); }},
        {"MacroMouse.bmp", [] { return MacroMousePicture(false); }},
        {"MacroMouseSelected.bmp", [] { return MacroMousePicture(true); }},
        {"CheckBoxNormal.bmp",
         [] {
             return CheckBox({0x5F, 0x5F, 0x5F}, false);
         }},
        {"CheckBoxOver.bmp", [] { return CheckBox(kAccent, false); }},
        {"CheckBoxChecked.bmp",
         [] {
             return CheckBox({0xB8, 0xC4, 0xD4}, true);
         }},
        {"CheckBoxDisabled.bmp",
         [] {
             return CheckBox({0x3A, 0x3A, 0x3A}, false);
         }},
        {"TrayIcon.bmp", [] { return TrayIcon(kAccent); }},
        {"AppIcon.bmp",
         [] {
             return TrayIcon({0x3C, 0x8E, 0xD0});
         }},
        {"AviFace.bmp", AviFace},
        {"AviClip.bmp", AviClip},
        {"ScrollThumb.bmp", ScrollBarThumb},
        {"ScrollTop.bmp", [] { return ScrollBarCap(true); }},
        {"ScrollBottom.bmp", [] { return ScrollBarCap(false); }},
        {"ScrollUp.bmp", [] { return ScrollBarArrow(true); }},
        {"ScrollDown.bmp", [] { return ScrollBarArrow(false); }},
        {"ScrollSpine.bmp", ScrollBarSpine},
    };
    // The build names the files it expects; every one must be drawn here, so that the list
    // in the build and the drawings never drift apart unnoticed.
    for (int i = 2; i < argc; ++i) {
        const std::string wanted = argv[i];
        const Output* found = nullptr;
        for (const Output& output : outputs) {
            if (wanted == output.name) {
                found = &output;
            }
        }
        if (found == nullptr) {
            std::fprintf(stderr, "skingen: no drawing for %s\n", wanted.c_str());
            return 1;
        }
        if (!found->draw().SaveBmp(folder / found->name)) {
            std::fprintf(stderr, "skingen: cannot write %s\n",
                         (folder / found->name).string().c_str());
            return 1;
        }
    }
    return 0;
}
