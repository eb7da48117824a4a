#include "support/sim_app.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace testsupport {

void SimAppTest::SetUp() {
    ASSERT_TRUE(folder_.Ok());
    oldDir_ = std::filesystem::current_path().string();
    std::filesystem::current_path(folder_.Folder());
    sim::Reset();
}

void SimAppTest::TearDown() {
    sim::Reset();
    std::filesystem::current_path(oldDir_);
}

void SimAppTest::WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream out(folder_.File(name), std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string SimAppTest::ReadFile(const std::string& name) const {
    std::ifstream in(folder_.File(name), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool SimAppTest::FileExists(const std::string& name) const {
    return std::filesystem::exists(folder_.File(name));
}

void SimAppTest::WriteIcon() {
    // Header, one 16x16 entry, and 40 bytes standing for its image.
    std::string ico("\0\0\1\0\1\0", 6);
    ico += std::string("\x10\x10\0\0\1\0\x20\0", 8);
    ico += std::string("\x28\0\0\0\x16\0\0\0", 8);
    ico += std::string(40, '\0');
    WriteFile("1.ico", ico);
}

std::optional<std::uint32_t> SimAppTest::Pass() {
    try {
        AppPass();
    } catch (const sim::ProcessExit& exit) {
        return exit.code;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> SimAppTest::Passes(int count) {
    for (int i = 0; i < count; ++i) {
        if (auto code = Pass()) return code;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> SimAppTest::Turn(int keyCode) {
    try {
        AppTurn(keyCode);
    } catch (const sim::ProcessExit& exit) {
        return exit.code;
    }
    return std::nullopt;
}

std::optional<std::uint32_t> SimAppTest::Drain(int maxTurns) {
    // A turn that finds nothing pending waits out its whole time-out.
    for (int i = 0; i < maxTurns; ++i) {
        const std::uint64_t before = sim::NowMs();
        if (auto code = Turn(KEY_SCAN_FIRST)) return code;
        if (sim::NowMs() - before >= static_cast<std::uint64_t>(POLL_TIMEOUT_MS)) break;
    }
    return std::nullopt;
}

std::vector<std::string> SimAppTest::LogEntries(const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& entry : sim::Log()) {
        if (entry.rfind(prefix, 0) == 0) found.push_back(entry);
    }
    return found;
}

}  // namespace testsupport
