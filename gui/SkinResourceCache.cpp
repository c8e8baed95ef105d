#include "gui/SkinResourceCache.h"

#include "platform/base/FileRead.h"
#include "platform/base/Path.h"
#include "platform/base/WideChar.h"
#include "platform/gdi/Gdi.h"
#include "platform/gdi/Picture.h"
#include "platform/gdi/Surface.h"

#include <future>
#include <limits>
#include <optional>
#include <system_error>

namespace {

const WCHAR* FolderOfKind(int kind) {
    switch (kind) {
    case SKINRES_FONTFILE:
        return u"fonts\\";
    case SKINRES_LANGFILE:
        return u"lang\\";
    default:
        return u"skins\\";
    }
}

// The largest language text file read. Ours are a few kilobytes.
constexpr size_t kMaxLanguageFileBytes = size_t{2} << 20;
// The largest picture file read: the largest picture the picture loader accepts (8192 x 8192
// pixels of 4 bytes) and its headers.
constexpr size_t kMaxPictureFileBytes = size_t{8192} * 8192 * 4 + 65536;

// The whole file; false for anything that cannot be read as a file (missing, a folder,
// unreadable) or that is larger than the bound, which the callers treat as a missing file.
bool ReadFileBytes(const WCHAR* path, std::vector<BYTE>& bytes, size_t maxBytes) {
    return ReadWholeFile(ToNativePath(path), bytes, maxBytes) == FileReadResult::Ok;
}

int ClampSize(size_t size) {
    return static_cast<int>(std::min<size_t>(size, std::numeric_limits<int>::max()));
}

} // namespace

SkinResource::SkinResource(const WCHAR* key, int resourceKind)
    : name(key == nullptr ? u"" : key), kind(resourceKind) {
    path = CString(ExeFolder) + FolderOfKind(kind) + name;
    Load();
}

SkinResource::SkinResource(const WCHAR* key, HBITMAP picture)
    : name(key == nullptr ? u"" : key), kind(SKINRES_PICTURE) {
    path = CString(ExeFolder) + FolderOfKind(kind) + name;
    m_bitmap = picture;
}

SkinResource::~SkinResource() {
    Unload();
}

void SkinResource::Load() {
    switch (kind) {
    case SKINRES_PICTURE:
        LoadPictureFile(path, m_bitmap);
        break;
    case SKINRES_BITMAP:
        size = static_cast<int>(GetFileSize(path));
        m_bitmap = static_cast<HBITMAP>(
            LoadImageW(nullptr, path, IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
        break;
    case SKINRES_FONTFILE: {
        size = static_cast<int>(GetFileSize(path));
        const int count = AddFontResourceW(path);
        m_fontCount = count > 0 ? count : 0;
        break;
    }
    case SKINRES_LANGFILE:
        if (ReadFileBytes(path, m_data, kMaxLanguageFileBytes)) {
            size = ClampSize(m_data.size());
        }
        break;
    default:
        break;
    }
}

void SkinResource::Unload() {
    if (m_bitmap != nullptr) {
        DeleteObject(m_bitmap);
        m_bitmap = nullptr;
    }
    if (m_fontCount > 0) {
        RemoveFontResourceW(path);
        m_fontCount = 0;
    }
    m_data.clear();
    m_data.shrink_to_fit();
    kind = -1;
}

bool SkinResource::HasObject() const {
    return m_bitmap != nullptr || m_fontCount > 0 || !m_data.empty();
}

namespace {

// Pictures being loaded ahead, by key. Only the thread that uses the cache touches the list;
// the helper threads only fill their futures.
struct PendingPicture {
    CString key;
    std::future<HBITMAP> bitmap;
};

std::vector<PendingPicture>& Pending() {
    static auto* pending = new std::vector<PendingPicture>;
    return *pending;
}

// The picture loaded ahead for that key, waited for and taken off the list.
std::optional<HBITMAP> TakePending(const WCHAR* key) {
    auto& pending = Pending();
    for (auto it = pending.begin(); it != pending.end(); ++it) {
        if (wcsicmp(it->key, key) == 0) {
            HBITMAP bitmap = it->bitmap.get();
            pending.erase(it);
            return bitmap;
        }
    }
    return std::nullopt;
}

} // namespace

std::vector<std::unique_ptr<SkinResource>>& SkinResourceCache::Entries() {
    // Never destroyed by the runtime: the entries hold GDI objects, and the GDI tables may
    // already be gone when statics are destroyed at exit. The programs call Clear when they
    // end, as they always did.
    static auto* entries = new std::vector<std::unique_ptr<SkinResource>>;
    return *entries;
}

namespace {

thread_local SkinReadFailures* t_readFailures = nullptr;

// A picture asked for by a key that gave nothing is noted with the current recorder.
SkinResource* Noted(SkinResource* entry) {
    const bool picture = entry->kind == SKINRES_PICTURE || entry->kind == SKINRES_BITMAP;
    if (picture && entry->GetBitmap() == nullptr && !entry->name.IsEmpty() &&
        t_readFailures != nullptr) {
        t_readFailures->Note(entry->path);
    }
    return entry;
}

} // namespace

SkinReadFailures::SkinReadFailures() : m_outer(t_readFailures) {
    t_readFailures = this;
}

SkinReadFailures::~SkinReadFailures() {
    t_readFailures = m_outer;
}

void SkinReadFailures::Note(const CString& path) {
    for (const CString& known : m_files) {
        if (known == path) {
            return;
        }
    }
    m_files.push_back(path);
}

SkinReadFailures* SkinReadFailures::Current() {
    return t_readFailures;
}

SkinResource* SkinResourceCache::Find(const WCHAR* key, int kind) {
    if (key == nullptr) {
        key = u"";
    }
    for (const auto& entry : Entries()) {
        if (entry->kind == kind && wcsicmp(entry->name, key) == 0) {
            return Noted(entry.get());
        }
    }
    if (kind == SKINRES_PICTURE) {
        if (std::optional<HBITMAP> loaded = TakePending(key)) {
            // A picture that could not be read ahead is noted like one read here.
            Entries().push_back(std::make_unique<SkinResource>(key, *loaded));
            return Noted(Entries().back().get());
        }
    }
    Entries().push_back(std::make_unique<SkinResource>(key, kind));
    return Noted(Entries().back().get());
}

void SkinResourceCache::DropPictureAhead(const WCHAR* key) {
    if (std::optional<HBITMAP> loaded = TakePending(key == nullptr ? u"" : key);
        loaded && *loaded != nullptr) {
        DeleteObject(*loaded);
    }
}

void SkinResourceCache::DropPicturesAhead() {
    for (PendingPicture& pending : Pending()) {
        if (HBITMAP bitmap = pending.bitmap.get()) {
            DeleteObject(bitmap);
        }
    }
    Pending().clear();
}

void SkinResourceCache::LoadPictureAhead(const WCHAR* key) {
    if (key == nullptr) {
        key = u"";
    }
    for (const auto& entry : Entries()) {
        if (entry->kind == SKINRES_PICTURE && wcsicmp(entry->name, key) == 0) {
            return;
        }
    }
    for (const PendingPicture& pending : Pending()) {
        if (wcsicmp(pending.key, key) == 0) {
            return;
        }
    }
    const CString path = CString(ExeFolder) + FolderOfKind(SKINRES_PICTURE) + key;
    Pending().push_back(PendingPicture{CString(key), std::async(std::launch::async, [path] {
                                           HBITMAP bitmap = nullptr;
                                           LoadPictureFile(path, bitmap);
                                           return bitmap;
                                       })});
}

int SkinResourceCache::GetSize(const WCHAR* key) {
    if (key == nullptr) {
        return 0;
    }
    for (const auto& entry : Entries()) {
        if (wcsicmp(entry->name, key) == 0) {
            return entry->size;
        }
    }
    return 0;
}

void SkinResourceCache::Clear() {
    DropPicturesAhead(); // pictures still on their way are waited for and freed
    auto& entries = Entries();
    while (!entries.empty()) {
        entries.back().reset();
        entries.pop_back();
    }
}

int SkinResourceCache::GetCount() {
    return static_cast<int>(Entries().size());
}

bool LoadPictureFile(const WCHAR* path, HBITMAP& bitmap) {
    if (path == nullptr) {
        return false;
    }
    std::vector<BYTE> bytes;
    if (!ReadFileBytes(path, bytes, kMaxPictureFileBytes) || bytes.empty()) {
        return false;
    }
    HBITMAP loaded = gdi::LoadPictureFromMemory(bytes.data(), bytes.size());
    if (loaded == nullptr) {
        return false;
    }
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    bitmap = loaded;
    return true;
}

DWORD GetFileSize(const WCHAR* path) {
    if (path == nullptr) {
        return 0;
    }
    std::error_code ec;
    const auto size = std::filesystem::file_size(ToNativePath(path), ec);
    if (ec || size > std::numeric_limits<DWORD>::max()) {
        return 0;
    }
    return static_cast<DWORD>(size);
}

void CopyBitmapSection(HBITMAP& target, HDC /*dc*/, HBITMAP source, int x, int y, int right,
                       int bottom) {
    if (source == nullptr) {
        return;
    }
    // The part shares the source's pixels (a cached picture) until one of them is drawn on.
    HBITMAP copy = gdi::CreateBitmapSection(source, x, y, right - x, bottom - y);
    if (copy == nullptr) {
        return;
    }
    if (target != nullptr) {
        DeleteObject(target);
    }
    target = copy;
}
