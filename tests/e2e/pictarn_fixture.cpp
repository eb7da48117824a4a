// Fixture set-up and tear-down, and the helpers that read what the user sees.
#include "pictarn_fixture.hpp"

#include <stdlib.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "wine_env.hpp"

namespace e2e {
namespace {

namespace fs = std::filesystem;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == separator) {
            parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    parts.push_back(part);
    return parts;
}

int ToInt(const std::string& s) { return static_cast<int>(std::strtol(s.c_str(), nullptr, 0)); }
std::uint32_t ToUnsigned(const std::string& s) { return static_cast<std::uint32_t>(std::strtoul(s.c_str(), nullptr, 0)); }

std::string TestFolderName() {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string(test->test_suite_name()) + "." + test->name();
    for (char& c : name)
        if (c == '/') c = '_';
    return name;
}

}  // namespace

bool& SessionReady() {
    static bool ready = false;
    return ready;
}

std::string& SessionError() {
    static std::string error;
    return error;
}

void PictarnTest::SetUp() {
    if (!HaveDisplay()) GTEST_SKIP() << "no X display: run the end-to-end tests under xvfb-run (scripts/e2e.sh)";
    ASSERT_TRUE(SessionReady()) << "Wine session not ready: " << SessionError();
    const WineConfig& c = Config();
    const std::string exe = c.windowsBuildDir + "/Pictarn.exe";
    ASSERT_TRUE(fs::exists(exe)) << exe;
    ASSERT_TRUE(fs::exists(c.iconFile)) << c.iconFile;

    fs::create_directories(c.testRoot);
    std::string pattern = c.testRoot + "/" + TestFolderName() + "-XXXXXX";
    ASSERT_NE(mkdtemp(pattern.data()), nullptr) << pattern;
    dir_ = pattern;
    winDir_ = c.testRootWindows + "\\" + fs::path(dir_).filename().string() + "\\";
    fs::copy_file(exe, Path("Pictarn.exe"));
    fs::copy_file(c.iconFile, Path("1.ico"));

    ASSERT_TRUE(driver_.Start(c.windowsBuildDir + "/pictarn-driver.exe", Path("driver.log")))
        << "pictarn-driver.exe did not answer; see " << Path("driver.log");
    Send("clip-release");
    ASSERT_OK(Send("clip-empty"));
}

void PictarnTest::TearDown() {
    pictarn_.Kill();
    driver_.Quit();
    if (dir_.empty()) return;
    if (HasFailure()) {
        std::printf("test folder kept: %s\n", dir_.c_str());
    } else {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
}

void PictarnTest::WriteFile(const std::string& name, const std::string& bytes) const {
    std::ofstream(Path(name), std::ios::binary) << bytes;
}

std::string PictarnTest::ReadFile(const std::string& name) const {
    std::ifstream file(Path(name), std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool PictarnTest::Exists(const std::string& name) const { return fs::exists(Path(name)); }

void PictarnTest::MakeFolder(const std::string& name) const { fs::create_directories(Path(name)); }

std::string PictarnTest::SettingsText(int quality, int width, int height, const std::string& folder) {
    return std::to_string(quality) + "\r\n" + std::to_string(width) + "\r\n" + std::to_string(height) + "\r\n" +
           folder + "\r\n";
}

void PictarnTest::StartPictarn() {
    ASSERT_TRUE(pictarn_.Start({"wine", "Pictarn.exe"}, dir_, Path("pictarn.log"), false));
}

void PictarnTest::WaitMainWindow(std::string& mainWindow) {
    const Reply r = Send("wait-window - " + ToHex(kMainWindowTitle) + " 30000", 40000);
    ASSERT_OK(r);
    mainWindow = r[0];
}

void PictarnTest::StartReady(std::string& mainWindow) {
    ASSERT_NO_FATAL_FAILURE(StartPictarn());
    ASSERT_NO_FATAL_FAILURE(WaitMainWindow(mainWindow));
    // The tray icon is the last thing start-up puts up before the loop runs.
    ASSERT_TRUE(WaitUntil(10000, [&] { return Send("tray-has " + mainWindow)[0] == "1"; }))
        << "no tray icon for " << mainWindow;
}

void PictarnTest::ReadInfo(const std::string& hwnd, WindowInfo& info) {
    const Reply r = Send("info " + hwnd);
    ASSERT_OK(r);
    ASSERT_GE(r.fields.size(), 16u) << r.line;
    info.visible = r[1] == "1";
    info.enabled = r[2] == "1";
    info.x = r.Int(3);
    info.y = r.Int(4);
    info.width = r.Int(5);
    info.height = r.Int(6);
    info.clientX = r.Int(7);
    info.clientY = r.Int(8);
    info.clientWidth = r.Int(9);
    info.clientHeight = r.Int(10);
    info.style = ToUnsigned(r[11]);
    info.className = r[15];
    info.title = FromHex(r[16]);
}

void PictarnTest::ReadControls(const std::string& hwnd, std::vector<Control>& controls) {
    const Reply r = Send("children " + hwnd);
    ASSERT_OK(r);
    controls.clear();
    for (size_t i = 1; i < r.fields.size(); ++i) {
        const std::vector<std::string> f = Split(r[i], ',');
        ASSERT_EQ(f.size(), 12u) << r[i];
        Control& c = controls.emplace_back();
        c.hwnd = f[0];
        c.id = ToInt(f[2]);
        c.className = f[3];
        c.x = ToInt(f[4]);
        c.y = ToInt(f[5]);
        c.width = ToInt(f[6]);
        c.height = ToInt(f[7]);
        c.style = ToUnsigned(f[8]);
        c.visible = f[9] == "1";
        c.enabled = f[10] == "1";
        c.text = FromHex(f[11]);
    }
}

const Control* FindControl(const std::vector<Control>& controls, int id, const std::string& classPrefix) {
    for (const Control& c : controls)
        if (c.id == id && c.className.compare(0, classPrefix.size(), classPrefix) == 0) return &c;
    return nullptr;
}

void PictarnTest::OpenTrayMenu() {
    ASSERT_OK(Send("tray " + std::to_string(kRightDown)));
    ASSERT_OK(Send("menu-wait 10000"));
}

void PictarnTest::ReadMenu(std::vector<MenuEntry>& entries) {
    const Reply r = Send("menu-items");
    ASSERT_OK(r);
    entries.clear();
    for (size_t i = 1; i < r.fields.size(); ++i) {
        const std::vector<std::string> f = Split(r[i], ',');
        ASSERT_EQ(f.size(), 9u) << r[i];
        MenuEntry& e = entries.emplace_back();
        e.id = ToInt(f[0]);
        e.type = ToUnsigned(f[1]);
        e.state = ToUnsigned(f[2]);
        e.bitmap = f[3] == "1";
        e.text = FromHex(f[4]);
    }
}

void PictarnTest::ChooseFromTrayMenu(int id) {
    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu());
    ASSERT_OK(Send("menu-pick " + std::to_string(id)));
}

void PictarnTest::OpenSettingsWindow(std::string& hwnd) {
    ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(1));
    const Reply r = Send("wait-window - " + ToHex(ru::kSettings) + " 10000 visible");
    ASSERT_OK(r);
    hwnd = r[0];
}

void PictarnTest::WaitMessageBox(MessageBoxView& box) {
    const Reply r = Send("msgbox-wait 15000");
    ASSERT_OK(r);
    box.hwnd = r[0];
    box.title = FromHex(r[1]);
    box.text = FromHex(r[2]);
    box.buttons = r.Int(3);
    box.icons = r.Int(4);
}

void PictarnTest::FocusedControl(const std::string& window, std::string& focus) {
    const Reply r = Send("focus " + window);
    ASSERT_OK(r);
    focus = r[0];
}

void PictarnTest::PutPictureOnClipboard(int width, int height, Rgb top, Rgb bottom) {
    WriteFile("clipboard.bmp", TwoBandBitmap(width, height, top, bottom));
    ASSERT_OK(Send("clip-dib " + ToHex(winDir_ + "clipboard.bmp")));
    ASSERT_TRUE(ClipboardHasPicture());
}

bool PictarnTest::ClipboardHasPicture() { return Send("clip-has-dib")[0] == "1"; }

void PictarnTest::PressPrintScreen() { ASSERT_OK(Send("key " + std::to_string(kVkPrintScreen))); }

void PictarnTest::WaitScreenshot(const std::string& file, std::string& jpeg) {
    ASSERT_TRUE(WaitUntil(15000, [&] { return !ClipboardHasPicture(); }))
        << "the clipboard still holds the picture after Print Screen";
    ASSERT_TRUE(Exists(file)) << Path(file);
    jpeg = ReadFile(file);
}

bool PictarnTest::WaitUntil(int timeoutMs, const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        if (condition()) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        Pause(50);
    }
}

void PictarnTest::Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

}  // namespace e2e
