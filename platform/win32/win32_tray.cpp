// The notification-area entry through Shell_NotifyIconA with the
// first-generation record: TrayIconAdd, TrayIconSetTip, TrayIconRemove.
#include "win32_state.hpp"

#include <shellapi.h>

#include <algorithm>
#include <cstring>

namespace platform {

namespace {

// The first-generation record: 88 bytes in a 32-bit program, 104 here.
constexpr DWORD kFirstGenerationSize = NOTIFYICONDATAA_V1_SIZE;
static_assert(sizeof(void*) != 8 || kFirstGenerationSize == 104, "first-generation tray record must be 104 bytes");
static_assert(sizeof(void*) != 4 || kFirstGenerationSize == 88, "first-generation tray record must be 88 bytes");

constexpr std::size_t kTipBytes = 63;

bool ValidTrayNumber(int number) { return number >= 0 && number < kTrayIconCount; }

NOTIFYICONDATAA TrayRecord(HWND owner, int number, UINT flags) {
    NOTIFYICONDATAA record{};
    record.cbSize = kFirstGenerationSize;
    record.hWnd = owner;
    record.uID = static_cast<UINT>(number);
    record.uFlags = flags;
    return record;
}

}  // namespace

void TrayIconAdd(int number, NativeHandle owner, NativeHandle icon) {
    if (!ValidTrayNumber(number) || !owner || !icon) return;
    TrayIconRemove(number);
    NOTIFYICONDATAA record = TrayRecord(reinterpret_cast<HWND>(owner), number, NIF_MESSAGE | NIF_ICON);
    record.uCallbackMessage = MSG_TRAY_NOTIFY;
    record.hIcon = reinterpret_cast<HICON>(icon);
    if (Shell_NotifyIconA(NIM_ADD, &record)) State().trayOwners[number] = reinterpret_cast<HWND>(owner);
}

int TrayIconSetTip(int number, const std::string& text) {
    if (!ValidTrayNumber(number) || !State().trayOwners[number]) return 0;
    NOTIFYICONDATAA record = TrayRecord(State().trayOwners[number], number, NIF_TIP);
    std::memcpy(record.szTip, text.data(), std::min(text.size(), kTipBytes));
    return Shell_NotifyIconA(NIM_MODIFY, &record) ? 1 : 0;
}

void TrayIconRemove(int number) {
    if (!ValidTrayNumber(number) || !State().trayOwners[number]) return;
    NOTIFYICONDATAA record = TrayRecord(State().trayOwners[number], number, 0);
    Shell_NotifyIconA(NIM_DELETE, &record);
    State().trayOwners[number] = nullptr;
}

}  // namespace platform
