// The numbered files of the platform layer: opening through the backend's
// raw access, line reading, and writing through a 4096-byte buffer.
#include "platform/common/file_table.hpp"

#include "platform/common/raw_file.hpp"
#include "platform/platform.hpp"

#include <array>
#include <cstring>
#include <memory>
#include <string>

namespace platform {

namespace {

constexpr std::size_t kReadChunk = 4096;

struct OpenFile {
    raw::FileId id = raw::kNoFile;
    // Reading: bytes taken from the file but not yet returned.
    std::array<char, kReadChunk> readBuffer;
    std::size_t readPos = 0;
    std::size_t readLen = 0;
    bool atEnd = false;
    // Writing: bytes not yet handed to the file.
    std::array<char, kFileWriteBufferSize> writeBuffer;
    std::size_t writeLen = 0;
};

std::array<std::unique_ptr<OpenFile>, kFileSlotCount> files;

OpenFile* Lookup(int number) {
    if (number < 0 || number >= kFileSlotCount) return nullptr;
    return files[static_cast<std::size_t>(number)].get();
}

// The result of the underlying write is not looked at: write errors on the
// settings file pass silently.
void FlushWrites(OpenFile& f) {
    if (f.writeLen > 0) raw::FileWrite(f.id, f.writeBuffer.data(), f.writeLen);
    f.writeLen = 0;
}

void BufferedWrite(OpenFile& f, const char* data, std::size_t size) {
    if (size > f.writeBuffer.size() - f.writeLen) {
        FlushWrites(f);
        if (size > f.writeBuffer.size()) {
            raw::FileWrite(f.id, data, size);
            return;
        }
    }
    std::memcpy(f.writeBuffer.data() + f.writeLen, data, size);
    f.writeLen += size;
}

// Next byte of the file, or -1 at the end (a read error counts as the end).
int PeekByte(OpenFile& f) {
    if (f.readPos == f.readLen) {
        if (f.atEnd) return -1;
        const long got = raw::FileRead(f.id, f.readBuffer.data(), f.readBuffer.size());
        if (got <= 0) {
            f.atEnd = true;
            return -1;
        }
        f.readPos = 0;
        f.readLen = static_cast<std::size_t>(got);
    }
    return static_cast<unsigned char>(f.readBuffer[f.readPos]);
}

int Open(int number, raw::FileId id) {
    if (number < 0 || number >= kFileSlotCount) {
        if (id != raw::kNoFile) raw::FileCloseRaw(id);
        return 0;
    }
    if (id == raw::kNoFile) return 0;
    auto file = std::make_unique<OpenFile>();
    file->id = id;
    files[static_cast<std::size_t>(number)] = std::move(file);
    return 1;
}

}  // namespace

int FileOpenRead(int number, const std::string& name) {
    FileClose(number);
    return Open(number, raw::FileOpenRead(name));
}

int FileOpenOrCreate(int number, const std::string& name) {
    FileClose(number);
    return Open(number, raw::FileOpenOrCreate(name));
}

// A line ends at LF, CR, CR LF, NUL or the end of the file; the ending is
// consumed and not part of the text.
std::string FileReadLine(int number) {
    OpenFile* f = Lookup(number);
    std::string line;
    if (!f) return line;
    for (;;) {
        const int c = PeekByte(*f);
        if (c < 0) return line;
        ++f->readPos;
        if (c == '\n' || c == '\0') return line;
        if (c == '\r') {
            if (PeekByte(*f) == '\n') ++f->readPos;
            return line;
        }
        line.push_back(static_cast<char>(c));
    }
}

int FileWriteLine(int number, const std::string& text) {
    OpenFile* f = Lookup(number);
    if (!f) return 0;
    BufferedWrite(*f, text.data(), text.size());
    BufferedWrite(*f, "\r\n", 2);
    return static_cast<int>(text.size() + 2);
}

void FileClose(int number) {
    OpenFile* f = Lookup(number);
    if (!f) return;
    FlushWrites(*f);
    raw::FileCloseRaw(f->id);
    files[static_cast<std::size_t>(number)].reset();
}

void FilesCloseAll() {
    for (int number = 0; number < kFileSlotCount; ++number) FileClose(number);
}

}  // namespace platform
