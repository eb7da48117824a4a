// Message boxes and the shell's folder browser: what they show, and the
// user's answer to them.
#include <string>
#include <vector>

#include "probe_client.hpp"
#include "protocol.hpp"
#include "window_query.hpp"

namespace driver {
namespace {

// The read-only name field of Wine's folder browser (hidden without BIF_EDITBOX).
constexpr int kSelectedNameField = 14149;

bool IsDialog(HWND w) { return IsWindowVisible(w) && ClassOf(w) == L"#32770"; }
bool IsFolderBrowser(HWND w) { return IsDialog(w) && FindDescendant(w, L"SysTreeView32") != nullptr; }

HWND WaitDialog(const Args& a, bool folderBrowser) {
    long long ms = 0;
    if (!ParseInt(a[0], ms)) return nullptr;
    HWND found = nullptr;
    WaitFor(static_cast<int>(ms), [&] {
        for (HWND w : TopLevelWindows()) {
            if (!IsDialog(w) || IsFolderBrowser(w) != folderBrowser) continue;
            found = w;
            return true;
        }
        return false;
    });
    return found;
}

bool IsIconStatic(HWND w) { return (GetWindowLongW(w, GWL_STYLE) & SS_TYPEMASK) == SS_ICON; }

// An icon static that holds an icon (Wine keeps an empty one in boxes without icon).
bool ShowsIcon(HWND w) {
    DWORD_PTR icon = 0;
    return IsIconStatic(w) && SendMessageTimeoutW(w, STM_GETICON, 0, 0, SMTO_ABORTIFHUNG, 2000, &icon) && icon != 0;
}

// msgbox-wait <ms>: hwnd title-hex text-hex buttons icons owner, where buttons
// is the number of visible push buttons and icons that of the icons shown.
Reply MsgboxWait(const Args& a) {
    const HWND box = WaitDialog(a, false);
    if (!box) return Err("timeout");
    std::wstring text;
    int buttons = 0, icons = 0;
    for (HWND c : Descendants(box)) {
        if (!IsWindowVisible(c)) continue;
        const std::wstring cls = ClassOf(c);
        if (cls == L"Button") ++buttons;
        if (cls == L"Static" && ShowsIcon(c)) ++icons;
        if (cls == L"Static" && !IsIconStatic(c) && text.empty()) text = TextOf(c);
    }
    return Ok({FormatHandle(box), HexText(TextOf(box)), HexText(text), Num(buttons), Num(icons),
               FormatHandle(GetWindow(box, GW_OWNER))});
}

// Clicks the dialog's button with that identifier (BM_CLICK) and waits for the
// dialog to close; any visible button when the identifier is 0.
Reply ClickButton(HWND dialog, int id) {
    if (!IsWindow(dialog)) return Err("no-window");
    HWND button = nullptr;
    for (HWND c : Descendants(dialog)) {
        if (ClassOf(c) != L"Button" || !IsWindowVisible(c)) continue;
        if (id == 0 || GetDlgCtrlID(c) == id) {
            button = c;
            break;
        }
    }
    if (!button) return Err("no-button");
    // Posted: a sent BM_CLICK keeps Wine's caller waiting for seconds after the box has closed.
    if (!PostMessageW(button, BM_CLICK, 0, 0)) return Err("post-failed");
    return WaitFor(5000, [&] { return !IsWindowVisible(dialog); }) ? Ok() : Err("still-open");
}

Reply MsgboxOk(const Args& a) {
    const HWND box = ParseHandle(a[0]);
    const Reply byId = ClickButton(box, IDOK);
    return byId.ok || byId.text != "no-button" ? byId : ClickButton(box, 0);
}

// folder-wait <ms>: hwnd title-hex owner enabled-owner n static-text-hex...
Reply FolderWait(const Args& a) {
    const HWND browser = WaitDialog(a, true);
    if (!browser) return Err("timeout");
    std::vector<std::wstring> statics;
    for (HWND c : Descendants(browser))
        if (IsWindowVisible(c) && ClassOf(c) == L"Static" && !IsIconStatic(c)) statics.push_back(TextOf(c));
    const HWND owner = GetWindow(browser, GW_OWNER);
    std::string fields = Join({FormatHandle(browser), HexText(TextOf(browser)), FormatHandle(owner),
                               Num(owner && IsWindowEnabled(owner) ? 1 : 0), Num(static_cast<long long>(statics.size()))},
                              ' ');
    for (const std::wstring& s : statics) {
        fields += ' ';
        fields += HexText(s);
    }
    return Ok(fields);
}

// folder-choose <hwnd> <hex path>: select the folder in the browser's tree and press OK.
Reply FolderChoose(const Args& a) {
    const HWND browser = ParseHandle(a[0]);
    if (!IsFolderBrowser(browser)) return Err("no-browser");
    std::wstring path;
    if (!DecodeText(a[1], path) || path.empty() || path.size() >= 1024) return Err("bad-path");
    // Wine's browser names the selected folder in a hidden field; it refreshes
    // its tree now and then and may lose a selection made too early, so the
    // selection is repeated until that field names the folder and stays so.
    const HWND nameField = GetDlgItem(browser, kSelectedNameField);
    const std::wstring name = path.substr(path.find_last_of(L'\\') + 1);
    const auto selected = [&] { return !nameField || lstrcmpiW(TextOf(nameField).c_str(), name.c_str()) == 0; };
    for (int attempt = 0; attempt < 10; ++attempt) {
        probe::Exchange ex{};
        ex.op = probe::OP_SELECT_FOLDER;
        path.copy(ex.text, path.size());
        ex.text[path.size()] = L'\0';
        std::string reason;
        if (!RunProbe(browser, ex, reason)) return Err(reason);
        if (!WaitFor(1000, selected)) continue;
        Sleep(300);
        if (selected()) return ClickButton(browser, IDOK);
    }
    return Err("not-selected");
}

Reply FolderCancel(const Args& a) { return ClickButton(ParseHandle(a[0]), IDCANCEL); }

const Command commands[] = {
    {"msgbox-wait", 1, MsgboxWait, "msgbox-wait <ms>  wait for a message box; its title, text, buttons, icons"},
    {"msgbox-ok", 1, MsgboxOk, "msgbox-ok <hwnd>  press the box's OK button"},
    {"folder-wait", 1, FolderWait, "folder-wait <ms>  wait for the folder browser; title, owner, texts"},
    {"folder-choose", 2, FolderChoose, "folder-choose <hwnd> <hex path>  choose that folder and press OK"},
    {"folder-cancel", 1, FolderCancel, "folder-cancel <hwnd>  press the browser's Cancel button"},
};

}  // namespace

std::span<const Command> DialogCommands() { return commands; }

}  // namespace driver
