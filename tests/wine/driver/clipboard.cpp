// Clipboard commands: put a picture or text on it, ask what it holds, read its
// text, hold it open so that nobody else can open it.
#include <cstring>
#include <fstream>
#include <iterator>

#include "protocol.hpp"

namespace driver {
namespace {

bool held = false;

// Opens the clipboard with no owner, retrying while another program has it.
bool OpenWithRetry() {
    if (held) return true;
    return WaitFor(2000, [] { return OpenClipboard(nullptr) != FALSE; });
}

void CloseUnlessHeld() {
    if (!held) CloseClipboard();
}

Reply PutOnClipboard(UINT format, const void* data, size_t size) {
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block) return Err("alloc");
    std::memcpy(GlobalLock(block), data, size);
    GlobalUnlock(block);
    if (!OpenWithRetry()) {
        GlobalFree(block);
        return Err("clipboard-busy");
    }
    EmptyClipboard();
    const bool stored = SetClipboardData(format, block) != nullptr;
    CloseUnlessHeld();
    if (!stored) {
        GlobalFree(block);
        return Err("set-failed");
    }
    return Ok();
}

// A .bmp file (its 14-byte file header is dropped) or a bare DIB.
Reply ClipDib(const Args& a) {
    std::wstring path;
    if (!DecodeText(a[0], path)) return Err("bad-path");
    std::ifstream file(path.c_str(), std::ios::binary);
    if (!file) return Err("cannot-open");
    std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() >= 14 && bytes[0] == 'B' && bytes[1] == 'M') bytes.erase(0, 14);
    if (bytes.size() < sizeof(BITMAPINFOHEADER)) return Err("too-short");
    return PutOnClipboard(CF_DIB, bytes.data(), bytes.size());
}

Reply ClipText(const Args& a) {
    std::wstring text;
    if (!DecodeText(a[0], text)) return Err("bad-text");
    return PutOnClipboard(CF_UNICODETEXT, text.c_str(), (text.size() + 1) * sizeof(wchar_t));
}

// The clipboard's text (CF_UNICODETEXT) as hex.
Reply ClipGetText(const Args&) {
    if (!OpenWithRetry()) return Err("clipboard-busy");
    std::wstring text;
    bool found = false;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text.assign(chars, wcsnlen(chars, GlobalSize(data) / sizeof(wchar_t)));
            found = true;
            GlobalUnlock(data);
        }
    }
    CloseUnlessHeld();
    return found ? Ok(HexText(text)) : Err("no-text");
}

Reply ClipHasDib(const Args&) { return Ok(IsClipboardFormatAvailable(CF_DIB) ? "1" : "0"); }

Reply ClipCount(const Args&) { return Ok(std::to_string(CountClipboardFormats())); }

// Width, height and bit depth of the clipboard's DIB.
Reply ClipDibInfo(const Args&) {
    if (!OpenWithRetry()) return Err("clipboard-busy");
    HANDLE data = GetClipboardData(CF_DIB);
    std::string fields;
    if (data) {
        const auto* header = static_cast<const BITMAPINFOHEADER*>(GlobalLock(data));
        if (header) {
            fields = Join({Num(header->biWidth), Num(header->biHeight), Num(header->biBitCount)}, ' ');
            GlobalUnlock(data);
        }
    }
    CloseUnlessHeld();
    return fields.empty() ? Err("no-dib") : Ok(fields);
}

Reply ClipEmpty(const Args&) {
    if (!OpenWithRetry()) return Err("clipboard-busy");
    EmptyClipboard();
    CloseUnlessHeld();
    return Ok();
}

// Held open with a window of the driver's own: Wine lets another caller with
// the same (null) window open a clipboard that is already open.
Reply ClipHold(const Args&) {
    if (held) return Ok();
    static const HWND holder = CreateWindowExW(0, L"STATIC", L"pictarn-driver clipboard holder", 0, 0, 0, 0, 0,
                                               HWND_MESSAGE, nullptr, nullptr, nullptr);
    if (!holder) return Err("no-window");
    if (!WaitFor(2000, [] { return OpenClipboard(holder) != FALSE; })) return Err("clipboard-busy");
    held = true;
    return Ok();
}

Reply ClipRelease(const Args&) {
    if (!held) return Err("not-held");
    held = false;
    CloseClipboard();
    return Ok();
}

const Command commands[] = {
    {"clip-dib", 1, ClipDib, "clip-dib <hex path of .bmp>  put the picture on the clipboard as CF_DIB"},
    {"clip-text", 1, ClipText, "clip-text <hex text>  put text on the clipboard"},
    {"clip-get-text", 0, ClipGetText, "clip-get-text  the clipboard's text as hex"},
    {"clip-has-dib", 0, ClipHasDib, "clip-has-dib  1 when CF_DIB is available"},
    {"clip-count", 0, ClipCount, "clip-count  number of formats on the clipboard"},
    {"clip-dib-info", 0, ClipDibInfo, "clip-dib-info  width height bits of the clipboard's DIB"},
    {"clip-empty", 0, ClipEmpty, "clip-empty  empty the clipboard"},
    {"clip-hold", 0, ClipHold, "clip-hold  open the clipboard and keep it open"},
    {"clip-release", 0, ClipRelease, "clip-release  close the held clipboard"},
};

}  // namespace

std::span<const Command> ClipboardCommands() { return commands; }

}  // namespace driver
