// Simulated desktop: state, virtual clock, keyboard, process operations.
#include "platform/common/file_table.hpp"
#include "platform/common/image_slots.hpp"
#include "platform/sim/sim_state.hpp"

#include <string>

namespace sim {

namespace {
Desktop desktop;
}  // namespace

Desktop& D() { return desktop; }

platform::NativeHandle NewHandle() { return desktop.nextHandle += 0x10; }

void AdvanceClock(std::uint64_t milliseconds) {
    const std::uint64_t until = desktop.clock + milliseconds;
    while (!desktop.scheduled.empty() && desktop.scheduled.begin()->first <= until) {
        auto node = desktop.scheduled.extract(desktop.scheduled.begin());
        if (node.key() > desktop.clock) desktop.clock = node.key();
        node.mapped()();
    }
    desktop.clock = until;
}

void Reset() {
    platform::FilesCloseAll();
    platform::ImageSlotsReleaseAll();
    platform::JpegEncoderUnregister();
    desktop = Desktop{};
}

std::uint64_t NowMs() { return desktop.clock; }

void At(std::uint64_t timeMs, std::function<void()> action) {
    desktop.scheduled.emplace(timeMs, std::move(action));
}

void KeyDown(int virtualKey) {
    KeyState& key = desktop.keys[virtualKey];
    key.down = true;
    key.pressedSinceQuery = true;
}

void KeyUp(int virtualKey) { desktop.keys[virtualKey].down = false; }

void KeyTap(int virtualKey) {
    KeyDown(virtualKey);
    KeyUp(virtualKey);
}

const std::vector<std::string>& Log() { return desktop.log; }
void ClearLog() { desktop.log.clear(); }

}  // namespace sim

namespace platform {

using sim::D;

void PlatformStartup() {
    D().log.push_back("startup");
    JpegEncoderRegister();
}

void PlatformShutdown() {
    D().log.push_back("shutdown");
    while (!D().trayIcons.empty()) TrayIconRemove(D().trayIcons.begin()->first);
    while (!D().windows.empty()) WindowClose(D().windows.begin()->first);
    FilesCloseAll();
    ImageSlotsReleaseAll();
}

void Sleep(std::uint32_t milliseconds) {
    D().log.push_back("sleep " + std::to_string(milliseconds));
    sim::AdvanceClock(milliseconds);
}

void ExitProcess(std::uint32_t exitCode) {
    D().log.push_back("exit " + std::to_string(exitCode));
    throw sim::ProcessExit{exitCode};
}

std::int16_t GetAsyncKeyState(int virtualKey) {
    D().log.push_back("key " + std::to_string(virtualKey));
    auto found = D().keys.find(virtualKey);
    if (found == D().keys.end()) return 0;
    sim::KeyState& key = found->second;
    std::uint16_t state = key.down ? 0x8000 : 0;
    if (key.pressedSinceQuery) state |= 1;
    key.pressedSinceQuery = false;
    return static_cast<std::int16_t>(state);
}

}  // namespace platform
