#include "platform/gdi/FontEngine.h"

#include "platform/base/WideChar.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cctype>
#include <cmath>
#include <system_error>

namespace gdi {

namespace {

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](char c) {
        return static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    });
    return s;
}

bool FaceIsBold(FT_Face f) {
    return (f->style_flags & FT_STYLE_FLAG_BOLD) != 0;
}
bool FaceIsItalic(FT_Face f) {
    return (f->style_flags & FT_STYLE_FLAG_ITALIC) != 0;
}

// The face behind the window system's own dialog and menu font ("MS Shell Dlg"): DejaVu Sans
// from fonts-dejavu-core, found by its files, so that the common case of a dialog, its units
// and its menus needs no fontconfig set-up (which reads and parses the whole font
// configuration). Without those files the name goes to fontconfig like any other.
#ifndef BORVANTA_UI_FONT_DIR
#define BORVANTA_UI_FONT_DIR "/usr/share/fonts/truetype/dejavu"
#endif
constexpr const char* kUiFaceName = "ms shell dlg";

std::string UiFaceFile(bool bold, bool italic) {
    static const char* const kFiles[4] = {"DejaVuSans.ttf", "DejaVuSans-Oblique.ttf",
                                          "DejaVuSans-Bold.ttf", "DejaVuSans-BoldOblique.ttf"};
    return std::string(BORVANTA_UI_FONT_DIR) + "/" + kFiles[(bold ? 2 : 0) + (italic ? 1 : 0)];
}

// Cell default for a height of 0.
constexpr long long kDefaultCell = 16;
constexpr long long kMaxPixels = 2048;

} // namespace

FontEngine& FontEngine::Instance() {
    static FontEngine* engine = new FontEngine; // lives to the end of the process
    return *engine;
}

FontEngine::FontEngine() {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) == 0) {
        library_ = lib;
    }
}

void FontEngine::EnsureFontconfigLocked() {
    if (!fontconfigReady_) {
        FcInit();
        fontconfigReady_ = true;
    }
}

bool FontEngine::FontconfigLoaded() {
    std::lock_guard lock(mutex_);
    return fontconfigReady_;
}

bool FontEngine::LocateUiFace(const std::string& family, bool bold, bool italic, Located& out) {
    if (family != kUiFaceName) {
        return false;
    }
    // Each style has its file; a missing one leaves the name to fontconfig.
    std::string file = UiFaceFile(bold, italic);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(file, ec)) {
        return false;
    }
    out = Located{std::move(file), 0, bold, italic};
    return true;
}

int FontEngine::AddFile(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    if (library_ == nullptr) {
        return 0;
    }
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(file, ec);
    int added = 0;
    bool known = false;
    for (PrivateFace& f : private_) {
        if (f.file == canonical) {
            ++f.references;
            ++added;
            known = true;
        }
    }
    if (known) {
        return added;
    }
    // Only a regular file: opening a named pipe would wait for a writer for ever.
    if (!std::filesystem::is_regular_file(canonical, ec)) {
        return 0;
    }
    FT_Face face = nullptr;
    if (FT_New_Face(static_cast<FT_Library>(library_), canonical.c_str(), -1, &face) != 0) {
        return 0;
    }
    const long count = face->num_faces;
    FT_Done_Face(face);
    for (long i = 0; i < count && i < 64; ++i) {
        if (FT_New_Face(static_cast<FT_Library>(library_), canonical.c_str(), i, &face) != 0) {
            continue;
        }
        if (face->family_name != nullptr && FT_IS_SCALABLE(face)) {
            std::string full = face->family_name;
            if (face->style_name != nullptr && std::string(face->style_name) != "Regular") {
                full += std::string(" ") + face->style_name;
            }
            private_.push_back(PrivateFace{canonical, i, Lower(face->family_name), Lower(full),
                                           FaceIsBold(face), FaceIsItalic(face), 1});
            ++added;
        }
        FT_Done_Face(face);
    }
    return added;
}

bool FontEngine::RemoveFile(const std::filesystem::path& file) {
    std::lock_guard lock(mutex_);
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(file, ec);
    bool found = false;
    for (PrivateFace& f : private_) {
        if (f.file == canonical) {
            --f.references;
            found = true;
        }
    }
    std::erase_if(private_, [](const PrivateFace& f) { return f.references <= 0; });
    // Fonts made from the file keep drawing with what they loaded; new fonts no longer find it.
    return found;
}

bool FontEngine::LocatePrivate(const std::string& family, bool bold, bool italic, Located& out) {
    // A family name picks the face closest to the asked style; a full name ("Family Bold")
    // picks that face whatever the style asked.
    int best = -1;
    for (const PrivateFace& f : private_) {
        int score = 0;
        if (f.fullName == family) {
            score = 4;
        } else if (f.family == family) {
            score = (f.bold == bold ? 2 : 0) + (f.italic == italic ? 1 : 0);
        } else {
            continue;
        }
        if (score > best) {
            best = score;
            out = Located{f.file.string(), f.index, f.bold, f.italic};
        }
    }
    return best >= 0;
}

bool FontEngine::LocateSystem(const std::string& family, bool bold, bool italic,
                              BYTE pitchAndFamily, Located& out) {
    EnsureFontconfigLocked();
    FcPattern* pattern = FcPatternCreate();
    if (pattern == nullptr) {
        return false;
    }
    if (!family.empty()) {
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    }
    const char* generic = "sans-serif";
    switch (pitchAndFamily & 0xF0) {
    case FF_ROMAN:
        generic = "serif";
        break;
    case FF_MODERN:
        generic = "monospace";
        break;
    default:
        break;
    }
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(generic));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (match == nullptr) {
        return false;
    }
    FcChar8* file = nullptr;
    int index = 0;
    int weight = FC_WEIGHT_REGULAR;
    int slant = FC_SLANT_ROMAN;
    bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr;
    if (ok) {
        FcPatternGetInteger(match, FC_INDEX, 0, &index);
        FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
        FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        out = Located{reinterpret_cast<const char*>(file), index, weight >= FC_WEIGHT_DEMIBOLD,
                      slant != FC_SLANT_ROMAN};
    }
    FcPatternDestroy(match);
    return ok;
}

std::shared_ptr<FontInstance> FontEngine::Resolve(const LOGFONTW& lf) {
    std::lock_guard lock(mutex_);
    if (library_ == nullptr) {
        return nullptr;
    }
    size_t nameLength = 0;
    while (nameLength < LF_FACESIZE && lf.lfFaceName[nameLength] != 0) {
        ++nameLength;
    }
    const std::string family = Lower(ToUtf8(std::u16string_view(lf.lfFaceName, nameLength)));
    const bool bold = lf.lfWeight >= 600;
    const bool italic = lf.lfItalic != 0;

    Located where;
    if (!LocatePrivate(family, bold, italic, where) && !LocateUiFace(family, bold, italic, where) &&
        !LocateSystem(family, bold, italic, lf.lfPitchAndFamily, where)) {
        return nullptr;
    }

    return MakeInstanceLocked(where, lf.lfHeight, bold, italic);
}

FontInstance* FontEngine::FallbackLocked(FontInstance& like, char32_t code) {
    auto& cache = like.Fallbacks();
    if (auto it = cache.find(code); it != cache.end()) {
        return it->second;
    }
    FontInstance* found = nullptr;
    EnsureFontconfigLocked();
    FcPattern* pattern = FcPatternCreate();
    FcCharSet* chars = FcCharSetCreate();
    if (pattern != nullptr && chars != nullptr) {
        FcCharSetAddChar(chars, code);
        FcPatternAddCharSet(pattern, FC_CHARSET, chars);
        FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
        FcPatternAddInteger(pattern, FC_WEIGHT,
                            like.Weight() >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
        FcPatternAddInteger(pattern, FC_SLANT, like.Italic() ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
        FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
        FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
        FcDefaultSubstitute(pattern);
        FcResult result = FcResultNoMatch;
        FcPattern* match = FcFontMatch(nullptr, pattern, &result);
        if (match != nullptr) {
            FcCharSet* has = nullptr;
            FcChar8* file = nullptr;
            int index = 0;
            int weight = FC_WEIGHT_REGULAR;
            int slant = FC_SLANT_ROMAN;
            if (FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch &&
                FcCharSetHasChar(has, code) &&
                FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file != nullptr) {
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
                FcPatternGetInteger(match, FC_SLANT, 0, &slant);
                const Located where{reinterpret_cast<const char*>(file), index,
                                    weight >= FC_WEIGHT_DEMIBOLD, slant != FC_SLANT_ROMAN};
                std::shared_ptr<FontInstance> instance =
                    MakeInstanceLocked(where, -static_cast<long long>(like.EmPixels()),
                                       like.Weight() >= 600, like.Italic());
                if (instance && instance.get() != &like) {
                    found = instance.get(); // instances live as long as the engine
                }
            }
            FcPatternDestroy(match);
        }
    }
    if (chars != nullptr) {
        FcCharSetDestroy(chars);
    }
    if (pattern != nullptr) {
        FcPatternDestroy(pattern);
    }
    cache.emplace(code, found);
    return found;
}

std::shared_ptr<FontInstance> FontEngine::MakeInstanceLocked(const Located& where, long long height,
                                                             bool bold, bool italic) {
    const std::string key = where.file + '\n' + std::to_string(where.index) + '\n' +
                            std::to_string(height) + '\n' + (bold ? "b" : "") + (italic ? "i" : "");
    if (auto it = instances_.find(key); it != instances_.end()) {
        return it->second;
    }

    FT_Face face = nullptr;
    if (FT_New_Face(static_cast<FT_Library>(library_), where.file.c_str(), where.index, &face) !=
        0) {
        return nullptr;
    }
    double upem = face->units_per_EM > 0 ? face->units_per_EM : 1000.0;
    double asc = face->ascender;
    double desc = -static_cast<double>(face->descender);
    if (auto* os2 = static_cast<TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 != nullptr && os2->usWinAscent + os2->usWinDescent > 0) {
        asc = os2->usWinAscent;
        desc = os2->usWinDescent;
    }
    if (asc + desc <= 0) {
        asc = upem * 0.8;
        desc = upem * 0.2;
    }
    double em = 0;
    int ascent = 0;
    int descent = 0;
    if (height < 0) {
        em = static_cast<double>(std::min(-height, kMaxPixels));
        ascent = static_cast<int>(std::lround(em * asc / upem));
        descent = static_cast<int>(std::lround(em * desc / upem));
    } else {
        const long long cell = height == 0 ? kDefaultCell : std::min(height, kMaxPixels);
        em = static_cast<double>(cell) * upem / (asc + desc);
        ascent = static_cast<int>(std::lround(static_cast<double>(cell) * asc / (asc + desc)));
        descent = static_cast<int>(cell) - ascent;
    }
    const auto size26 = static_cast<FT_F26Dot6>(std::lround(std::max(em, 1.0) * 64.0));
    FT_Set_Char_Size(face, 0, size26, 72, 72);
    auto instance = std::make_shared<FontInstance>(
        face, ascent, descent, static_cast<int>(std::lround(em)), bold && !where.bold,
        italic && !where.italic, bold ? FW_BOLD : FW_NORMAL, italic,
        face->family_name != nullptr ? face->family_name : "");
    instances_.emplace(key, instance);
    return instance;
}

} // namespace gdi

// fontconfig loses a few bytes while it parses its configuration files; that is not ours to
// fix, so leak checks in sanitizer builds leave the library's allocations out.
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define BORVANTA_GDI_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__) || defined(BORVANTA_GDI_ASAN)
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif
