// Enumeration and text helpers for windows of any process on the desktop.
#include "window_query.hpp"

namespace driver {

std::vector<HWND> TopLevelWindows() {
    std::vector<HWND> windows;
    EnumWindows([](HWND w, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::vector<HWND> Descendants(HWND parent) {
    std::vector<HWND> windows;
    EnumChildWindows(parent, [](HWND w, LPARAM p) -> BOOL {
        reinterpret_cast<std::vector<HWND>*>(p)->push_back(w);
        return TRUE;
    }, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = {};
    const int n = GetClassNameW(window, name, 256);
    return std::wstring(name, n > 0 ? n : 0);
}

std::wstring TextOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) return {};
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, 2000, &copied))
        return {};
    text.resize(copied < text.size() ? copied : text.size() - 1);
    return text;
}

HWND FindTopLevel(const WindowFilter& filter) {
    for (HWND w : TopLevelWindows()) {
        if (!filter.className.empty() && ClassOf(w) != filter.className) continue;
        if (filter.visibleOnly && !IsWindowVisible(w)) continue;
        if (!filter.anyTitle && TextOf(w) != filter.title) continue;
        return w;
    }
    return nullptr;
}

HWND FindDescendant(HWND parent, const wchar_t* className) {
    for (HWND w : Descendants(parent))
        if (ClassOf(w) == className) return w;
    return nullptr;
}

}  // namespace driver
