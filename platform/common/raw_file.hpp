// What each backend supplies to the shared file and picture code: plain
// file access in the desktop's own terms. Names are 8-bit texts passed
// through unchanged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform::raw {

using FileId = std::intptr_t;
constexpr FileId kNoFile = -1;

// Existing file, read access; others may read but not write it meanwhile.
FileId FileOpenRead(const std::string& name);
// Read and write access, created when absent, never truncated, position at
// the start. Fails for a read-only file.
FileId FileOpenOrCreate(const std::string& name);
// Bytes read (0 at the end), or a negative value on error.
long FileRead(FileId file, void* buffer, std::size_t size);
// Bytes written, or a negative value on error.
long FileWrite(FileId file, const void* buffer, std::size_t size);
bool FileCloseRaw(FileId file);

// True when a file exists at `path` and must not be written (the read-only
// attribute; on POSIX, no write permission bit).
bool FileIsReadOnly(const std::string& path);
// Puts `from` in the place of `to`, replacing an existing file.
bool FileReplace(const std::string& from, const std::string& to);
bool FileRemove(const std::string& path);

}  // namespace platform::raw
