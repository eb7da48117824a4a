// Entry of pictarn_e2e_tests. Besides the GoogleTest run it has two steps for
// ctest's fixture: --e2e-prepare (make the prefix, start a fresh persistent
// wineserver) and --e2e-stop (end it). Run directly, the binary does both
// around its tests itself.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "pictarn_fixture.hpp"
#include "wine_env.hpp"

namespace {

// Set by ctest for the test cases, which then share the server of --e2e-prepare.
bool SharedServer() { return std::getenv("PICTARN_E2E_SHARED_SERVER") != nullptr; }

bool Prepare() {
    e2e::StopServer();
    std::string error;
    if (!e2e::PreparePrefix(error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return false;
    }
    e2e::StartServer();
    return true;
}

class WineSession : public ::testing::Environment {
public:
    void SetUp() override {
        if (!e2e::HaveDisplay()) return;
        if (SharedServer()) {
            e2e::SessionReady() = e2e::PreparePrefix(e2e::SessionError());
            if (e2e::SessionReady()) e2e::StartServer();
        } else {
            e2e::SessionReady() = Prepare();
            if (!e2e::SessionReady()) e2e::SessionError() = "prefix preparation failed";
        }
    }
    void TearDown() override {
        if (e2e::HaveDisplay() && !SharedServer()) e2e::StopServer();
    }
};

}  // namespace

int main(int argc, char** argv) {
    // A driver that died must not take the test binary with it through SIGPIPE.
    std::signal(SIGPIPE, SIG_IGN);
    e2e::ExportWineEnvironment();
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--e2e-prepare") == 0) {
            if (!e2e::HaveDisplay()) {
                std::printf("no X display: the end-to-end tests will be skipped\n");
                return 0;
            }
            return Prepare() ? 0 : 1;
        }
        if (std::strcmp(argv[i], "--e2e-stop") == 0) {
            e2e::StopServer();
            return 0;
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new WineSession);
    return RUN_ALL_TESTS();
}
