// pictarn-probe.dll: a window-procedure hook that the test driver places on a
// thread of the program under test, to read its popup menu, to steer its
// folder browser and to count its GDI and USER objects from inside the process.
#include <windows.h>
#include <shlobj.h>

#include "gui_objects.hpp"
#include "probe_exchange.hpp"

namespace {

void ReadMenu(HWND menuWindow, probe::Exchange& ex) {
    const HMENU menu = reinterpret_cast<HMENU>(SendMessageW(menuWindow, MN_GETHMENU, 0, 0));
    const int count = menu ? GetMenuItemCount(menu) : -1;
    if (count < 0) return;
    ex.itemCount = 0;
    for (int i = 0; i < count && i < 64; ++i) {
        probe::MenuItem& item = ex.items[ex.itemCount++];
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_FTYPE | MIIM_STATE | MIIM_ID | MIIM_BITMAP;
        GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &info);
        item.id = info.wID;
        item.type = info.fType;
        item.state = info.fState;
        item.hasBitmap = info.hbmpItem != nullptr;
        item.text[0] = L'\0';
        GetMenuStringW(menu, static_cast<UINT>(i), item.text, 128, MF_BYPOSITION);
        if (!GetMenuItemRect(nullptr, menu, static_cast<UINT>(i), &item.rect)) item.rect = RECT{};
    }
    ex.status = 1;
}

void SelectFolder(HWND browser, probe::Exchange& ex) {
    SendMessageW(browser, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(ex.text));
    ex.status = 1;
}

// Class icons can only be read from inside the process that registered the class.
void ReadIcons(HWND window, probe::Exchange& ex) {
    ex.values[0] = static_cast<ULONG_PTR>(SendMessageW(window, WM_GETICON, ICON_BIG, 0));
    ex.values[1] = static_cast<ULONG_PTR>(SendMessageW(window, WM_GETICON, ICON_SMALL2, 0));
    ex.values[2] = GetClassLongPtrW(window, GCLP_HICON);
    ex.values[3] = GetClassLongPtrW(window, GCLP_HICONSM);
    ex.status = 1;
}

}  // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProbeCallWndProc(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT query = RegisterWindowMessageW(probe::kQueryMessage);
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == query) {
        HANDLE mapping = OpenFileMappingW(FILE_MAP_ALL_ACCESS, FALSE, probe::kMappingName);
        void* view = mapping ? MapViewOfFile(mapping, FILE_MAP_ALL_ACCESS, 0, 0, sizeof(probe::Exchange)) : nullptr;
        if (view) {
            auto& ex = *static_cast<probe::Exchange*>(view);
            const HWND target = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(ex.window));
            ex.status = 0;
            if (ex.op == probe::OP_MENU_ITEMS) ReadMenu(target, ex);
            if (ex.op == probe::OP_SELECT_FOLDER) SelectFolder(target, ex);
            if (ex.op == probe::OP_WINDOW_ICONS) ReadIcons(target, ex);
            if (ex.op == probe::OP_GUI_OBJECTS) probe::CountGuiObjects(ex);
            UnmapViewOfFile(view);
        }
        if (mapping) CloseHandle(mapping);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
