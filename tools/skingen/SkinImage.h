#pragma once
// The pictures the skin generator draws: colours, an image of them that is written as a
// 24-bit BMP file, and the shapes several drawings share.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace skingen {

struct Colour {
    int r;
    int g;
    int b;
};

inline Colour Mix(Colour a, Colour b, double t) {
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
inline bool InsideRounded(int x, int y, int width, int height, int radius) {
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

// The skin's colours.
constexpr Colour kWhite{255, 255, 255};
constexpr Colour kBlack{0, 0, 0};
constexpr Colour kTop{0x2B, 0x3A, 0x4F};
constexpr Colour kBottom{0x0E, 0x14, 0x1C};
constexpr Colour kAccent{0x2F, 0xB5, 0x6A};

} // namespace skingen
