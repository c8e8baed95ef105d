#pragma once
// Fonts through FreeType: faces found among the process's added font files first, then through
// fontconfig; glyphs rendered as 8-bit coverage and cached per size.

#include "platform/base/WinTypes.h"
#include "platform/gdi/Gdi.h"

#include <filesystem>
#include <memory>
#include <mutex>
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
};

// One face at one pixel size and style. Text calls lock FontEngine::Mutex() around its use.
class FontInstance {
public:
    FontInstance(void* face, int ascent, int descent, int emPixels, bool embolden, bool oblique,
                 LONG weight, std::string family);
    ~FontInstance();
    FontInstance(const FontInstance&) = delete;
    FontInstance& operator=(const FontInstance&) = delete;

    int Ascent() const { return ascent_; }
    int Descent() const { return descent_; }
    int Height() const { return ascent_ + descent_; }
    int EmPixels() const { return emPixels_; }
    LONG Weight() const { return weight_; }
    const std::string& Family() const { return family_; }
    const Glyph& GetGlyph(char32_t code);
    int MaxAdvance() const;

private:
    void* face_; // FT_Face
    int ascent_;
    int descent_;
    int emPixels_;
    bool embolden_;
    bool oblique_;
    LONG weight_;
    std::string family_;
    std::unordered_map<char32_t, Glyph> glyphs_;
};

class FontEngine {
public:
    static FontEngine& Instance();
    std::mutex& Mutex() { return mutex_; }

    // Adds / removes a font file's faces for this process; the count of faces added.
    int AddFile(const std::filesystem::path& file);
    bool RemoveFile(const std::filesystem::path& file);

    // The instance for a font description; null when no font at all can be found.
    std::shared_ptr<FontInstance> Resolve(const LOGFONTW& font);

private:
    FontEngine();
    struct PrivateFace {
        std::filesystem::path file;
        long index;
        std::string family;   // folded to lower case
        std::string fullName; // family and style ("dejavu sans bold"), folded
        bool bold;
        bool italic;
        int references;
    };
    struct Located {
        std::string file;
        long index = 0;
        bool bold = false;
        bool italic = false;
    };
    bool LocatePrivate(const std::string& family, bool bold, bool italic, Located& out);
    bool LocateSystem(const std::string& family, bool bold, bool italic, BYTE pitchAndFamily,
                      Located& out);

    std::mutex mutex_;
    void* library_ = nullptr; // FT_Library
    std::vector<PrivateFace> private_;
    std::unordered_map<std::string, std::shared_ptr<FontInstance>> instances_;
};

} // namespace gdi
