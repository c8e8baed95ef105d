// Fonts as GDI objects and text output: TextOutW, DrawTextW and measurement.

#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/DeviceContext.h"
#include "platform/gdi/FontEngine.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>

namespace gdi {

std::shared_ptr<FontInstance> ResolveFont(FontObject& font) {
    static std::mutex mutex; // stock fonts are shared between threads
    std::lock_guard lock(mutex);
    if (!font.instance) {
        font.instance = FontEngine::Instance().Resolve(font.logfont);
    }
    return font.instance;
}

namespace {

std::u32string Decode(const WCHAR* text, size_t length) {
    std::u32string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        const char32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u));
            ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// The glyph of a character: from the font, or from a face that has it when the font lacks
// it (languages whose script the skin's font does not cover).
const Glyph& GlyphFor(FontInstance& font, char32_t c) {
    const Glyph& g = font.GetGlyph(c);
    if (!g.missing) {
        return g;
    }
    FontInstance* other = FontEngine::Instance().FallbackLocked(font, c);
    return other == nullptr ? g : other->GetGlyph(c);
}

int Measure(FontInstance& font, std::u32string_view text) {
    int width = 0;
    for (char32_t c : text) {
        width += GlyphFor(font, c).advance;
    }
    return width;
}

inline BYTE Blend(unsigned dst, unsigned src, unsigned coverage) {
    return static_cast<BYTE>((src * coverage + dst * (255 - coverage) + 127) / 255);
}

// Draws a run with its top-left corner at a target point. `clip`, when given, limits the
// drawing further (target units). `underline` is the index of a character to underline.
void DrawRun(DeviceContext& dc, FontInstance& font, POINT topLeft, std::u32string_view text,
             const RECT* clip, int underline = -1) {
    Bitmap* target = dc.Target();
    if (target == nullptr) {
        return;
    }
    const COLORREF color = dc.Current().textColor;
    const unsigned tr = GetRValue(color);
    const unsigned tg = GetGValue(color);
    const unsigned tb = GetBValue(color);
    const Pixel solid = PixelFromColorRef(color);
    auto limit = [clip](RECT r) {
        if (clip != nullptr) {
            r.left = std::max(r.left, clip->left);
            r.top = std::max(r.top, clip->top);
            r.right = std::min(r.right, clip->right);
            r.bottom = std::min(r.bottom, clip->bottom);
        }
        return r;
    };
    const int width = Measure(font, text);
    if (dc.Current().bkMode == OPAQUE) {
        const Pixel bk = PixelFromColorRef(dc.Current().bkColor);
        dc.ForEachVisible(
            limit(RECT{topLeft.x, topLeft.y, topLeft.x + width, topLeft.y + font.Height()}),
            [&](const RECT& r) {
                for (LONG y = r.top; y < r.bottom; ++y) {
                    std::fill(target->Row(y) + r.left, target->Row(y) + r.right, bk);
                }
            });
    }
    const int baseline = topLeft.y + font.Ascent();
    int pen = topLeft.x;
    for (size_t i = 0; i < text.size(); ++i) {
        const Glyph& g = GlyphFor(font, text[i]);
        const int x0 = pen + g.left;
        const int y0 = baseline - g.top;
        if (g.width > 0 && g.rows > 0) {
            dc.ForEachVisible(limit(RECT{x0, y0, x0 + g.width, y0 + g.rows}), [&](const RECT& r) {
                for (LONG y = r.top; y < r.bottom; ++y) {
                    Pixel* row = target->Row(y);
                    const BYTE* cov = g.coverage.data() +
                                      static_cast<size_t>(y - y0) * static_cast<size_t>(g.width);
                    for (LONG x = r.left; x < r.right; ++x) {
                        const unsigned c = cov[x - x0];
                        if (c == 0) {
                            continue;
                        }
                        Pixel& p = row[x];
                        if (c == 255) {
                            p = (p & 0xFF000000u) | solid;
                            continue;
                        }
                        p = (p & 0xFF000000u) |
                            (static_cast<Pixel>(Blend((p >> 16) & 0xFF, tr, c)) << 16) |
                            (static_cast<Pixel>(Blend((p >> 8) & 0xFF, tg, c)) << 8) |
                            Blend(p & 0xFF, tb, c);
                    }
                }
            });
        }
        if (static_cast<int>(i) == underline) {
            const int uy = baseline + std::max(1, font.Descent() / 3);
            dc.ForEachVisible(limit(RECT{pen, uy, pen + g.advance, uy + 1}), [&](const RECT& r) {
                std::fill(target->Row(r.top) + r.left, target->Row(r.top) + r.right, solid);
            });
        }
        pen += g.advance;
    }
}

std::shared_ptr<FontInstance> CurrentFont(DeviceContext& dc) {
    FontObject* f = dc.Font();
    if (f == nullptr) {
        f = FindFont(HandleCast<HFONT>(StockObject(SYSTEM_FONT)));
    }
    return f == nullptr ? nullptr : ResolveFont(*f);
}

struct Line {
    std::u32string text;
    int underline = -1;
    int width = 0;
};

// Removes '&' prefixes: "&&" is one '&', "&x" underlines x.
std::u32string StripPrefix(std::u32string_view in, int& underline) {
    std::u32string out;
    underline = -1;
    for (size_t i = 0; i < in.size(); ++i) {
        if (in[i] == U'&') {
            if (i + 1 >= in.size()) {
                break;
            }
            ++i;
            if (in[i] != U'&') {
                underline = static_cast<int>(out.size());
            }
        }
        out.push_back(in[i]);
    }
    return out;
}

// Characters of scripts written without spaces between words (Chinese, Japanese): a line
// may break before or after any of them.
bool BreaksAnywhere(char32_t c) {
    return (c >= 0x2E80 && c <= 0x2FDF) || // CJK radicals
           (c >= 0x3000 && c <= 0x30FF) || // CJK symbols and punctuation, kana
           (c >= 0x31F0 && c <= 0x31FF) || // katakana extensions
           (c >= 0x3400 && c <= 0x4DBF) || // CJK ideographs, extension A
           (c >= 0x4E00 && c <= 0x9FFF) || // CJK ideographs
           (c >= 0xF900 && c <= 0xFAFF) || // CJK compatibility ideographs
           (c >= 0xFF00 && c <= 0xFF60) || // full-width forms
           (c >= 0x20000 && c <= 0x3FFFF); // ideographs of the supplementary planes
}

// Characters that never start a line (closing marks, small kana, the prolonged sound mark)
// and that never end one (opening marks).
bool NeverStartsLine(char32_t c) {
    static constexpr std::u32string_view closing =
        U"\u3001\u3002\uFF0C\uFF0E\uFF1A\uFF1B\uFF01\uFF1F\uFF09\uFF3D\uFF5D\u300D\u300F"
        U"\u3011\u3015\u3009\u300B\u30FB\u30FC\u3005\u309D\u309E\u30FD\u30FE\u201D\u2019"
        U"\u3041\u3043\u3045\u3047\u3049\u3063\u3083\u3085\u3087\u308E\u30A1\u30A3"
        U"\u30A5\u30A7\u30A9\u30C3\u30E3\u30E5\u30E7\u30EE\u30F5\u30F6.,:;!?)]}%";
    return closing.find(c) != std::u32string_view::npos;
}
bool NeverEndsLine(char32_t c) {
    static constexpr std::u32string_view opening =
        U"\uFF08\uFF3B\uFF5B\u300C\u300E\u3010\u3014\u3008\u300A\u201C\u2018([{";
    return opening.find(c) != std::u32string_view::npos;
}

// A line may break between `before` and `after` without a space: next to a character of a
// script without spaces, unless a closing mark would start the line or an opening mark end
// it.
bool BreakBetween(char32_t before, char32_t after) {
    if (before == U' ' || after == U' ') {
        return false; // breaks at blanks are taken at the blank
    }
    if (!BreaksAnywhere(before) && !BreaksAnywhere(after)) {
        return false;
    }
    return !NeverStartsLine(after) && !NeverEndsLine(before);
}

void AddWrapped(std::vector<Line>& lines, FontInstance& font, const std::u32string& p,
                int underline, int maxWidth, bool breakWords) {
    const size_t n = p.size();
    if (n == 0) {
        lines.push_back(Line{});
        return;
    }
    size_t pos = 0;
    while (pos < n) {
        int w = 0;
        size_t i = pos;
        // The last place in the line where it may break: the line ends at breakEnd and the
        // next one starts at breakNext (past a blank, or right there between characters).
        size_t breakEnd = std::u32string::npos;
        size_t breakNext = std::u32string::npos;
        while (i < n) {
            const int adv = GlyphFor(font, p[i]).advance;
            if (w + adv > maxWidth && i > pos) {
                break;
            }
            if (p[i] == U' ') {
                breakEnd = i;
                breakNext = i + 1;
            } else if (i > pos && BreakBetween(p[i - 1], p[i])) {
                breakEnd = i;
                breakNext = i;
            }
            w += adv;
            ++i;
        }
        size_t end = i;
        size_t next = i;
        if (i < n) {
            if (p[i] == U' ') {
                end = i;
                next = i + 1;
            } else if (BreakBetween(p[i - 1], p[i])) {
                end = i;
                next = i;
            } else if (breakEnd != std::u32string::npos && breakEnd > pos) {
                end = breakEnd;
                next = breakNext;
            } else if (!breakWords) {
                // A word wider than the rectangle stays whole on its own line.
                end = i;
                while (end < n && p[end] != U' ' &&
                       !(end > i && BreakBetween(p[end - 1], p[end]))) {
                    ++end;
                }
                next = end;
            }
        }
        while (end > pos && p[end - 1] == U' ') {
            --end;
        }
        while (next < n && p[next] == U' ') {
            ++next;
        }
        Line line;
        line.text = p.substr(pos, end - pos);
        if (underline >= static_cast<int>(pos) && underline < static_cast<int>(end)) {
            line.underline = underline - static_cast<int>(pos);
        }
        lines.push_back(std::move(line));
        pos = next;
    }
}

void AddEllipsis(Line& line, FontInstance& font, int maxWidth) {
    if (Measure(font, line.text) <= maxWidth) {
        return;
    }
    static constexpr std::u32string_view dots = U"...";
    const int dotsWidth = Measure(font, dots);
    while (!line.text.empty() && Measure(font, line.text) + dotsWidth > maxWidth) {
        line.text.pop_back();
    }
    if (line.underline >= static_cast<int>(line.text.size())) {
        line.underline = -1;
    }
    line.text += dots;
}

} // namespace

} // namespace gdi

using namespace gdi;

HFONT CreateFontIndirectW(const LOGFONTW* font) {
    if (font == nullptr) {
        return nullptr;
    }
    LOGFONTW lf = *font;
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    return HandleCast<HFONT>(AddObject(std::make_unique<FontObject>(lf)));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                  DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision,
                  DWORD clipPrecision, DWORD quality, DWORD pitchAndFamily, LPCWSTR faceName) {
    LOGFONTW lf;
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    if (faceName != nullptr) {
        for (size_t i = 0; i + 1 < LF_FACESIZE && faceName[i] != 0; ++i) {
            lf.lfFaceName[i] = faceName[i];
        }
    }
    return CreateFontIndirectW(&lf);
}

int AddFontResourceExW(LPCWSTR fileName, DWORD /*flags*/, void* /*reserved*/) {
    if (fileName == nullptr || fileName[0] == 0) {
        return 0;
    }
    return FontEngine::Instance().AddFile(ToNativePath(fileName));
}

int AddFontResourceW(LPCWSTR fileName) {
    return AddFontResourceExW(fileName, FR_PRIVATE, nullptr);
}

BOOL RemoveFontResourceExW(LPCWSTR fileName, DWORD /*flags*/, void* /*reserved*/) {
    if (fileName == nullptr) {
        return FALSE;
    }
    return FontEngine::Instance().RemoveFile(ToNativePath(fileName)) ? TRUE : FALSE;
}

BOOL RemoveFontResourceW(LPCWSTR fileName) {
    return RemoveFontResourceExW(fileName, FR_PRIVATE, nullptr);
}

BOOL TextOutW(HDC dc, int x, int y, LPCWSTR text, int length) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || length < 0 || (text == nullptr && length > 0)) {
        return FALSE;
    }
    auto font = CurrentFont(*d);
    if (!font) {
        return FALSE;
    }
    std::lock_guard lock(FontEngine::Instance().Mutex());
    const std::u32string s = Decode(text, static_cast<size_t>(length));
    DrawRun(*d, *font, d->DeviceToTarget(d->LogicalToDevice(x, y)), s, nullptr);
    return TRUE;
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int length, SIZE* size) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || size == nullptr || length < 0 || (text == nullptr && length > 0)) {
        return FALSE;
    }
    auto font = CurrentFont(*d);
    if (!font) {
        *size = SIZE{0, 0};
        return FALSE;
    }
    std::lock_guard lock(FontEngine::Instance().Mutex());
    *size = SIZE{Measure(*font, Decode(text, static_cast<size_t>(length))), font->Height()};
    return TRUE;
}

BOOL GetTextMetricsW(HDC dc, TEXTMETRICW* metrics) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || metrics == nullptr) {
        return FALSE;
    }
    auto font = CurrentFont(*d);
    if (!font) {
        return FALSE;
    }
    std::lock_guard lock(FontEngine::Instance().Mutex());
    TEXTMETRICW tm;
    tm.tmAscent = font->Ascent();
    tm.tmDescent = font->Descent();
    tm.tmHeight = font->Height();
    tm.tmInternalLeading = std::max(0, font->Height() - font->EmPixels());
    tm.tmAveCharWidth = font->GetGlyph(U'x').advance;
    tm.tmMaxCharWidth = font->MaxAdvance();
    tm.tmWeight = font->Weight();
    const FontObject* f = d->Font();
    if (f != nullptr) {
        tm.tmItalic = f->logfont.lfItalic;
        tm.tmUnderlined = f->logfont.lfUnderline;
        tm.tmStruckOut = f->logfont.lfStrikeOut;
        tm.tmCharSet = f->logfont.lfCharSet;
        tm.tmPitchAndFamily = f->logfont.lfPitchAndFamily;
    }
    *metrics = tm;
    return TRUE;
}

int GetTextFaceW(HDC dc, int count, LPWSTR name) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr) {
        return 0;
    }
    auto font = CurrentFont(*d);
    const std::u16string face = font ? FromUtf8(font->Family()) : std::u16string();
    if (name == nullptr) {
        return static_cast<int>(face.size() + 1);
    }
    if (count <= 0) {
        return 0;
    }
    const size_t n = std::min(face.size(), static_cast<size_t>(count - 1));
    std::copy(face.begin(), face.begin() + static_cast<long>(n), name);
    name[n] = 0;
    return static_cast<int>(n);
}

int DrawTextW(HDC dc, LPCWSTR text, int length, RECT* rect, UINT format) {
    DeviceContext* d = FindDC(dc);
    if (d == nullptr || rect == nullptr || text == nullptr) {
        return 0;
    }
    auto font = CurrentFont(*d);
    if (!font) {
        return 0;
    }
    const size_t count = length < 0 ? wcslen(text) : static_cast<size_t>(length);
    std::lock_guard lock(FontEngine::Instance().Mutex());
    const std::u32string all = Decode(text, count);
    const bool single = (format & DT_SINGLELINE) != 0;
    const bool prefix = (format & DT_NOPREFIX) == 0;
    const int boxWidth = rect->right - rect->left;

    // Paragraphs: the whole text on one line, or split at CR LF, LF and CR.
    std::vector<std::u32string> paragraphs;
    if (single) {
        std::u32string s;
        for (char32_t c : all) {
            if (c != U'\r' && c != U'\n') {
                s.push_back(c);
            }
        }
        paragraphs.push_back(std::move(s));
    } else {
        std::u32string cur;
        for (size_t i = 0; i < all.size(); ++i) {
            if (all[i] == U'\r' || all[i] == U'\n') {
                paragraphs.push_back(std::move(cur));
                cur.clear();
                if (all[i] == U'\r' && i + 1 < all.size() && all[i + 1] == U'\n') {
                    ++i;
                }
            } else {
                cur.push_back(all[i]);
            }
        }
        paragraphs.push_back(std::move(cur));
    }

    std::vector<Line> lines;
    for (const std::u32string& p : paragraphs) {
        int underline = -1;
        std::u32string stripped = prefix ? StripPrefix(p, underline) : p;
        if (!single && (format & DT_WORDBREAK) != 0) {
            AddWrapped(lines, *font, stripped, underline, boxWidth, (format & DT_EDITCONTROL) != 0);
        } else {
            lines.push_back(Line{std::move(stripped), underline, 0});
        }
    }
    int maxWidth = 0;
    for (Line& line : lines) {
        if ((format & DT_END_ELLIPSIS) != 0) {
            AddEllipsis(line, *font, boxWidth);
        }
        line.width = Measure(*font, line.text);
        maxWidth = std::max(maxWidth, line.width);
    }
    const int lineHeight = font->Height();
    const int total = lineHeight * static_cast<int>(lines.size());

    int top = rect->top;
    if (single && (format & DT_VCENTER) != 0) {
        top = rect->top + (rect->bottom - rect->top - lineHeight) / 2;
    } else if (single && (format & DT_BOTTOM) != 0) {
        top = rect->bottom - lineHeight;
    }
    const int result =
        (single && (format & (DT_VCENTER | DT_BOTTOM)) != 0) ? top - rect->top + lineHeight : total;

    if ((format & DT_CALCRECT) != 0) {
        if (single || (format & DT_WORDBREAK) == 0 || maxWidth > boxWidth) {
            rect->right = rect->left + maxWidth;
        }
        rect->bottom = rect->top + total;
        return total;
    }

    RECT clip{};
    const RECT* clipPtr = nullptr;
    if ((format & DT_NOCLIP) == 0) {
        clip = d->LogicalToTarget(*rect);
        clipPtr = &clip;
    }
    int y = top;
    for (const Line& line : lines) {
        int x = rect->left;
        if ((format & DT_CENTER) != 0) {
            x = rect->left + (boxWidth - line.width) / 2;
        } else if ((format & DT_RIGHT) != 0) {
            x = rect->right - line.width;
        }
        DrawRun(*d, *font, d->DeviceToTarget(d->LogicalToDevice(x, y)), line.text, clipPtr,
                line.underline);
        y += lineHeight;
    }
    return result;
}
