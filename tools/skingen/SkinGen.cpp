// skingen <skins folder> <file name>...: draws the named bitmaps of our own skin and writes
// them as 24-bit BMP files into the folder (the program's "skins" folder). Everything is
// computed here, so the skin needs no picture files from anywhere else. Panel masks follow the
// window-region rule: pure white is cut away, every other colour belongs to the window.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

struct Colour {
    int r;
    int g;
    int b;
};

Colour Mix(Colour a, Colour b, double t) {
    t = std::clamp(t, 0.0, 1.0);
    auto channel = [t](int x, int y) { return static_cast<int>(std::lround(x + (y - x) * t)); };
    return {channel(a.r, b.r), channel(a.g, b.g), channel(a.b, b.b)};
}

class Image {
public:
    Image(int width, int height) : m_width(width), m_height(height) {
        m_pixels.resize(static_cast<size_t>(width * height), Colour{0, 0, 0});
    }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    void Set(int x, int y, Colour c) {
        if (x >= 0 && y >= 0 && x < m_width && y < m_height) {
            m_pixels[static_cast<size_t>(y * m_width + x)] = c;
        }
    }
    Colour Get(int x, int y) const { return m_pixels[static_cast<size_t>(y * m_width + x)]; }
    void Fill(const std::function<Colour(int, int)>& paint) {
        for (int y = 0; y < m_height; ++y) {
            for (int x = 0; x < m_width; ++x) {
                Set(x, y, paint(x, y));
            }
        }
    }

    bool SaveBmp(const std::filesystem::path& file) const {
        const int rowBytes = (m_width * 3 + 3) / 4 * 4;
        const auto imageBytes = static_cast<std::uint32_t>(rowBytes * m_height);
        std::string out;
        auto put16 = [&out](std::uint32_t v) {
            out.push_back(static_cast<char>(v & 0xFF));
            out.push_back(static_cast<char>((v >> 8) & 0xFF));
        };
        auto put32 = [&put16](std::uint32_t v) {
            put16(v & 0xFFFF);
            put16(v >> 16);
        };
        out += "BM";
        put32(54 + imageBytes);
        put32(0);
        put32(54);
        put32(40);
        put32(static_cast<std::uint32_t>(m_width));
        put32(static_cast<std::uint32_t>(m_height));
        put16(1);
        put16(24);
        put32(0);
        put32(imageBytes);
        put32(2835);
        put32(2835);
        put32(0);
        put32(0);
        for (int y = m_height - 1; y >= 0; --y) {
            int written = 0;
            for (int x = 0; x < m_width; ++x) {
                const Colour c = Get(x, y);
                out.push_back(static_cast<char>(c.b));
                out.push_back(static_cast<char>(c.g));
                out.push_back(static_cast<char>(c.r));
                written += 3;
            }
            out.append(static_cast<size_t>(rowBytes - written), '\0');
        }
        std::ofstream stream(file, std::ios::binary);
        stream.write(out.data(), static_cast<std::streamsize>(out.size()));
        return static_cast<bool>(stream);
    }

private:
    int m_width;
    int m_height;
    std::vector<Colour> m_pixels;
};

// True when (x, y) lies inside the rectangle of the given size with rounded corners.
bool InsideRounded(int x, int y, int width, int height, int radius) {
    const double px = x + 0.5;
    const double py = y + 0.5;
    const double cx =
        std::clamp(px, static_cast<double>(radius), static_cast<double>(width - radius));
    const double cy =
        std::clamp(py, static_cast<double>(radius), static_cast<double>(height - radius));
    const double dx = px - cx;
    const double dy = py - cy;
    return dx * dx + dy * dy <= static_cast<double>(radius) * radius;
}

constexpr int kPanelWidth = 320;
constexpr int kPanelHeight = 200;
constexpr int kPanelRadius = 24;
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kTop{0x2B, 0x3A, 0x4F};
constexpr Colour kBottom{0x0E, 0x14, 0x1C};
constexpr Colour kAccent{0x2F, 0xB5, 0x6A};

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
        {"PopupButtonNormal.bmp", NormalButton},
        {"PopupButtonOver.bmp", OverButton},
        {"PopupButtonDown.bmp", DownButton},
        {"PopupButtonDisabled.bmp", DisabledButton},
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
        {"TrayIcon.bmp", [] { return TrayIcon(kAccent); }},
        {"AppIcon.bmp",
         [] {
             return TrayIcon({0x3C, 0x8E, 0xD0});
         }},
        {"SmallButtonDisabled.bmp",
         [] {
             return ButtonState({0x3A, 0x3A, 0x3A}, {0x2A, 0x2A, 0x2A}, {0x4A, 0x4A, 0x4A}, 28, 24);
         }},
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
