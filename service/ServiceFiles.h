#pragma once
// Profile ("qmp") and macro ("qmm") files.
//
// Layout, little-endian: the magic "BVQF", a uint16 format version (1), a uint16 kind
// (1 profile, 2 macro), the uint32 payload size, the uint32 CRC-32 of the payload, then the
// payload. Readers refuse a file that is truncated, damaged, of a newer version or of the
// other kind (E_BAD_FILE), and a refused file changes nothing.

#include "service/DeviceState.h"

#include <cstddef>
#include <vector>

namespace service {

inline constexpr WORD kFileVersion = 1;
inline constexpr WORD kFileKindProfile = 1;
inline constexpr WORD kFileKindMacro = 2;
inline constexpr size_t kMaxFileSize = 1 << 20;

std::vector<BYTE> EncodeProfile(const ProfileState& profile);
std::vector<BYTE> EncodeMacro(const MacroState& macro);
// The GUID is not part of a file; a decoded entity gets a new one from its importer.
HRESULT DecodeProfile(const BYTE* data, size_t size, ProfileState& out);
HRESULT DecodeMacro(const BYTE* data, size_t size, MacroState& out);

// Files by the caller's path (backslash or native form). Writing is atomic.
HRESULT WriteProfileFile(LPCWSTR path, const ProfileState& profile);
HRESULT WriteMacroFile(LPCWSTR path, const MacroState& macro);
HRESULT ReadProfileFile(LPCWSTR path, ProfileState& out);
HRESULT ReadMacroFile(LPCWSTR path, MacroState& out);

std::uint32_t Crc32(const BYTE* data, size_t size);

} // namespace service
