#include "service/ServiceFiles.h"

#include "platform/base/FileRead.h"
#include "platform/base/Path.h"

#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace service {

namespace {

constexpr BYTE kMagic[4] = {'B', 'V', 'Q', 'F'};
constexpr size_t kHeaderSize = 16;

class Writer {
public:
    void U8(BYTE v) { m_out.push_back(v); }
    void U16(WORD v) {
        U8(static_cast<BYTE>(v & 0xFF));
        U8(static_cast<BYTE>(v >> 8));
    }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) {
            U8(static_cast<BYTE>((v >> (8 * i)) & 0xFF));
        }
    }
    void I32(INT v) { U32(static_cast<std::uint32_t>(v)); }
    void Text(const std::u16string& s) {
        U16(static_cast<WORD>(s.size()));
        for (WCHAR c : s) {
            U16(static_cast<WORD>(c));
        }
    }
    void Bytes(const void* p, size_t n) {
        const auto* b = static_cast<const BYTE*>(p);
        m_out.insert(m_out.end(), b, b + n);
    }
    std::vector<BYTE>& Out() { return m_out; }

private:
    std::vector<BYTE> m_out;
};

// Bounds-checked reading; any read past the end marks the reader failed.
class Reader {
public:
    Reader(const BYTE* data, size_t size) : m_data(data), m_size(size) {}
    bool ok() const { return m_ok; }
    bool AtEnd() const { return m_pos == m_size; }
    BYTE U8() { return Take(1) ? m_data[m_pos - 1] : 0; }
    WORD U16() {
        if (!Take(2)) {
            return 0;
        }
        return static_cast<WORD>(m_data[m_pos - 2] | (m_data[m_pos - 1] << 8));
    }
    std::uint32_t U32() {
        if (!Take(4)) {
            return 0;
        }
        std::uint32_t v = 0;
        for (int i = 3; i >= 0; --i) {
            v = (v << 8) | m_data[m_pos - 4 + static_cast<size_t>(i)];
        }
        return v;
    }
    INT I32() { return static_cast<INT>(U32()); }
    std::u16string Text(size_t maxLength) {
        const WORD n = U16();
        if (n > maxLength) {
            m_ok = false;
            return {};
        }
        std::u16string s;
        for (WORD i = 0; i < n && m_ok; ++i) {
            s.push_back(static_cast<WCHAR>(U16()));
        }
        return s;
    }
    bool Bytes(void* p, size_t n) {
        if (!Take(n)) {
            return false;
        }
        std::memcpy(p, m_data + m_pos - n, n);
        return true;
    }

private:
    bool Take(size_t n) {
        if (!m_ok || m_size - m_pos < n) {
            m_ok = false;
            return false;
        }
        m_pos += n;
        return true;
    }
    const BYTE* m_data;
    size_t m_size;
    size_t m_pos = 0;
    bool m_ok = true;
};

std::vector<BYTE> Wrap(WORD kind, const std::vector<BYTE>& payload) {
    Writer w;
    w.Bytes(kMagic, 4);
    w.U16(kFileVersion);
    w.U16(kind);
    w.U32(static_cast<std::uint32_t>(payload.size()));
    w.U32(Crc32(payload.data(), payload.size()));
    w.Bytes(payload.data(), payload.size());
    return std::move(w.Out());
}

// Checks the header; gives the payload.
HRESULT Unwrap(const BYTE* data, size_t size, WORD kind, const BYTE*& payload,
               size_t& payloadSize) {
    if (!data || size < kHeaderSize || size > kMaxFileSize || std::memcmp(data, kMagic, 4) != 0) {
        return E_BAD_FILE;
    }
    Reader r(data + 4, kHeaderSize - 4);
    const WORD version = r.U16();
    const WORD fileKind = r.U16();
    const std::uint32_t length = r.U32();
    const std::uint32_t crc = r.U32();
    if (version == 0 || version > kFileVersion || fileKind != kind ||
        length != size - kHeaderSize || Crc32(data + kHeaderSize, length) != crc) {
        return E_BAD_FILE;
    }
    payload = data + kHeaderSize;
    payloadSize = length;
    return S_OK;
}

bool IsValidText(const std::u16string& s) {
    return IsValidName(s);
}

HRESULT WriteFileAtomically(LPCWSTR path, const std::vector<BYTE>& bytes) {
    const std::filesystem::path target = ToNativePath(path);
    if (target.empty() || target.filename().empty()) {
        return E_INVALIDARG;
    }
    const std::string tmp = target.string() + ".part";
    // O_NONBLOCK: a named pipe left under the temporary name must not hold the writer.
    const int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NONBLOCK, 0644);
    if (fd < 0) {
        return errno == EACCES || errno == EPERM || errno == EROFS ? E_ACCESSDENIED : E_FAIL;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return E_FAIL;
    }
    size_t done = 0;
    bool ok = true;
    while (ok && done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        ok = n > 0;
        done += ok ? static_cast<size_t>(n) : 0;
    }
    ok = ::fsync(fd) == 0 && ok;
    ok = ::close(fd) == 0 && ok;
    if (!ok || ::rename(tmp.c_str(), target.c_str()) != 0) {
        ::unlink(tmp.c_str());
        return E_FAIL;
    }
    return S_OK;
}

// The whole file. What is missing gives E_NOT_FOUND; what is there but is no regular file (a
// folder, a named pipe, a device), or is larger than any file of ours, is refused as a
// damaged file is, and a pipe never makes the reader wait for a writer.
HRESULT ReadWholeFile(LPCWSTR path, std::vector<BYTE>& out) {
    const std::filesystem::path source = ToNativePath(path);
    switch (::ReadWholeFile(source, out, kMaxFileSize)) {
    case FileReadResult::Ok:
        return S_OK;
    case FileReadResult::TooLarge:
        return E_BAD_FILE;
    case FileReadResult::Missing:
        break;
    }
    std::error_code ec;
    return std::filesystem::exists(source, ec) ? E_BAD_FILE : E_NOT_FOUND;
}

} // namespace

std::uint32_t Crc32(const BYTE* data, size_t size) {
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            t[i] = c;
        }
        return t;
    }();
    std::uint32_t crc = 0xFFFFFFFFu;
    for (size_t i = 0; i < size; ++i) {
        crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
    }
    return crc ^ 0xFFFFFFFFu;
}

std::vector<BYTE> EncodeProfile(const ProfileState& p) {
    Writer w;
    w.Text(p.name);
    w.Text(p.program);
    w.U16(p.switches);
    w.I32(p.dpiX);
    w.I32(p.dpiY);
    w.I32(p.activeStage);
    w.U8(static_cast<BYTE>(p.stages.size()));
    for (const auto& s : p.stages) {
        w.I32(s.x);
        w.I32(s.y);
    }
    for (const auto& b : p.buttons) {
        w.I32(b.header);
        w.I32(b.button);
        w.I32(b.type);
        w.Bytes(b.data, sizeof b.data);
    }
    for (const auto& l : p.lights) {
        w.U8(l.on ? 1 : 0);
        w.U32(l.color);
    }
    return Wrap(kFileKindProfile, w.Out());
}

std::vector<BYTE> EncodeMacro(const MacroState& m) {
    Writer w;
    w.Text(m.name);
    w.I32(static_cast<INT>(m.events.size()));
    for (const auto& e : m.events) {
        w.I32(e.kind);
        w.Bytes(e.data, sizeof e.data);
    }
    return Wrap(kFileKindMacro, w.Out());
}

HRESULT DecodeProfile(const BYTE* data, size_t size, ProfileState& out) {
    const BYTE* payload = nullptr;
    size_t length = 0;
    if (const HRESULT hr = Unwrap(data, size, kFileKindProfile, payload, length); FAILED(hr)) {
        return hr;
    }
    Reader r(payload, length);
    ProfileState p;
    p.name = r.Text(DEVICE_MAX_NAME);
    p.program = r.Text(DEVICE_MAX_PROGRAM);
    p.switches = r.U16();
    p.dpiX = r.I32();
    p.dpiY = r.I32();
    p.activeStage = r.I32();
    const BYTE stages = r.U8();
    if (!r.ok() || stages < 1 || stages > DEVICE_STAGE_CAPACITY) {
        return E_BAD_FILE;
    }
    for (BYTE i = 0; i < stages; ++i) {
        DeviceDpiStage s{r.I32(), r.I32()};
        if (CheckDpi(s.x) != s.x || CheckDpi(s.y) != s.y) {
            return E_BAD_FILE;
        }
        p.stages.push_back(s);
    }
    for (size_t i = 0; i < p.buttons.size(); ++i) {
        DeviceButtonAssignment& b = p.buttons[i];
        b.header = r.I32();
        b.button = r.I32();
        b.type = r.I32();
        r.Bytes(b.data, sizeof b.data);
        if (!r.ok() || b.button != static_cast<INT>(i + 1) || !IsValidAssignment(b)) {
            return E_BAD_FILE;
        }
    }
    for (auto& l : p.lights) {
        const BYTE on = r.U8();
        l.color = r.U32();
        if (on > 1 || (l.color & 0xFF000000u)) {
            return E_BAD_FILE;
        }
        l.on = on == 1;
    }
    if (!r.ok() || !r.AtEnd() || !IsValidText(p.name) || !IsValidText(p.program) ||
        (p.switches & ~7u) || CheckDpi(p.dpiX) != p.dpiX || CheckDpi(p.dpiY) != p.dpiY ||
        p.activeStage < 1 || p.activeStage > static_cast<INT>(p.stages.size())) {
        return E_BAD_FILE;
    }
    out = std::move(p);
    return S_OK;
}

HRESULT DecodeMacro(const BYTE* data, size_t size, MacroState& out) {
    const BYTE* payload = nullptr;
    size_t length = 0;
    if (const HRESULT hr = Unwrap(data, size, kFileKindMacro, payload, length); FAILED(hr)) {
        return hr;
    }
    Reader r(payload, length);
    MacroState m;
    m.name = r.Text(DEVICE_MAX_NAME);
    const INT count = r.I32();
    if (!r.ok() || count < 0 || count > DEVICE_MAX_MACRO_EVENTS) {
        return E_BAD_FILE;
    }
    for (INT i = 0; i < count; ++i) {
        MacroDeviceEvent e{};
        e.kind = r.I32();
        r.Bytes(e.data, sizeof e.data);
        if (!r.ok() || !IsValidMacroEvent(e)) {
            return E_BAD_FILE;
        }
        m.events.push_back(e);
    }
    if (!r.ok() || !r.AtEnd() || !IsValidText(m.name)) {
        return E_BAD_FILE;
    }
    out = std::move(m);
    return S_OK;
}

HRESULT WriteProfileFile(LPCWSTR path, const ProfileState& profile) {
    return WriteFileAtomically(path, EncodeProfile(profile));
}

HRESULT WriteMacroFile(LPCWSTR path, const MacroState& macro) {
    return WriteFileAtomically(path, EncodeMacro(macro));
}

HRESULT ReadProfileFile(LPCWSTR path, ProfileState& out) {
    std::vector<BYTE> bytes;
    if (const HRESULT hr = ReadWholeFile(path, bytes); FAILED(hr)) {
        return hr;
    }
    return DecodeProfile(bytes.data(), bytes.size(), out);
}

HRESULT ReadMacroFile(LPCWSTR path, MacroState& out) {
    std::vector<BYTE> bytes;
    if (const HRESULT hr = ReadWholeFile(path, bytes); FAILED(hr)) {
        return hr;
    }
    return DecodeMacro(bytes.data(), bytes.size(), out);
}

} // namespace service
