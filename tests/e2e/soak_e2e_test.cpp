// Soak under Wine: 300 Print Screen presses in a row, each with a fresh
// picture on the clipboard and each waited for until "new.jpeg" holds it,
// with the process's GDI and USER objects and its resident memory read
// after a warm-up and at the end. GetGuiResources answers 0 under Wine 8,
// so the objects are counted inside the process by the driver's probe
// ("gui-objects"); the resident size is VmRSS of the Wine process.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "jpeg_file.hpp"
#include "picture_check.hpp"
#include "pictarn_fixture.hpp"

namespace e2e {
namespace {

namespace fs = std::filesystem;

constexpr int kWarmUpPresses = 10;
constexpr int kSoakPresses = 300;
constexpr int kMaxObjectGrowth = 2;
constexpr long kMaxResidentGrowthKb = 4096;

struct GuiFigures {
    int gdi = 0;
    int user = 0;
    int windows = 0;
    int menus = 0;
    int icons = 0;
    long residentKb = 0;
    std::string gdiByType;
};

// The Unix process of a Wine program started by this test binary: a child of
// ours whose command line Wine has set to the program's name.
pid_t ChildRunning(const std::string& program) {
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        // pid (comm) state ppid ...: comm may hold blanks, so read after the last ')'.
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        pid_t parent = 0;
        rest >> state >> parent;
        if (parent != getpid()) continue;
        std::ifstream cmdline(entry.path() / "cmdline");
        std::string first;
        std::getline(cmdline, first, '\0');
        if (first == program) return static_cast<pid_t>(std::stol(name));
    }
    return 0;
}

long ResidentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string key;
    while (status >> key) {
        if (key == "VmRSS:") {
            long kb = 0;
            status >> kb;
            return kb;
        }
        status.ignore(4096, '\n');
    }
    return 0;
}

class WineSoakTest : public PictarnTest {
protected:
    void Measure(const std::string& main, GuiFigures& f) {
        const Reply r = Send("gui-objects " + main);
        ASSERT_OK(r);
        ASSERT_GE(r.fields.size(), 9u) << r.line;
        f.gdi = r.Int(0);
        f.user = r.Int(1);
        f.windows = r.Int(2);
        f.menus = r.Int(3);
        f.icons = r.Int(4);
        f.gdiByType = FromHex(r[8]);
        f.residentKb = ResidentKb(pid_);
        ASSERT_GT(f.residentKb, 0) << "no VmRSS for process " << pid_;
    }

    static std::string Describe(const GuiFigures& f) {
        char text[256];
        std::snprintf(text, sizeof text, "GDI %d (%s), USER %d (windows %d, menus %d, icons %d), VmRSS %ld kB",
                      f.gdi, f.gdiByType.c_str(), f.user, f.windows, f.menus, f.icons, f.residentKb);
        return text;
    }

    pid_t pid_ = 0;
};

struct Shot {
    Rgb top;
    Rgb bottom;
};

// Neighbours differ in both halves, so a file left from the press before fails the check.
constexpr Shot kShots[] = {{{255, 0, 0}, {0, 0, 255}},   {{0, 255, 0}, {255, 0, 255}},
                           {{0, 0, 255}, {255, 255, 0}}, {{255, 255, 0}, {0, 255, 255}},
                           {{0, 255, 255}, {255, 0, 0}}, {{255, 0, 255}, {0, 255, 0}}};
constexpr int kShotCount = sizeof kShots / sizeof kShots[0];

TEST_F(WineSoakTest, ThreeHundredPrintScreensLeaveGdiUserObjectsAndMemoryFlat) {
    WriteFile("Pictarn.ini", SettingsText(7, 160, 100, WinFolder()));
    std::string main;
    ASSERT_NO_FATAL_FAILURE(StartReady(main));
    pid_ = ChildRunning("Pictarn.exe");
    ASSERT_GT(pid_, 0) << "Pictarn.exe's process not found";
    for (int i = 0; i < kShotCount; ++i)
        WriteFile("shot" + std::to_string(i) + ".bmp", TwoBandBitmap(320, 200, kShots[i].top, kShots[i].bottom));

    // The count sees objects come and go: the tray menu is a window of the process.
    GuiFigures closed, open;
    ASSERT_NO_FATAL_FAILURE(Measure(main, closed));
    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu());
    ASSERT_NO_FATAL_FAILURE(Measure(main, open));
    ASSERT_OK(Send("menu-escape"));
    EXPECT_EQ(open.windows, closed.windows + 1) << Describe(closed) << " / " << Describe(open);

    GuiFigures start, end;
    auto began = std::chrono::steady_clock::now();
    for (int press = 0; press < kWarmUpPresses + kSoakPresses; ++press) {
        if (press == kWarmUpPresses) {
            ASSERT_NO_FATAL_FAILURE(Measure(main, start));
            began = std::chrono::steady_clock::now();
        }
        const Shot& shot = kShots[press % kShotCount];
        ASSERT_OK(Send("clip-dib " + ToHex(WinFolder() + "shot" + std::to_string(press % kShotCount) + ".bmp")));
        ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
        // The clipboard is emptied only once the file is written and closed.
        ASSERT_TRUE(WaitUntil(5000, [&] { return !ClipboardHasPicture(); })) << "press " << press << " not saved";
        RgbImage image;
        ASSERT_TRUE(DecodeJpeg(ReadFile("new.jpeg"), image)) << "press " << press;
        ASSERT_EQ(image.width, 160) << "press " << press;
        ASSERT_TRUE(ShowsBands(image, shot.top, shot.bottom)) << "press " << press;
    }
    ASSERT_NO_FATAL_FAILURE(Measure(main, end));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();

    std::printf("soak: %d presses after %d warm-up presses, %.1f s\n  after the warm-up: %s\n  at the end:        %s\n",
                kSoakPresses, kWarmUpPresses, seconds, Describe(start).c_str(), Describe(end).c_str());
    RecordProperty("gdi_start", start.gdi);
    RecordProperty("gdi_end", end.gdi);
    RecordProperty("user_start", start.user);
    RecordProperty("user_end", end.user);
    RecordProperty("vmrss_kb_start", static_cast<int>(start.residentKb));
    RecordProperty("vmrss_kb_end", static_cast<int>(end.residentKb));
    EXPECT_LE(end.gdi - start.gdi, kMaxObjectGrowth) << Describe(start) << " -> " << Describe(end);
    EXPECT_LE(end.user - start.user, kMaxObjectGrowth) << Describe(start) << " -> " << Describe(end);
    EXPECT_LE(end.residentKb - start.residentKb, kMaxResidentGrowthKb) << Describe(start) << " -> " << Describe(end);
    EXPECT_TRUE(PictarnRunning());
}

}  // namespace
}  // namespace e2e
