// The tray icon and its menu end to end: the right button opens the menu with
// its four entries at the pointer, other clicks do nothing, "О программе"
// shows the About box, "Выход" ends the program with exit code 0.
#include <regex>

#include "pictarn_fixture.hpp"

namespace e2e {
namespace {

class TrayTest : public PictarnTest {
protected:
    void StartWithSettings() {
        WriteFile("Pictarn.ini", SettingsText(7, 320, 240, WinFolder()));
        ASSERT_NO_FATAL_FAILURE(StartReady(main_));
    }
    // No window of the program besides the hidden main window is showing.
    void ExpectNothingShown() {
        EXPECT_EQ(Send("menu-open")[0], "0");
        EXPECT_FALSE(Send("msgbox-wait 0").ok);
        EXPECT_FALSE(Send("find-window - " + ToHex(ru::kSettings) + " visible").ok);
    }

    std::string main_;
};

TEST_F(TrayTest, RightPressOpensTheMenuWithItsFourEntriesAtThePointer) {
    ASSERT_NO_FATAL_FAILURE(StartWithSettings());
    ASSERT_OK(Send("mouse-move 400 300"));
    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu());

    const Reply menu = Send("menu-wait 0");
    ASSERT_OK(menu);
    WindowInfo info;
    ASSERT_NO_FATAL_FAILURE(ReadInfo(menu[0], info));
    EXPECT_EQ(info.x, 399) << "one pixel left of the pointer";
    EXPECT_EQ(info.y, 299) << "one pixel above the pointer";

    std::vector<MenuEntry> entries;
    ASSERT_NO_FATAL_FAILURE(ReadMenu(entries));
    ASSERT_EQ(entries.size(), 4u);
    const struct {
        int id;
        std::string text;
    } expected[] = {{1, ru::kSettings}, {2, ru::kAbout}, {0, ""}, {10, ru::kExit}};
    for (size_t i = 0; i < 4; ++i) {
        const bool separator = expected[i].text.empty();
        EXPECT_EQ(entries[i].type, separator ? 0x800u : 0u) << "entry " << i;
        EXPECT_EQ(entries[i].state, separator ? entries[i].state : 0u) << "enabled, unchecked: entry " << i;
        EXPECT_FALSE(entries[i].bitmap) << "entry " << i;
        if (separator) continue;
        EXPECT_EQ(entries[i].id, expected[i].id) << "entry " << i;
        EXPECT_EQ(entries[i].text, expected[i].text) << "entry " << i;
    }

    // Escape closes the menu and changes nothing.
    ASSERT_OK(Send("menu-escape"));
    Pause(500);
    ExpectNothingShown();
    EXPECT_TRUE(PictarnRunning());
}

TEST_F(TrayTest, RightClickOnTheIconInTheNotificationAreaOpensTheMenu) {
    ASSERT_NO_FATAL_FAILURE(StartWithSettings());
    // Wine's own notification area shows the icon when the X desktop has none.
    const Reply icons = Send("tray-icons");
    ASSERT_OK(icons);
    ASSERT_GE(icons.Int(0), 1);
    // Icons are laid out from left to right in the order they were put up: ours is the last.
    std::string icon;
    int rightmost = -1;
    for (size_t i = 1; i < icons.fields.size(); ++i) {
        WindowInfo info;
        ASSERT_NO_FATAL_FAILURE(ReadInfo(icons[i], info));
        if (info.x > rightmost) {
            rightmost = info.x;
            icon = icons[i];
        }
    }

    ASSERT_OK(Send("click " + icon + " 8 8 left"));
    Pause(500);
    ExpectNothingShown();
    ASSERT_OK(Send("click " + icon + " 8 8 right"));
    ASSERT_OK(Send("menu-wait 10000"));
    std::vector<MenuEntry> entries;
    ASSERT_NO_FATAL_FAILURE(ReadMenu(entries));
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].text, ru::kSettings);
    ASSERT_OK(Send("menu-escape"));
}

TEST_F(TrayTest, OtherMouseActionsOnTheIconOpenNothing) {
    ASSERT_NO_FATAL_FAILURE(StartWithSettings());
    const struct {
        const char* name;
        int message;
    } actions[] = {{"left press", kLeftDown},       {"left double click", kLeftDouble},
                   {"right double click", kRightDouble}, {"left release", kLeftUp},
                   {"right release", kRightUp},     {"move", kMouseMove}};
    for (const auto& action : actions) {
        ASSERT_OK(Send("tray " + std::to_string(action.message)));
        Pause(300);  // a few passes of the loop
        SCOPED_TRACE(action.name);
        ExpectNothingShown();
    }
    // The same notices still reach the program: the right press opens the menu.
    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu());
    ASSERT_OK(Send("menu-escape"));
}

TEST_F(TrayTest, AboutShowsItsBoxAndTheProgramGoesOnAfterOk) {
    ASSERT_NO_FATAL_FAILURE(StartWithSettings());
    ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(2));
    MessageBoxView box;
    ASSERT_NO_FATAL_FAILURE(WaitMessageBox(box));
    EXPECT_EQ(box.title, ru::kAbout);
    // The maker's web address, two blanks, the author's name, on one line.
    EXPECT_TRUE(std::regex_match(box.text, std::regex(R"(https?://[^ \r\n]+  [^ \r\n][^\r\n]*)"))) << box.text;
    EXPECT_EQ(box.buttons, 1);
    EXPECT_EQ(box.icons, 0);

    ASSERT_OK(Send("msgbox-ok " + box.hwnd));
    ASSERT_OK(Send("wait-gone " + box.hwnd + " 10000"));
    EXPECT_TRUE(PictarnRunning());
    ASSERT_NO_FATAL_FAILURE(OpenTrayMenu());
    ASSERT_OK(Send("menu-escape"));
}

TEST_F(TrayTest, ExitEndsTheProgramWithCodeZeroAndTakesTheIconDown) {
    ASSERT_NO_FATAL_FAILURE(StartWithSettings());
    const std::string settingsBefore = ReadFile("Pictarn.ini");
    ASSERT_EQ(Send("tray-has " + main_)[0], "1");

    ASSERT_NO_FATAL_FAILURE(ChooseFromTrayMenu(10));
    int status = -1;
    ASSERT_TRUE(WaitPictarnExit(15000, status)) << "Pictarn.exe still runs after Выход";
    EXPECT_EQ(status, 0);
    EXPECT_EQ(Send("tray-has " + main_)[0], "0");
    EXPECT_EQ(ReadFile("Pictarn.ini"), settingsBefore) << "the settings are not written at exit";
}

}  // namespace
}  // namespace e2e
