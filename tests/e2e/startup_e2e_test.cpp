// Start-up end to end: without "Pictarn.ini" the message box comes first and
// the program goes on with zero settings; without "1.ico" there is no tray
// icon but screenshots are still saved.
#include <filesystem>

#include "jpeg_file.hpp"
#include "pictarn_fixture.hpp"

namespace e2e {
namespace {

using StartupTest = PictarnTest;

TEST_F(StartupTest, MissingSettingsFileShowsTheMessageBeforeAnyTrayIconThenRunsWithZeros) {
    const int iconsBefore = Send("tray-icons").Int(0);
    ASSERT_NO_FATAL_FAILURE(StartPictarn());

    MessageBoxView box;
    ASSERT_NO_FATAL_FAILURE(WaitMessageBox(box));
    EXPECT_EQ(box.title, ru::kMessageTitle);
    EXPECT_EQ(box.text, ru::kNoSettingsFile);
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(box.icons, 0);
    // While the box is up, neither the main window (the icon's owner) nor an icon exists.
    EXPECT_FALSE(Send("main-window").ok);
    EXPECT_EQ(Send("tray-icons").Int(0), iconsBefore);

    ASSERT_OK(Send("msgbox-ok " + box.hwnd));
    std::string main;
    ASSERT_NO_FATAL_FAILURE(WaitMainWindow(main));
    EXPECT_TRUE(WaitUntil(10000, [&] { return Send("tray-has " + main)[0] == "1"; }));
    EXPECT_FALSE(Exists("Pictarn.ini")) << "the settings file is not created at start-up";

    // Zero settings: the picture goes to the current folder, at the lowest quality.
    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(40, 30, {255, 0, 0}, {0, 0, 255}));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    std::string jpeg;
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot("new.jpeg", jpeg));
    JpegHeaders headers;
    ASSERT_TRUE(ReadJpegHeaders(jpeg, headers));
    EXPECT_EQ(headers.width, 40);
    EXPECT_EQ(headers.height, 30);
    EXPECT_EQ(headers.tables[0], ScaledStandardTable(0, 0));
}

TEST_F(StartupTest, MissingIconFileShowsNoIconAndNoMessageButScreenshotsAreSaved) {
    std::filesystem::remove(Path("1.ico"));
    WriteFile("Pictarn.ini", SettingsText(8, 30, 20, WinFolder()));
    ASSERT_NO_FATAL_FAILURE(StartPictarn());
    std::string main;
    ASSERT_NO_FATAL_FAILURE(WaitMainWindow(main));

    ASSERT_NO_FATAL_FAILURE(PutPictureOnClipboard(90, 60, {255, 0, 0}, {0, 0, 255}));
    ASSERT_NO_FATAL_FAILURE(PressPrintScreen());
    std::string jpeg;
    ASSERT_NO_FATAL_FAILURE(WaitScreenshot("new.jpeg", jpeg));  // the loop runs
    EXPECT_EQ(Send("tray-has " + main)[0], "0");
    EXPECT_FALSE(Send("msgbox-wait 0").ok);
    JpegHeaders headers;
    ASSERT_TRUE(ReadJpegHeaders(jpeg, headers));
    EXPECT_EQ(headers.width, 30);
    EXPECT_EQ(headers.height, 20);
}

}  // namespace
}  // namespace e2e
