// The driver's line protocol: one command per input line, one reply line per
// command, "ok [fields...]" or "err <reason>". Texts travel as hex of their
// UTF-8 bytes ("-" for empty text) so that no locale touches them; window
// handles travel as 0x-prefixed hex.
#pragma once

#include <windows.h>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

namespace driver {

using Args = std::vector<std::string>;

struct Reply {
    bool ok = true;
    std::string text;
};

Reply Ok(const std::string& fields = {});
// Ok with the fields separated by blanks.
Reply Ok(std::initializer_list<std::string> fields);
Reply Err(const std::string& reason);

struct Command {
    const char* name;
    int argCount;  // the least number of arguments after the name
    Reply (*run)(const Args& args);
    const char* usage;
};

// Topic tables, joined by main.
std::span<const Command> ClipboardCommands();
std::span<const Command> InputCommands();
std::span<const Command> WindowCommands();
std::span<const Command> MenuCommands();
std::span<const Command> DialogCommands();

Args SplitWords(const std::string& line);
std::string Join(std::initializer_list<std::string> parts, char separator);
std::string Num(long long value);

std::string HexEncode(const std::string& bytes);
bool HexDecode(const std::string& hex, std::string& bytes);  // "-" decodes to empty
std::wstring Widen(const std::string& utf8);
std::string Utf8(const std::wstring& wide);
std::string HexText(const std::wstring& wide);  // UTF-8 hex, "-" for empty
bool DecodeText(const std::string& hex, std::wstring& wide);

std::string FormatHandle(HWND window);
HWND ParseHandle(const std::string& text);
bool ParseInt(const std::string& text, long long& value);  // decimal or 0x hex

// Waits for a condition in steps of 20 ms, at most timeoutMs; true once it holds.
template <typename Condition>
bool WaitFor(int timeoutMs, Condition condition) {
    const ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (GetTickCount64() >= deadline) return false;
        Sleep(20);
    }
}

}  // namespace driver
