// Window look-ups shared by the driver's command topics.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace driver {

struct WindowFilter {
    std::wstring className;  // empty: any class
    std::wstring title;
    bool anyTitle = true;
    bool visibleOnly = false;
};

std::vector<HWND> TopLevelWindows();
std::vector<HWND> Descendants(HWND parent);
HWND FindTopLevel(const WindowFilter& filter);
std::wstring ClassOf(HWND window);
// WM_GETTEXT with a time-out, so that controls of other processes answer too.
std::wstring TextOf(HWND window);
// The first descendant of that class, or null.
HWND FindDescendant(HWND parent, const wchar_t* className);

}  // namespace driver
