// Numbered top-level windows: WindowOpen, WindowClose, WindowHandle, and the
// window procedure that turns messages into notices and events.
#include "win32_state.hpp"
#include "win32_text.hpp"

namespace platform {

namespace {

constexpr wchar_t kWindowClassName[] = L"PictarnWindow";
constexpr int kApplicationIconId = 1;

bool ValidWindowNumber(int number) { return number >= 0 && number < kWindowCount; }

// The window-state flags are the desktop's own style bits, except
// WINDOW_INVISIBLE, which shares its value with WS_VISIBLE and means the opposite.
DWORD WindowStyle(std::uint32_t flags) {
    constexpr std::uint32_t kStyleFlags = WINDOW_SYSTEM_MENU | WINDOW_MINIMIZE_BOX | WINDOW_MAXIMIZE_BOX;
    return WS_OVERLAPPED | static_cast<DWORD>(flags & kStyleFlags);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    const int number = static_cast<int>(GetWindowLongPtrW(window, GWLP_USERDATA));

    switch (message) {
    case WM_CLOSE:
        // Close requests are only reported; the window stays open.
        QueueWindowNotice(EVENT_CLOSE_WINDOW, number);
        return 0;
    case MSG_TRAY_NOTIFY:
        PostMessageW(window, MSG_TRAY_EVENT, wParam, lParam);
        return 0;
    case MSG_TRAY_EVENT: {
        const std::int32_t click = TrayClickType(static_cast<std::uint32_t>(lParam));
        if (click != CLICK_NONE) RaiseEvent(EVENT_SYSTRAY, static_cast<std::int32_t>(wParam), click);
        return 0;
    }
    case WM_COMMAND:
        if (lParam == 0) {
            if (HIWORD(wParam) == 0) RaiseEvent(EVENT_MENU, LOWORD(wParam), CLICK_NONE);
        } else {
            GadgetCommandNotice(reinterpret_cast<HWND>(lParam), HIWORD(wParam));
        }
        return 0;
    case WM_HSCROLL:
    case WM_VSCROLL:
        if (lParam != 0) {
            GadgetScrollNotice(reinterpret_cast<HWND>(lParam), LOWORD(wParam));
            return 0;
        }
        break;
    case WM_MOVE:
    case WM_SIZE:
    case WM_PAINT:
        QueueWindowNotice(EVENT_WINDOW_NOTICE, number);
        break;
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE) QueueWindowNotice(EVENT_WINDOW_NOTICE, number);
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

bool WindowClassRegister() {
    Win32State& state = State();
    if (state.windowClass) return true;
    const HINSTANCE instance = GetModuleHandleW(nullptr);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kApplicationIconId));
    windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(kApplicationIconId), IMAGE_ICON,
                                                        GetSystemMetrics(SM_CXSMICON),
                                                        GetSystemMetrics(SM_CYSMICON), 0));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    windowClass.lpszClassName = kWindowClassName;
    state.windowClass = RegisterClassExW(&windowClass);
    return state.windowClass != 0;
}

int WindowNumberOf(HWND window) {
    if (!window) return -1;
    const Win32State& state = State();
    for (int number = 0; number < kWindowCount; ++number) {
        if (state.windows[number] == window) return number;
    }
    return -1;
}

NativeHandle WindowOpen(int number, int x, int y, int width, int height, const std::string& title,
                        std::uint32_t flags) {
    if (!ValidWindowNumber(number)) return 0;
    WindowClose(number);
    Win32State& state = State();
    state.gadgetWindow = -1;
    if (!WindowClassRegister()) return 0;

    const DWORD style = WindowStyle(flags);
    RECT outer{0, 0, width, height};
    AdjustWindowRectEx(&outer, style, FALSE, 0);

    const HWND window = CreateWindowExW(0, kWindowClassName, Cp1251ToWide(title).c_str(), style, x, y,
                                        outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                                        GetModuleHandleW(nullptr),
                                        reinterpret_cast<void*>(static_cast<INT_PTR>(number)));
    if (!window) return 0;
    state.windows[number] = window;
    state.gadgetWindow = number;
    if (!(flags & WINDOW_INVISIBLE)) ShowWindow(window, SW_SHOWNORMAL);
    return reinterpret_cast<NativeHandle>(window);
}

void WindowClose(int number) {
    if (!ValidWindowNumber(number)) return;
    Win32State& state = State();
    const HWND window = state.windows[number];
    if (!window) return;
    GadgetsDestroyOfWindow(number);
    state.windows[number] = nullptr;
    state.controls[number].clear();
    if (state.gadgetWindow == number) state.gadgetWindow = -1;
    ProgramChange change;
    DestroyWindow(window);
}

NativeHandle WindowHandle(int number) {
    if (!ValidWindowNumber(number)) return 0;
    return reinterpret_cast<NativeHandle>(State().windows[number]);
}

}  // namespace platform
