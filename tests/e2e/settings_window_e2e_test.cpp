// The settings window end to end: its place and gadgets, Tab order, values
// that take effect at once, "Принять" writing the file, "Отмена" writing
// nothing, close requests ignored, and the folder browser behind "Сменить".
#include "jpeg_file.hpp"
#include "pictarn_fixture.hpp"

namespace e2e {
namespace {

// Gadget numbers and click points (centres, in the window's client area).
constexpr int kHeight = 1, kWidth = 2, kQuality = 3, kAccept = 4, kCancel = 7, kFolder = 12, kChange = 14;
struct Point {
    int x, y;
};
constexpr Point kAcceptButton{80, 415};
constexpr Point kCancelButton{220, 415};
constexpr Point kChangeButton{260, 320};
constexpr Point kWidthField{90, 110};
constexpr Point kWidthUp{125, 104};
constexpr Point kHeightUp{245, 104};
constexpr Point kHeightDown{245, 116};

class SettingsWindowTest : public PictarnTest {
protected:
    // Starts the program with these settings and opens the window.
    void Open(int quality, int width, int height, const std::string& folder) {
        settings_ = SettingsText(quality, width, height, folder);
        WriteFile("Pictarn.ini", settings_);
        ASSERT_NO_FATAL_FAILURE(StartReady(main_));
        ASSERT_NO_FATAL_FAILURE(OpenWindow());
    }
    void OpenWindow() {
        ASSERT_NO_FATAL_FAILURE(OpenSettingsWindow(window_));
        ASSERT_NO_FATAL_FAILURE(ReadControls(window_, controls_));
    }
    std::string Hwnd(int id, const std::string& classPrefix) {
        const Control* c = FindControl(controls_, id, classPrefix);
        return c ? c->hwnd : "0";
    }
    std::string TextOf(int id, const std::string& classPrefix) {
        return FromHex(Send("text " + Hwnd(id, classPrefix))[0]);
    }
    int TrackBarPosition() { return Send("trackbar " + Hwnd(kQuality, "msctls_trackbar32")).Int(0); }
    void Click(Point p) { ASSERT_OK(Send("click " + window_ + " " + std::to_string(p.x) + " " + std::to_string(p.y))); }
    void Key(int vk) { ASSERT_OK(Send("key " + std::to_string(vk))); }
    // The number of the control that has the keyboard focus, 0 for none of them.
    int FocusedGadget() {
        std::string focus;
        FocusedControl(window_, focus);
        for (const Control& c : controls_)
            if (c.hwnd == focus) return c.id;
        return 0;
    }
    void WaitText(int id, const std::string& classPrefix, const std::string& expected) {
        EXPECT_TRUE(WaitUntil(5000, [&] { return TextOf(id, classPrefix) == expected; }))
            << "gadget " << id << " shows \"" << TextOf(id, classPrefix) << "\", not \"" << expected << "\"";
    }
    void TypeIntoWidthField(const std::string& digits) {
        ASSERT_NO_FATAL_FAILURE(Click(kWidthField));
        ASSERT_NO_FATAL_FAILURE(Key(kVkHome));
        ASSERT_OK(Send("key " + std::to_string(kVkShift) + " " + std::to_string(kVkEnd)));
        ASSERT_OK(Send("type " + ToHex(digits)));
    }
    void WaitClosed() { ASSERT_OK(Send("wait-gone " + window_ + " 10000")); }
    // A screenshot of a 100 by 80 picture with the current settings.
    void Screenshot(const std::string& file, JpegHeaders& headers) {
        ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(100, 80, {255, 0, 0}, {0, 0, 255}));
        ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
        std::string jpeg;
        ASSERT_NO_FATAL_FAILURE(WaitScreenshot(file, jpeg));
        ASSERT_TRUE(ReadJpegHeaders(jpeg, headers));
    }

    std::string main_;
    std::string window_;
    std::string settings_;
    std::vector<Control> controls_;
};

TEST_F(SettingsWindowTest, OpensAtItsPlaceWithEveryGadgetInItsRectangle) {
    const std::string folder = WinFolder() + "shots\\";
    ASSERT_NO_FATAL_FAILURE(Open(7, 320, 240, folder));

    WindowInfo info;
    ASSERT_NO_FATAL_FAILURE(ReadInfo(window_, info));
    EXPECT_TRUE(info.visible);
    EXPECT_EQ(info.title, ru::kSettings);
    EXPECT_EQ(info.x, 300);
    EXPECT_EQ(info.y, 200);
    EXPECT_EQ(info.clientWidth, 300);
    EXPECT_EQ(info.clientHeight, 450);
    EXPECT_EQ(info.style & 0x00CB0000u, 0x00CB0000u) << "title bar, system menu, minimize and maximize boxes";
    EXPECT_EQ(info.style & 0x00040000u, 0u) << "no frame to drag";
    const Reply icons = Send("window-icons " + window_);  // its own icons or its class's
    ASSERT_OK(icons);
    EXPECT_TRUE(icons[0] == "1" || icons[2] == "1") << "a large icon: " << icons.line;
    EXPECT_TRUE(icons[1] == "1" || icons[3] == "1") << "a small icon: " << icons.line;

    const struct {
        int id;
        const char* classPrefix;
        int x, y, width, height;
        std::string text;
    } gadgets[] = {
        {3, "msctls_trackbar32", 30, 200, 230, 50, ""},
        {5, "Static", 30, 180, 50, 20, "Плохое"},
        {6, "Static", 230, 180, 50, 20, "Отличное"},
        {8, "Static", 120, 150, 70, 20, "КАЧЕСТВО:"},
        {9, "Static", 120, 50, 70, 20, "РАЗМЕРЫ:"},
        {10, "Static", 65, 80, 70, 20, "Ширина"},
        {11, "Static", 185, 80, 70, 20, "Высота"},
        {12, "RichEdit", 10, 280, 280, 20, folder},
        {13, "Static", 10, 260, 180, 20, "ПУТЬ К СКРИНШОТУ:"},
        {14, "Button", 230, 310, 60, 20, ru::kChange},
        {4, "Button", 30, 400, 100, 30, ru::kAccept},
        {7, "Button", 170, 400, 100, 30, ru::kCancel},
        {2, "Edit", 60, 100, 60, 20, "320"},   // the spin box's field ...
        {2, "msctls_updown32", 120, 100, 10, 20, ""},  // ... and its arrows
        {1, "Edit", 180, 100, 60, 20, "240"},
        {1, "msctls_updown32", 240, 100, 10, 20, ""},
    };
    for (const auto& g : gadgets) {
        SCOPED_TRACE("gadget " + std::to_string(g.id) + " " + g.classPrefix);
        const Control* c = FindControl(controls_, g.id, g.classPrefix);
        ASSERT_NE(c, nullptr);
        EXPECT_TRUE(c->visible);
        EXPECT_EQ(c->x, g.x);
        EXPECT_EQ(c->y, g.y);
        EXPECT_EQ(c->width, g.width);
        EXPECT_EQ(c->height, g.height);
        EXPECT_EQ(c->text, g.text);
    }

    const Reply track = Send("trackbar " + Hwnd(kQuality, "msctls_trackbar32"));
    ASSERT_OK(track);
    EXPECT_EQ(track.Int(0), 7);
    EXPECT_EQ(track.Int(1), 1);
    EXPECT_EQ(track.Int(2), 10);
    EXPECT_EQ(track.Int(3), 10) << "a tick for every value";
    for (int id : {kWidth, kHeight}) {
        const Reply spin = Send("updown " + Hwnd(id, "msctls_updown32"));
        ASSERT_OK(spin);
        EXPECT_EQ(spin.Int(0), 10);
        EXPECT_EQ(spin.Int(1), 1200);
        EXPECT_EQ(spin[2], Hwnd(id, "Edit")) << "the arrows step their own field";
    }
}

TEST_F(SettingsWindowTest, TabAndShiftTabMoveTheFocusInCreationOrder) {
    ASSERT_NO_FATAL_FAILURE(Open(7, 320, 240, WinFolder()));
    EXPECT_EQ(FocusedGadget(), 0);

    // From no focus, Tab goes to the first tab stop, then to the folder field.
    const struct {
        const char* key;
        int focus;
    } steps[] = {
        {"tab", kQuality},       {"tab", kFolder},
        {"shift-tab", kQuality}, {"shift-tab", kHeight}, {"shift-tab", kWidth}, {"shift-tab", kCancel},
        {"shift-tab", kAccept},  {"shift-tab", kChange}, {"shift-tab", kFolder},
        {"shift-tab", kQuality}, {"tab", kFolder},
    };
    for (const auto& step : steps) {
        ASSERT_OK(Send(step.key));
        EXPECT_TRUE(WaitUntil(3000, [&] { return FocusedGadget() == step.focus; }))
            << step.key << " should focus gadget " << step.focus << ", focus is on " << FocusedGadget();
    }
    // Tab alone stays in the rich-text folder field and goes into its text.
    ASSERT_OK(Send("tab"));
    EXPECT_TRUE(WaitUntil(3000, [&] { return TextOf(kFolder, "RichEdit").find('\t') != std::string::npos; }))
        << TextOf(kFolder, "RichEdit");
    EXPECT_EQ(FocusedGadget(), kFolder);

    // Forward from "Сменить" through the rest, wrapping to the track bar.
    for (int i = 0; i < 6; ++i) ASSERT_OK(Send("shift-tab"));
    ASSERT_TRUE(WaitUntil(3000, [&] { return FocusedGadget() == kChange; }));
    for (int expected : {kAccept, kCancel, kWidth, kHeight, kQuality}) {
        ASSERT_OK(Send("tab"));
        EXPECT_TRUE(WaitUntil(3000, [&] { return FocusedGadget() == expected; }))
            << "tab should focus gadget " << expected << ", focus is on " << FocusedGadget();
    }
}

TEST_F(SettingsWindowTest, TrackBarAndSpinBoxesTakeEffectForTheNextScreenshotAtOnce) {
    ASSERT_NO_FATAL_FAILURE(Open(7, 320, 240, WinFolder()));
    ASSERT_OK(Send("tab"));  // the track bar
    ASSERT_NO_FATAL_FAILURE(Key(kVkLeft));
    EXPECT_TRUE(WaitUntil(3000, [&] { return TrackBarPosition() == 6; }));
    ASSERT_NO_FATAL_FAILURE(TypeIntoWidthField("200"));
    WaitText(kWidth, "Edit", "200");
    for (int i = 0; i < 3; ++i) ASSERT_NO_FATAL_FAILURE(Click(kHeightUp));
    WaitText(kHeight, "Edit", "243");

    JpegHeaders headers;
    ASSERT_NO_FATAL_FAILURE(Screenshot("new.jpeg", headers));
    EXPECT_EQ(headers.width, 200);
    EXPECT_EQ(headers.height, 243);
    EXPECT_EQ(headers.tables[0], ScaledStandardTable(0, 60));
    EXPECT_EQ(ReadFile("Pictarn.ini"), settings_) << "nothing is saved before Принять";
}

TEST_F(SettingsWindowTest, AcceptClosesTheWindowAndWritesTheFileOverTheOldOne) {
    const std::string folder = WinFolder();
    // A longer old file: its bytes beyond the new four lines stay.
    settings_ = SettingsText(7, 320, 240, folder) + "fifth line\r\n";
    WriteFile("Pictarn.ini", settings_);
    ASSERT_NO_FATAL_FAILURE(StartReady(main_));
    ASSERT_NO_FATAL_FAILURE(OpenWindow());

    ASSERT_OK(Send("tab"));
    ASSERT_NO_FATAL_FAILURE(Key(kVkEnd));
    EXPECT_TRUE(WaitUntil(3000, [&] { return TrackBarPosition() == 10; }));
    ASSERT_NO_FATAL_FAILURE(TypeIntoWidthField("800"));
    WaitText(kWidth, "Edit", "800");
    ASSERT_NO_FATAL_FAILURE(Click(kHeightDown));
    WaitText(kHeight, "Edit", "239");

    ASSERT_NO_FATAL_FAILURE(Click(kAcceptButton));
    ASSERT_NO_FATAL_FAILURE(WaitClosed());
    const std::string written = SettingsText(10, 800, 239, folder);
    const std::string expected = written + settings_.substr(written.size());
    EXPECT_TRUE(WaitUntil(5000, [&] { return ReadFile("Pictarn.ini") == expected; }))
        << "Pictarn.ini holds:\n" << ReadFile("Pictarn.ini");
}

TEST_F(SettingsWindowTest, CancelClosesTheWindowWritesNothingAndKeepsTheChanges) {
    ASSERT_NO_FATAL_FAILURE(Open(7, 320, 240, WinFolder()));
    ASSERT_NO_FATAL_FAILURE(Click(kWidthUp));
    WaitText(kWidth, "Edit", "321");

    ASSERT_NO_FATAL_FAILURE(Click(kCancelButton));
    ASSERT_NO_FATAL_FAILURE(WaitClosed());
    Pause(1000);
    EXPECT_EQ(ReadFile("Pictarn.ini"), settings_);

    JpegHeaders headers;
    ASSERT_NO_FATAL_FAILURE(Screenshot("new.jpeg", headers));
    EXPECT_EQ(headers.width, 321);
    EXPECT_EQ(headers.height, 240);

    // A later window shows the value in effect, and its Принять writes it.
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    EXPECT_EQ(TextOf(kWidth, "Edit"), "321");
    ASSERT_NO_FATAL_FAILURE(Click(kAcceptButton));
    ASSERT_NO_FATAL_FAILURE(WaitClosed());
    EXPECT_TRUE(WaitUntil(5000, [&] { return ReadFile("Pictarn.ini") == SettingsText(7, 321, 240, WinFolder()); }));
}

TEST_F(SettingsWindowTest, CloseRequestsLeaveTheWindowOpen) {
    ASSERT_NO_FATAL_FAILURE(Open(7, 320, 240, WinFolder()));
    const struct {
        const char* name;
        std::string command;
    } requests[] = {
        {"close box", "close " + window_},
        {"WM_CLOSE", "wm-close " + window_},
        {"Alt+F4", "key " + std::to_string(kVkAlt) + " " + std::to_string(kVkF4)},
    };
    for (const auto& request : requests) {
        SCOPED_TRACE(request.name);
        ASSERT_OK(Send("activate " + window_));
        ASSERT_OK(Send(request.command));
        Pause(500);
        WindowInfo info;
        ASSERT_NO_FATAL_FAILURE(ReadInfo(window_, info));
        EXPECT_TRUE(info.visible);
    }
    // The window still answers: Отмена closes it.
    ASSERT_NO_FATAL_FAILURE(Click(kCancelButton));
    ASSERT_NO_FATAL_FAILURE(WaitClosed());
}

TEST_F(SettingsWindowTest, ChangeShowsTheChosenFolderWithItsTrailingBackslash) {
    MakeFolder("picked");
    ASSERT_NO_FATAL_FAILURE(Open(7, 320, 240, WinFolder() + "shots\\"));
    ASSERT_NO_FATAL_FAILURE(Click(kChangeButton));

    const Reply browser = Send("folder-wait 15000");
    ASSERT_OK(browser);
    EXPECT_EQ(browser[2], window_) << "the settings window owns the browser";
    EXPECT_EQ(browser[3], "0") << "and is disabled while it is open";
    bool titleShown = false;
    for (size_t i = 5; i < browser.fields.size(); ++i) titleShown = titleShown || FromHex(browser[i]) == ru::kBrowserTitle;
    EXPECT_TRUE(titleShown) << browser.line;

    ASSERT_OK(Send("folder-choose " + browser[0] + " " + ToHex(WinFolder() + "picked")));
    WaitText(kFolder, "RichEdit", WinFolder() + "picked\\");
    WindowInfo info;
    ASSERT_NO_FATAL_FAILURE(ReadInfo(window_, info));
    EXPECT_TRUE(info.enabled);

    JpegHeaders headers;
    ASSERT_NO_FATAL_FAILURE(Screenshot("picked/new.jpeg", headers));
    EXPECT_EQ(headers.width, 320);
}

TEST_F(SettingsWindowTest, CancellingTheBrowserEmptiesTheFolder) {
    MakeFolder("shots");
    ASSERT_NO_FATAL_FAILURE(Open(7, 320, 240, WinFolder() + "shots\\"));
    ASSERT_NO_FATAL_FAILURE(Click(kChangeButton));
    const Reply browser = Send("folder-wait 15000");
    ASSERT_OK(browser);
    ASSERT_OK(Send("folder-cancel " + browser[0]));
    WaitText(kFolder, "RichEdit", "");

    // From now on screenshots go to the current folder.
    JpegHeaders headers;
    ASSERT_NO_FATAL_FAILURE(Screenshot("new.jpeg", headers));
    EXPECT_FALSE(Exists("shots/new.jpeg"));
}

TEST_F(SettingsWindowTest, WithoutSettingsFileItShowsTheMinimumsAndAcceptWritesZeros) {
    ASSERT_NO_FATAL_FAILURE(StartPictarn());
    MessageBoxView box;
    ASSERT_NO_FATAL_FAILURE(WaitMessageBox(box));
    ASSERT_OK(Send("msgbox-ok " + box.hwnd));
    ASSERT_NO_FATAL_FAILURE(WaitMainWindow(main_));
    ASSERT_TRUE(WaitUntil(10000, [&] { return Send("tray-has " + main_)[0] == "1"; }));
    ASSERT_NO_FATAL_FAILURE(OpenWindow());

    EXPECT_EQ(TrackBarPosition(), 1);
    EXPECT_EQ(TextOf(kWidth, "Edit"), "10");
    EXPECT_EQ(TextOf(kHeight, "Edit"), "10");
    EXPECT_EQ(TextOf(kFolder, "RichEdit"), "");
    ASSERT_NO_FATAL_FAILURE(Click(kAcceptButton));
    ASSERT_NO_FATAL_FAILURE(WaitClosed());
    EXPECT_TRUE(WaitUntil(5000, [&] { return ReadFile("Pictarn.ini") == "0\r\n0\r\n0\r\n\r\n"; }))
        << ReadFile("Pictarn.ini");
}

TEST_F(SettingsWindowTest, StoredValuesOutsideTheRangesShowClampedButStayUntilTheControlIsUsed) {
    // Lines ended by LF only: the rewrite with CR LF shows that the file was written.
    WriteFile("Pictarn.ini", "50\n5000\n5\n" + WinFolder() + "\n");
    ASSERT_NO_FATAL_FAILURE(StartReady(main_));
    ASSERT_NO_FATAL_FAILURE(OpenWindow());
    EXPECT_EQ(TrackBarPosition(), 10);
    EXPECT_EQ(TextOf(kWidth, "Edit"), "1200");
    EXPECT_EQ(TextOf(kHeight, "Edit"), "10");
    ASSERT_NO_FATAL_FAILURE(Click(kAcceptButton));
    ASSERT_NO_FATAL_FAILURE(WaitClosed());
    const std::string expected = SettingsText(50, 5000, 5, WinFolder());
    EXPECT_TRUE(WaitUntil(5000, [&] { return ReadFile("Pictarn.ini") == expected; })) << ReadFile("Pictarn.ini");
}

}  // namespace
}  // namespace e2e
