#include "platform/gdi/FontInstance.h"

#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H

#include <algorithm>

namespace gdi {

namespace {

FT_Face AsFace(void* f) {
    return static_cast<FT_Face>(f);
}

} // namespace

FontInstance::FontInstance(void* face, int ascent, int descent, int emPixels, bool embolden,
                           bool oblique, LONG weight, bool italic, std::string family)
    : face_(face), ascent_(ascent), descent_(descent), emPixels_(emPixels), embolden_(embolden),
      oblique_(oblique), weight_(weight), italic_(italic), family_(std::move(family)) {}

FontInstance::~FontInstance() {
    FT_Done_Face(AsFace(face_));
}

const Glyph& FontInstance::GetGlyph(char32_t code) {
    auto it = glyphs_.find(code);
    if (it != glyphs_.end()) {
        return it->second;
    }
    Glyph g;
    if (code < 0x20 || code == 0x7F) {
        // Control characters take no room and draw nothing.
        return glyphs_.emplace(code, std::move(g)).first->second;
    }
    FT_Face face = AsFace(face_);
    g.missing = FT_Get_Char_Index(face, code) == 0;
    if (FT_Load_Char(face, code, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) == 0) {
        FT_GlyphSlot slot = face->glyph;
        if (embolden_) {
            FT_GlyphSlot_Embolden(slot);
        }
        if (oblique_) {
            FT_GlyphSlot_Oblique(slot);
        }
        if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) == 0) {
            const FT_Bitmap& bm = slot->bitmap;
            g.left = slot->bitmap_left;
            g.top = slot->bitmap_top;
            g.width = static_cast<int>(bm.width);
            g.rows = static_cast<int>(bm.rows);
            g.coverage.resize(static_cast<size_t>(g.width) * static_cast<size_t>(g.rows));
            for (int y = 0; y < g.rows; ++y) {
                const unsigned char* src = bm.buffer + static_cast<long>(y) * bm.pitch;
                std::copy(src, src + g.width, g.coverage.begin() + static_cast<long>(y) * g.width);
            }
        }
        g.advance = static_cast<int>((slot->advance.x + 32) >> 6);
    }
    return glyphs_.emplace(code, std::move(g)).first->second;
}

int FontInstance::MaxAdvance() const {
    FT_Face face = AsFace(face_);
    return static_cast<int>((face->size->metrics.max_advance + 63) >> 6);
}

} // namespace gdi
