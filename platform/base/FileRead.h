#pragma once
// Reading a whole outside file (a skin, a picture, a language or settings file) into memory.
// Anything that cannot be read as a regular file (missing, a folder, a device, unreadable)
// is reported as missing, never thrown; a file larger than the caller's bound is refused
// before anything is read.

#include "platform/base/WinTypes.h"

#include <cstddef>
#include <filesystem>
#include <vector>

enum class FileReadResult {
    Ok,       // the whole file was read
    Missing,  // no regular file there, or it cannot be opened or read
    TooLarge, // larger than the bound; nothing was read
};

// Reads the file at a native path into bytes (emptied first). maxBytes bounds the file's
// size; a file that grows past it while being read is refused too.
FileReadResult ReadWholeFile(const std::filesystem::path& path, std::vector<BYTE>& bytes,
                             std::size_t maxBytes);
