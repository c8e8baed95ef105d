#pragma once
// The skin resource cache: every (resource key, kind) pair of the skins is loaded once, on
// first use, and kept for the life of the process; later users get the same entry.

#include "platform/base/CString.h"
#include "platform/base/WinTypes.h"

#include <memory>
#include <vector>

// Resource kinds and their folders below the program folder.
enum SkinResourceKind : int {
    SKINRES_PICTURE = 0,  // "skins\": a picture through the picture loader
    SKINRES_BITMAP = 1,   // "skins\": a BMP file through LoadImageW
    SKINRES_FONTFILE = 4, // "fonts\": a font file added for the process
    SKINRES_LANGFILE = 5, // "lang\": the raw bytes of a language text file
};

class SkinResource {
public:
    // Builds the path (program folder + kind folder + key) and loads at once.
    SkinResource(const WCHAR* key, int kind);
    // A picture (kind 0) whose file was read and decoded already: the entry takes the bitmap
    // (null when the file could not be loaded).
    SkinResource(const WCHAR* key, HBITMAP picture);
    ~SkinResource();
    SkinResource(const SkinResource&) = delete;
    SkinResource& operator=(const SkinResource&) = delete;

    // Releases what was loaded: the bitmap, the added font file or the buffer. The entry
    // then holds nothing and its kind is -1.
    void Unload();

    // True when loading gave an object.
    bool HasObject() const;
    // Kind 0 and 1: the bitmap (owned by the entry); null otherwise.
    HBITMAP GetBitmap() const { return m_bitmap; }
    // Kind 4: the number of fonts the file added; 0 otherwise.
    int GetFontCount() const { return m_fontCount; }
    // Kind 5: the bytes read; null when nothing was read.
    const BYTE* GetData() const { return m_data.empty() ? nullptr : m_data.data(); }

    CString name; // the key as written in the skin
    CString path;
    int kind = -1;
    // Kinds 1 and 4: the file's size in bytes; kind 5: the number of bytes read.
    int size = 0;

private:
    void Load();

    HBITMAP m_bitmap = nullptr;
    int m_fontCount = 0;
    std::vector<BYTE> m_data;
};

class SkinResourceCache {
public:
    // The entry of that key (compared ignoring case) and kind, loaded on first request. An
    // entry whose file was missing stays in the cache with no object, so the disk is not
    // asked again.
    static SkinResource* Find(const WCHAR* key, int kind);
    // Starts reading and decoding a picture (kind 0) on a helper thread, so that it is ready
    // for a Find of that key a moment later (which waits for it); nothing when the key is
    // cached or on its way already. A skin's two largest pictures, its background and its
    // mask, are so loaded side by side.
    static void LoadPictureAhead(const WCHAR* key);
    // Waits for a picture loaded ahead that is no longer wanted and frees it; all of them.
    static void DropPictureAhead(const WCHAR* key);
    static void DropPicturesAhead();
    // The size of the first entry with that key, whatever its kind; 0 when there is none.
    static int GetSize(const WCHAR* key);
    // Unloads and deletes every entry, last first.
    static void Clear();
    static int GetCount();

private:
    static std::vector<std::unique_ptr<SkinResource>>& Entries();
};

// While one lives on a thread, every picture (kinds 0 and 1) asked of the cache on that
// thread whose file could not be read (missing, empty, a folder, damaged, too large) is noted
// in it, each file once, in the order asked: the skin loader tells by it which file of a skin
// failed. Recorders nest; the innermost one takes the notes.
class SkinReadFailures {
public:
    SkinReadFailures();
    ~SkinReadFailures();
    SkinReadFailures(const SkinReadFailures&) = delete;
    SkinReadFailures& operator=(const SkinReadFailures&) = delete;

    // Notes a file (its path as the cache built it), once.
    void Note(const CString& path);
    const std::vector<CString>& Files() const { return m_files; }
    // The innermost recorder of the calling thread, or null.
    static SkinReadFailures* Current();

private:
    std::vector<CString> m_files;
    SkinReadFailures* m_outer = nullptr;
};

// Loads a picture file into a new bitmap that replaces (and deletes) the one in bitmap.
// True on success; bitmap is untouched on failure.
bool LoadPictureFile(const WCHAR* path, HBITMAP& bitmap);
// The size of a file in bytes; 0 when it cannot be opened.
DWORD GetFileSize(const WCHAR* path);
// Replaces target by a new bitmap compatible with dc, of width right - x and height
// bottom - y, holding that rectangle of source (sharing the source's pixels until either is
// drawn on). Does nothing without a source.
void CopyBitmapSection(HBITMAP& target, HDC dc, HBITMAP source, int x, int y, int right,
                       int bottom);
