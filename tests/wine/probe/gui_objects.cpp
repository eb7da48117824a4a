// GDI and USER object counts and memory figures of the process the probe
// runs in. GetGuiResources is a stub under Wine 8 (always 0), so the objects
// are counted by looking at every handle value the process could hold.
#include "gui_objects.hpp"

#include <windows.h>
#include <psapi.h>

#include <cwchar>

namespace probe {
namespace {

// Wine keeps a process's GDI objects in a table of 65536 entries and takes a
// handle whose high word (the entry's generation) is zero as "any
// generation", so each live object answers GetObjectType under its index.
constexpr ULONG_PTR kGdiHandleCount = 0x10000;

// USER handles (menus, icons, cursors, windows) are even values from 0x20 to
// 0xffee in their low word; a zero high word is again taken as any generation.
constexpr ULONG_PTR kFirstUserHandle = 0x20;
constexpr ULONG_PTR kLastUserHandle = 0xffee;

constexpr const wchar_t* kGdiTypeNames[] = {L"?",      L"pen",   L"brush",  L"dc",     L"metadc",
                                            L"palette", L"font",  L"bitmap", L"region", L"metafile",
                                            L"memdc",  L"extpen", L"enhmetadc", L"enhmetafile", L"colorspace"};
constexpr int kGdiTypeCount = sizeof kGdiTypeNames / sizeof kGdiTypeNames[0];

void CountGdi(Exchange& ex) {
    int byType[kGdiTypeCount] = {};
    unsigned long long total = 0;
    for (ULONG_PTR index = 1; index < kGdiHandleCount; ++index) {
        const DWORD type = GetObjectType(reinterpret_cast<HGDIOBJ>(index));
        if (type == 0) continue;
        ++total;
        if (type < static_cast<DWORD>(kGdiTypeCount)) ++byType[type];
    }
    ex.values[GUI_GDI] = total;
    ex.text[0] = L'\0';
    size_t used = 0;
    for (int type = 1; type < kGdiTypeCount; ++type) {
        if (byType[type] == 0) continue;
        const int n = std::swprintf(ex.text + used, sizeof ex.text / sizeof ex.text[0] - used, L"%ls%ls %d",
                                    used ? L" " : L"", kGdiTypeNames[type], byType[type]);
        if (n > 0) used += static_cast<size_t>(n);
    }
}

struct WindowTally {
    DWORD process;
    unsigned long long count;
};

BOOL CALLBACK TallyChild(HWND, LPARAM tally) {
    ++reinterpret_cast<WindowTally*>(tally)->count;
    return TRUE;
}

// A top-level window of this process, with all its descendants.
BOOL CALLBACK TallyTopLevel(HWND window, LPARAM tally) {
    auto* t = reinterpret_cast<WindowTally*>(tally);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != t->process) return TRUE;
    ++t->count;
    EnumChildWindows(window, TallyChild, tally);
    return TRUE;
}

unsigned long long CountWindows() {
    WindowTally tally{GetCurrentProcessId(), 0};
    EnumWindows(TallyTopLevel, reinterpret_cast<LPARAM>(&tally));
    // Message-only windows are not on the desktop's list.
    for (HWND w = nullptr; (w = FindWindowExW(HWND_MESSAGE, w, nullptr, nullptr)) != nullptr;)
        TallyTopLevel(w, reinterpret_cast<LPARAM>(&tally));
    return tally.count;
}

// Menus and icons of this process; another process's menus and icons are not
// reachable from here, so they do not answer.
void CountMenusAndIcons(Exchange& ex) {
    unsigned long long menus = 0, icons = 0;
    for (ULONG_PTR value = kFirstUserHandle; value <= kLastUserHandle; value += 2) {
        if (IsMenu(reinterpret_cast<HMENU>(value))) {
            ++menus;
            continue;
        }
        ICONINFO info{};
        if (GetIconInfo(reinterpret_cast<HICON>(value), &info)) {
            ++icons;
            // GetIconInfo hands out copies of the icon's bitmaps.
            if (info.hbmColor) DeleteObject(info.hbmColor);
            if (info.hbmMask) DeleteObject(info.hbmMask);
        }
    }
    ex.values[GUI_MENUS] = menus;
    ex.values[GUI_ICONS] = icons;
}

}  // namespace

void CountGuiObjects(Exchange& ex) {
    const HANDLE self = GetCurrentProcess();
    ex.values[GUI_REPORTED_GDI] = GetGuiResources(self, GR_GDIOBJECTS);
    ex.values[GUI_REPORTED_USER] = GetGuiResources(self, GR_USEROBJECTS);
    // GDI first: the icon look-up below makes (and deletes) bitmaps.
    CountGdi(ex);
    ex.values[GUI_WINDOWS] = CountWindows();
    CountMenusAndIcons(ex);
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(self, &memory, sizeof memory)) ex.values[GUI_WORKING_SET] = memory.WorkingSetSize;
    ex.status = 1;
}

}  // namespace probe
