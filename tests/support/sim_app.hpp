// Test helper: the program running on the simulated desktop in a fresh
// temporary folder that serves as its current directory.
#pragma once

#include "app/app_loop.hpp"
#include "platform/sim/sim.hpp"
#include "support/temp_folder.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport {

class SimAppTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Files in the program's current directory.
    void WriteFile(const std::string& name, const std::string& bytes);
    std::string ReadFile(const std::string& name) const;
    bool FileExists(const std::string& name) const;
    void WriteIni(const std::string& bytes) { WriteFile("Pictarn.ini", bytes); }
    // A small, valid icon file as "1.ico".
    void WriteIcon();
    std::string Dir() const { return folder_.Folder(); }

    // Start-up, passes and turns; each returns the exit code once the
    // program has ended.
    void Start() { AppStartup(); }
    std::optional<std::uint32_t> Pass();
    std::optional<std::uint32_t> Passes(int count);
    std::optional<std::uint32_t> Turn(int keyCode);
    // Turns, from the first key code, until the event queue is drained.
    std::optional<std::uint32_t> Drain(int maxTurns = 200);

    // Entries of the call log that start with `prefix`.
    static std::vector<std::string> LogEntries(const std::string& prefix);

private:
    TempFolder folder_;
    std::string oldDir_;
};

}  // namespace testsupport
