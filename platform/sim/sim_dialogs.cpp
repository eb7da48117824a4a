// Simulated desktop: message boxes and the folder chooser, answered by the
// test's modal handler.
#include "platform/sim/sim_state.hpp"

namespace sim {

void OnModal(std::function<ModalAnswer(const Modal&)> handler) { D().modalHandler = std::move(handler); }
const std::vector<Modal>& ModalsShown() { return D().modals; }
void FailShellLibrary(bool fail) { D().failShellLibrary = fail; }

ModalAnswer RunModal(Modal modal) {
    // Message boxes and the folder chooser disable the visible, enabled
    // windows other than the foreground one; a popup menu disables nothing.
    const bool disables = modal.kind != ModalKind::Menu;
    for (auto& [number, window] : D().windows) {
        modal.windowsOpen.push_back(number);
        if (disables && window.visible && window.enabled && number != D().activeWindow) {
            window.enabled = false;
            modal.disabledWindows.push_back(number);
        }
    }
    for (const auto& [number, icon] : D().trayIcons) modal.trayIconsUp.push_back(number);
    D().log.push_back(modal.kind == ModalKind::Menu ? "menu" : modal.kind == ModalKind::Message ? "message" : "folder");
    D().modals.push_back(modal);

    ModalAnswer answer;
    if (D().modalHandler) answer = D().modalHandler(modal);
    // The modal element's own loop has dispatched whatever was queued.
    D().queue.clear();

    for (int number : modal.disabledWindows) {
        auto window = D().windows.find(number);
        if (window != D().windows.end()) window->second.enabled = true;
    }
    return answer;
}

}  // namespace sim

namespace platform {

void ShowMessage(const std::string& title, const std::string& text) {
    sim::Modal modal;
    modal.kind = sim::ModalKind::Message;
    modal.title = title;
    modal.text = text;
    sim::RunModal(modal);
}

std::string ChooseFolder(const std::string& title, const std::string& initialFolder) {
    if (sim::D().failShellLibrary) return "";
    std::string initial = initialFolder.substr(0, 259);
    if (initial.size() > 3 && initial.back() == '\\') initial.pop_back();
    sim::Modal modal;
    modal.kind = sim::ModalKind::FolderChooser;
    modal.title = title;
    modal.text = initial;
    const sim::ModalAnswer answer = sim::RunModal(modal);
    if (!answer.folder) return "";
    // An item without a file-system path gives empty text: the current folder.
    std::string path = answer.folder->substr(0, 259);
    if (!path.empty() && path.back() != '\\') path.push_back('\\');
    return path;
}

}  // namespace platform
