#pragma once
// One font face at one pixel size and style, with its rendered glyphs: 8-bit coverage from
// FreeType, cached per character. Text calls hold FontEngine::Mutex() while they use it.

#include "platform/base/WinTypes.h"

#include <string>
#include <unordered_map>
#include <vector>

namespace gdi {

struct Glyph {
    int left = 0; // from the pen position to the first column
    int top = 0;  // from the baseline up to the first row
    int width = 0;
    int rows = 0;
    int advance = 0;            // pixels to the next pen position
    std::vector<BYTE> coverage; // width * rows, 0 = none, 255 = full
    bool missing = false;       // the face has no such character (this is its blank glyph)
};

class FontInstance {
public:
    FontInstance(void* face, int ascent, int descent, int emPixels, bool embolden, bool oblique,
                 LONG weight, bool italic, std::string family);
    ~FontInstance();
    FontInstance(const FontInstance&) = delete;
    FontInstance& operator=(const FontInstance&) = delete;

    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }
    int Height() const { return ascent_ + descent_; }
    int EmPixels() const { return emPixels_; }
    LONG Weight() const { return weight_; }
    bool Italic() const { return italic_; }
    const std::string& Family() const { return family_; }
    const Glyph& GetGlyph(char32_t code);
    int MaxAdvance() const;

    // Faces that draw the characters this one lacks (null: none has it), by character.
    std::unordered_map<char32_t, FontInstance*>& Fallbacks() { return fallbacks_; }

private:
    void* face_; // FT_Face
    int ascent_;
    int descent_;
    int emPixels_;
    bool embolden_;
    bool oblique_;
    LONG weight_;
    bool italic_;
    std::string family_;
    std::unordered_map<char32_t, Glyph> glyphs_;
    std::unordered_map<char32_t, FontInstance*> fallbacks_;
};

} // namespace gdi
