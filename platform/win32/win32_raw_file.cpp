// Plain file access for the shared file and JPEG code: CreateFileA,
// ReadFile, WriteFile, attributes, replacing and deleting files.
#include "platform/common/raw_file.hpp"

#include <windows.h>

#include <algorithm>

namespace platform::raw {

namespace {

FileId ToFileId(HANDLE file) {
    return file == INVALID_HANDLE_VALUE ? kNoFile : reinterpret_cast<FileId>(file);
}

HANDLE ToHandle(FileId file) { return reinterpret_cast<HANDLE>(file); }

DWORD ChunkSize(std::size_t size) { return static_cast<DWORD>(std::min<std::size_t>(size, 0x40000000)); }

}  // namespace

FileId FileOpenRead(const std::string& name) {
    return ToFileId(CreateFileA(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

FileId FileOpenOrCreate(const std::string& name) {
    return ToFileId(CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
}

long FileRead(FileId file, void* buffer, std::size_t size) {
    DWORD done = 0;
    if (!ReadFile(ToHandle(file), buffer, ChunkSize(size), &done, nullptr)) return -1;
    return static_cast<long>(done);
}

long FileWrite(FileId file, const void* buffer, std::size_t size) {
    DWORD done = 0;
    if (!WriteFile(ToHandle(file), buffer, ChunkSize(size), &done, nullptr)) return -1;
    return static_cast<long>(done);
}

bool FileCloseRaw(FileId file) { return CloseHandle(ToHandle(file)) != FALSE; }

bool FileIsReadOnly(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

bool FileReplace(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

bool FileRemove(const std::string& path) { return DeleteFileA(path.c_str()) != FALSE; }

}  // namespace platform::raw
