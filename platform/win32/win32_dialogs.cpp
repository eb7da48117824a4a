// Modal dialogs: ShowMessage (message box) and ChooseFolder (the shell's
// folder browser, from SHELL32.DLL loaded for each use). Both disable the
// program's other windows while they are up.
#include "win32_state.hpp"
#include "win32_text.hpp"

#include <objbase.h>
#include <shlobj.h>

#include <vector>

namespace platform {

namespace {

constexpr std::size_t kPathCharacters = 259;
constexpr UINT kNewDialogStyle = 0x40;  // BIF_NEWDIALOGSTYLE and nothing else

// Disables the visible, enabled top-level windows of this thread other than
// the foreground window, and enables them again when it goes.
class ThreadWindowsDisabled {
public:
    ThreadWindowsDisabled() {
        foreground_ = GetForegroundWindow();
        EnumThreadWindows(GetCurrentThreadId(), Collect, reinterpret_cast<LPARAM>(this));
        for (HWND window : disabled_) EnableWindow(window, FALSE);
    }
    ~ThreadWindowsDisabled() {
        for (HWND window : disabled_) EnableWindow(window, TRUE);
    }
    ThreadWindowsDisabled(const ThreadWindowsDisabled&) = delete;
    ThreadWindowsDisabled& operator=(const ThreadWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK Collect(HWND window, LPARAM self) {
        auto* disabler = reinterpret_cast<ThreadWindowsDisabled*>(self);
        if (IsWindowVisible(window) && IsWindowEnabled(window) && window != disabler->foreground_) {
            disabler->disabled_.push_back(window);
        }
        return TRUE;
    }

    HWND foreground_ = nullptr;
    std::vector<HWND> disabled_;
};

// The foreground window when it belongs to this process, otherwise none.
HWND DialogOwner() {
    const HWND foreground = GetForegroundWindow();
    if (!foreground) return nullptr;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    return process == GetCurrentProcessId() ? foreground : nullptr;
}

class LoadedLibrary {
public:
    explicit LoadedLibrary(const char* name) : module_(LoadLibraryA(name)) {}
    ~LoadedLibrary() {
        if (module_) FreeLibrary(module_);
    }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;
    explicit operator bool() const { return module_ != nullptr; }
    template <typename Function>
    Function Get(const char* name) const {
        return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
    }

private:
    HMODULE module_;
};

// Selects the initial folder (lpData) once the browser is ready.
int CALLBACK BrowseCallback(HWND browser, UINT message, LPARAM, LPARAM data) {
    const auto* initial = reinterpret_cast<const std::string*>(data);
    if (message == BFFM_INITIALIZED && initial && !initial->empty()) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(initial->c_str()));
    }
    return 0;
}

}  // namespace

void ShowMessage(const std::string& title, const std::string& text) {
    const ThreadWindowsDisabled disabled;
    MessageBoxW(DialogOwner(), Cp1251ToWide(text).c_str(), Cp1251ToWide(title).c_str(), MB_OK);
}

std::string ChooseFolder(const std::string& title, const std::string& initialFolder) {
    const LoadedLibrary shell("SHELL32.DLL");
    if (!shell) return {};

    std::string initial = initialFolder.substr(0, kPathCharacters);
    if (initial.size() > 3 && initial.back() == '\\') initial.pop_back();

    // The prompt is the program's own text and is shown through the wide
    // browser; the chosen path is read back in the ANSI code page.
    using BrowseFunction = PIDLIST_ABSOLUTE(WINAPI*)(BROWSEINFOW*);
    using PathFunction = BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, char*);
    const auto browse = shell.Get<BrowseFunction>("SHBrowseForFolderW");
    const auto pathOf = shell.Get<PathFunction>("SHGetPathFromIDListA");
    if (!browse || !pathOf) return {};

    const std::wstring prompt = Cp1251ToWide(title);
    wchar_t displayName[MAX_PATH] = {};
    BROWSEINFOW info{};
    info.pidlRoot = nullptr;  // the desktop
    info.pszDisplayName = displayName;
    info.lpszTitle = prompt.c_str();
    info.ulFlags = kNewDialogStyle;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&initial);

    PIDLIST_ABSOLUTE chosen = nullptr;
    {
        const ThreadWindowsDisabled disabled;
        info.hwndOwner = DialogOwner();
        chosen = browse(&info);
    }
    if (!chosen) return {};

    char path[MAX_PATH] = {};
    if (!pathOf(chosen, path)) path[0] = '\0';
    CoTaskMemFree(chosen);

    std::string folder(path);
    // An item without a file-system path gives empty text: the current directory.
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    return folder;
}

}  // namespace platform
