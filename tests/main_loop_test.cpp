// Start-up, the pass of eleven turns, dispatch, the tray menu and the exit,
// on the simulated desktop.
#include "app/app_loop.hpp"
#include "app/program_state.hpp"
#include "platform/common/cp1251.hpp"
#include "settings/settings.hpp"
#include "support/sim_app.hpp"
#include "ui/tray.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace platform;
using testsupport::SimAppTest;

namespace {

class MainLoopTest : public SimAppTest {
protected:
    void StartWithFiles() {
        WriteIni("7\r\n800\r\n600\r\n\r\n");
        WriteIcon();
        Start();
    }
    // Chooses `item` in the next menu that comes up.
    static void ChooseInMenu(int item) {
        sim::OnModal([item](const sim::Modal& m) {
            sim::ModalAnswer answer;
            if (m.kind == sim::ModalKind::Menu) answer.menuItem = item;
            return answer;
        });
    }
};

TEST_F(MainLoopTest, MissingSettingsFileIsReportedBeforeAnyWindowOrTrayIcon) {
    WriteIcon();
    Start();
    ASSERT_EQ(sim::ModalsShown().size(), 1u);
    const sim::Modal& box = sim::ModalsShown()[0];
    EXPECT_EQ(box.title, Cp1251(u8"Сообщение").str());
    EXPECT_EQ(box.text, Cp1251(u8"Невозможно открыть файл Pictarn.ini !").str());
    EXPECT_TRUE(box.trayIconsUp.empty());
    EXPECT_TRUE(box.windowsOpen.empty());
    // Afterwards the program runs with zero settings and its tray icon.
    EXPECT_EQ(sim::TrayIcons().count(TRAY_ICON), 1u);
    EXPECT_EQ(settings.quality, 0);
    EXPECT_EQ(settings.width, 0);
    EXPECT_EQ(settings.height, 0);
    EXPECT_EQ(settings.folder, "");
    EXPECT_FALSE(Pass().has_value());
}

TEST_F(MainLoopTest, StartUpOpensTheHiddenMainWindowAndPutsTheTrayUp) {
    StartWithFiles();
    EXPECT_TRUE(sim::ModalsShown().empty());
    EXPECT_EQ(sim::Log().front(), "startup");
    const sim::Window* main = sim::FindWindow(WINDOW_MAIN);
    ASSERT_NE(main, nullptr);
    EXPECT_FALSE(main->visible);
    EXPECT_EQ(main->title, "Korvadine - SysTray Example");
    EXPECT_EQ(main->flags, 0x10C80000u);
    ASSERT_EQ(sim::TrayIcons().count(TRAY_ICON), 1u);
    const sim::TrayIcon& icon = sim::TrayIcons().at(TRAY_ICON);
    EXPECT_EQ(icon.owner, WindowHandle(WINDOW_MAIN));
    EXPECT_NE(icon.icon, 0u);
    EXPECT_EQ(icon.tip, "Pictarn");

    const auto* menu = sim::FindMenu(MENU_TRAY);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(menu->size(), 4u);
    EXPECT_EQ((*menu)[0].id, MENU_SETTINGS);
    EXPECT_EQ((*menu)[0].text, Cp1251(u8"Настройки").str());
    EXPECT_EQ((*menu)[1].id, MENU_ABOUT);
    EXPECT_EQ((*menu)[1].text, Cp1251(u8"О программе").str());
    EXPECT_TRUE((*menu)[2].separator);
    EXPECT_EQ((*menu)[3].id, MENU_EXIT);
    EXPECT_EQ((*menu)[3].text, Cp1251(u8"Выход").str());
    EXPECT_EQ(exitRequested, 0);
}

TEST_F(MainLoopTest, WithoutAnIconFileNoTrayIconIsPutUpAndNothingIsShown) {
    const std::pair<const char*, std::string> cases[] = {
        {"missing", ""},
        {"not an icon", "GIF89a...."},
        {"truncated icon", std::string("\0\0\1\0\1\0\x10\x10", 8)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        sim::Reset();
        WriteIni("7\r\n800\r\n600\r\n\r\n");
        std::remove((Dir() + "1.ico").c_str());
        if (!bytes.empty()) WriteFile("1.ico", bytes);
        Start();
        EXPECT_TRUE(sim::TrayIcons().empty());
        EXPECT_TRUE(sim::ModalsShown().empty());
        EXPECT_FALSE(Pass().has_value());
    }
}

TEST_F(MainLoopTest, AShellThatRefusesTheEntryLeavesNoTrayIcon) {
    WriteIni("");
    WriteIcon();
    sim::RefuseTray(true);
    sim::OnModal([](const sim::Modal&) { return sim::ModalAnswer{}; });
    Start();
    EXPECT_TRUE(sim::TrayIcons().empty());
    EXPECT_FALSE(sim::TrayMouse(MOUSE_RIGHT_DOWN));
}

TEST_F(MainLoopTest, APassSleepsOnceThenPollsAndQueriesEachKeyFrom40To50) {
    StartWithFiles();
    sim::ClearLog();
    const std::uint64_t before = sim::NowMs();
    EXPECT_FALSE(Pass().has_value());
    std::vector<std::string> expected{"sleep 1"};
    for (int key = 40; key <= 50; ++key) {
        expected.push_back("poll");
        expected.push_back("key " + std::to_string(key));
    }
    EXPECT_EQ(sim::Log(), expected);
    // Idle: one 1 ms sleep and eleven 10 ms waits.
    EXPECT_EQ(sim::NowMs() - before, 111u);
}

TEST_F(MainLoopTest, PrintScreenCountsOnlyInItsOwnTurnAfterThatTurnsEvent) {
    StartWithFiles();
    for (int key = 40; key <= 50; ++key) sim::KeyDown(key);
    sim::ClearLog();
    // Every turn gets an event to dispatch and every key reads as down, yet
    // only the Print Screen turn acts, right after its own poll.
    for (int i = 0; i < 4; ++i) sim::WindowStateNotice(WINDOW_MAIN), sim::RequestClose(WINDOW_MAIN);
    EXPECT_FALSE(Pass().has_value());
    const std::vector<std::string> log = sim::Log();
    const auto screenshots = LogEntries("clipboard-get");
    EXPECT_EQ(screenshots.size(), 1u);
    const auto key44 = std::find(log.begin(), log.end(), "key 44");
    ASSERT_NE(key44, log.end());
    EXPECT_EQ(*(key44 - 1), "poll");
    EXPECT_EQ(*(key44 + 1), "clipboard-get");
}

TEST_F(MainLoopTest, AMenuChoiceIsDispatchedBeforeTheKeyTestOfTheSameTurn) {
    StartWithFiles();
    sim::KeyDown(KEY_PRINT_SCREEN);
    ChooseInMenu(MENU_ABOUT);
    ASSERT_TRUE(sim::TrayMouse(MOUSE_RIGHT_DOWN));
    EXPECT_FALSE(Turn(40).has_value());  // the menu, then the choice is queued
    sim::ClearLog();
    sim::OnModal(nullptr);
    EXPECT_FALSE(Turn(KEY_PRINT_SCREEN).has_value());
    const auto& log = sim::Log();
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(log[0], "poll");
    EXPECT_EQ(log[1], "message");
    EXPECT_EQ(log[2], "key 44");
    EXPECT_EQ(log[3], "clipboard-get");
}

TEST_F(MainLoopTest, ExitEndsInTheSameTurnWithCodeZeroWithoutTheKeyTest) {
    StartWithFiles();
    const std::string iniBefore = ReadFile("Pictarn.ini");
    settings.quality = 3;  // a change that must not be saved
    sim::KeyDown(KEY_PRINT_SCREEN);
    ChooseInMenu(MENU_EXIT);
    ASSERT_TRUE(sim::TrayMouse(MOUSE_RIGHT_DOWN));
    EXPECT_FALSE(Turn(40).has_value());
    sim::ClearLog();
    const auto code = Turn(KEY_PRINT_SCREEN);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(sim::Log(), (std::vector<std::string>{"poll", "shutdown", "exit 0"}));
    EXPECT_TRUE(sim::TrayIcons().empty());
    EXPECT_EQ(sim::FindWindow(WINDOW_MAIN), nullptr);
    EXPECT_EQ(ReadFile("Pictarn.ini"), iniBefore);
}

TEST_F(MainLoopTest, ExitTakesTheSettingsWindowDownToo) {
    StartWithFiles();
    ChooseInMenu(MENU_SETTINGS);
    sim::TrayMouse(MOUSE_RIGHT_DOWN);
    Drain();
    ASSERT_NE(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    ChooseInMenu(MENU_EXIT);
    sim::TrayMouse(MOUSE_RIGHT_DOWN);
    EXPECT_EQ(Drain(), std::optional<std::uint32_t>(0));
    EXPECT_EQ(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    EXPECT_EQ(sim::FindGadget(3), nullptr);
}

TEST_F(MainLoopTest, OnlyARightButtonPressOpensTheMenuOnePixelUpLeftOfThePointer) {
    StartWithFiles();
    sim::SetCursorPos(500, 700);
    const std::uint32_t ignored[] = {MOUSE_LEFT_DOWN, MOUSE_LEFT_DOUBLE, MOUSE_RIGHT_DOUBLE, MOUSE_RIGHT_UP,
                                     MOUSE_LEFT_UP, MOUSE_MOVE};
    for (std::uint32_t message : ignored) ASSERT_TRUE(sim::TrayMouse(message));
    Drain();
    EXPECT_TRUE(sim::ModalsShown().empty());

    ASSERT_TRUE(sim::TrayMouse(MOUSE_RIGHT_DOWN));
    Drain();
    ASSERT_EQ(sim::ModalsShown().size(), 1u);
    const sim::Modal& menu = sim::ModalsShown()[0];
    EXPECT_EQ(menu.kind, sim::ModalKind::Menu);
    EXPECT_EQ(menu.x, 499);
    EXPECT_EQ(menu.y, 699);
    EXPECT_EQ(menu.owner, WindowHandle(WINDOW_MAIN));
}

TEST_F(MainLoopTest, ClosingTheMenuWithoutAChoiceChangesNothing) {
    StartWithFiles();
    sim::TrayMouse(MOUSE_RIGHT_DOWN);
    EXPECT_FALSE(Drain().has_value());
    EXPECT_EQ(sim::ModalsShown().size(), 1u);
    EXPECT_EQ(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    EXPECT_EQ(exitRequested, 0);
}

TEST_F(MainLoopTest, AboutShowsItsBoxAndTheProgramGoesOn) {
    StartWithFiles();
    ChooseInMenu(MENU_ABOUT);
    sim::TrayMouse(MOUSE_RIGHT_DOWN);
    EXPECT_FALSE(Drain().has_value());
    ASSERT_EQ(sim::ModalsShown().size(), 2u);
    const sim::Modal& box = sim::ModalsShown()[1];
    EXPECT_EQ(box.kind, sim::ModalKind::Message);
    EXPECT_EQ(box.title, Cp1251(u8"О программе").str());
    EXPECT_EQ(box.text, ABOUT_TEXT);
    EXPECT_FALSE(Pass().has_value());
}

TEST_F(MainLoopTest, ARightClickWhileTheAboutBoxIsUpOpensNoMenuThenOrLater) {
    StartWithFiles();
    sim::OnModal([](const sim::Modal& m) {
        sim::ModalAnswer answer;
        if (m.kind == sim::ModalKind::Menu && sim::ModalsShown().size() == 1) answer.menuItem = MENU_ABOUT;
        if (m.kind == sim::ModalKind::Message) sim::TrayMouse(MOUSE_RIGHT_DOWN);
        return answer;
    });
    sim::TrayMouse(MOUSE_RIGHT_DOWN);
    Drain();
    Passes(2);
    ASSERT_EQ(sim::ModalsShown().size(), 2u);
    EXPECT_EQ(sim::ModalsShown()[1].kind, sim::ModalKind::Message);
}

TEST_F(MainLoopTest, CloseRequestsAndOtherEventsAreIgnored) {
    StartWithFiles();
    ChooseInMenu(MENU_SETTINGS);
    sim::TrayMouse(MOUSE_RIGHT_DOWN);
    Drain();
    ASSERT_NE(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    sim::RequestClose(WINDOW_SETTINGS);
    sim::RequestClose(WINDOW_SETTINGS);  // equal to the last notice: queued once
    sim::RequestClose(WINDOW_MAIN);
    sim::WindowStateNotice(WINDOW_SETTINGS);
    sim::ClickInto(12);
    sim::TypeInto(12, "typed");
    sim::ClearLog();
    EXPECT_FALSE(Drain().has_value());
    EXPECT_EQ(LogEntries("poll").size(), 4u);  // three notices, then a quiet wait
    EXPECT_NE(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    EXPECT_NE(sim::FindWindow(WINDOW_MAIN), nullptr);
}

TEST_F(MainLoopTest, HoldingPrintScreenRunsTheScreenshotInEveryPass) {
    StartWithFiles();
    sim::KeyDown(KEY_PRINT_SCREEN);
    Passes(3);
    EXPECT_EQ(LogEntries("clipboard-get").size(), 3u);
    sim::KeyUp(KEY_PRINT_SCREEN);
    Passes(2);
    // A release after the first query of the press counts no more.
    EXPECT_EQ(LogEntries("clipboard-get").size(), 3u);
}

TEST_F(MainLoopTest, AShortTapBetweenTwoQueriesIsStillSeenOnce) {
    StartWithFiles();
    sim::At(sim::NowMs() + 20, [] { sim::KeyTap(KEY_PRINT_SCREEN); });
    Passes(3);
    EXPECT_EQ(LogEntries("clipboard-get").size(), 1u);
}

}  // namespace
