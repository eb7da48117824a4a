// What the driver and pictarn-probe.dll exchange through a named shared memory
// block. The driver hooks the target thread with the probe's window-procedure
// hook and sends the query message; the hook runs inside the target process,
// where menus and dialog messages with pointers can be used directly.
#pragma once

#include <windows.h>

namespace probe {

inline constexpr wchar_t kMappingName[] = L"PictarnDriverProbeExchange";
inline constexpr wchar_t kQueryMessage[] = L"PictarnDriverProbeQuery";
inline constexpr char kHookProcName[] = "ProbeCallWndProc";

enum Op : int {
    OP_MENU_ITEMS = 1,     // window: a popup menu window (#32768)
    OP_SELECT_FOLDER = 2,  // window: the folder browser; text: the folder to select
    OP_WINDOW_ICONS = 3,   // window: any; values: WM_GETICON big, small, class icon, small class icon
    OP_GUI_OBJECTS = 4,    // window: any; values: see GuiObjectValue; text: GDI objects by type
};

// The values of OP_GUI_OBJECTS, counted inside the window's process.
enum GuiObjectValue : int {
    GUI_GDI = 0,           // live GDI objects, stock objects included
    GUI_WINDOWS = 1,       // windows of the process, message-only and child windows included
    GUI_MENUS = 2,         // menus
    GUI_ICONS = 3,         // icons and cursors
    GUI_WORKING_SET = 4,   // bytes (GetProcessMemoryInfo; under Wine the resident size)
    GUI_REPORTED_GDI = 5,  // GetGuiResources, 0 where it is a stub
    GUI_REPORTED_USER = 6,
};

struct MenuItem {
    unsigned id;
    unsigned type;   // MFT_* of the item
    unsigned state;  // MFS_* of the item
    int hasBitmap;
    RECT rect;       // screen coordinates
    wchar_t text[128];
};

struct Exchange {
    int op;
    int status;  // 1 done, 0 failed, -1 not reached
    unsigned long long window;
    wchar_t text[1024];
    unsigned long long values[8];
    int itemCount;
    MenuItem items[64];
};

}  // namespace probe
