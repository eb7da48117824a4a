// The settings window on the simulated desktop: layout, filling, the
// controls copying their values at once, accept, cancel, folder chooser.
#include "app/app_loop.hpp"
#include "platform/common/cp1251.hpp"
#include "settings/settings.hpp"
#include "support/sim_app.hpp"
#include "ui/settings_window.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace platform;
using testsupport::SimAppTest;

namespace {

class SettingsWindowTest : public SimAppTest {
protected:
    // Starts with the given file (none when empty) and opens the window
    // through the tray menu.
    void OpenWith(const std::string& ini) {
        if (!ini.empty()) WriteIni(ini);
        WriteIcon();
        Start();
        OpenWindow();
    }
    void OpenWindow() {
        sim::OnModal([](const sim::Modal& m) {
            sim::ModalAnswer answer;
            if (m.kind == sim::ModalKind::Menu) answer.menuItem = MENU_SETTINGS;
            return answer;
        });
        ASSERT_TRUE(sim::TrayMouse(MOUSE_RIGHT_DOWN));
        Drain();
        sim::OnModal(nullptr);
        ASSERT_NE(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    }
    void AnswerFolderChooser(std::optional<std::string> folder) {
        sim::OnModal([folder](const sim::Modal& m) {
            sim::ModalAnswer answer;
            if (m.kind == sim::ModalKind::FolderChooser) answer.folder = folder;
            return answer;
        });
    }
    static const sim::Gadget& G(int number) {
        const sim::Gadget* g = sim::FindGadget(number);
        EXPECT_NE(g, nullptr) << "gadget " << number;
        static sim::Gadget none;
        return g ? *g : none;
    }
};

TEST_F(SettingsWindowTest, OpensAtItsPlaceWithEveryGadgetAtItsRectangle) {
    OpenWith("7\r\n800\r\n600\r\nD:\\Shots\\\r\n");
    const sim::Window* w = sim::FindWindow(WINDOW_SETTINGS);
    EXPECT_EQ(w->x, 300);
    EXPECT_EQ(w->y, 200);
    EXPECT_EQ(w->clientWidth, 300);
    EXPECT_EQ(w->clientHeight, 450);
    EXPECT_EQ(w->title, Cp1251(u8"Настройки").str());
    EXPECT_EQ(w->flags, 0x00CB0000u);
    EXPECT_TRUE(w->visible);
    EXPECT_EQ(sim::ActiveWindow(), WINDOW_SETTINGS);

    using K = sim::GadgetKind;
    struct Expected {
        int number;
        K kind;
        sim::Rect rect;
        std::string text;
    };
    const Expected gadgets[] = {
        {3, K::TrackBar, {30, 200, 230, 50}, ""},
        {5, K::Label, {30, 180, 50, 20}, Cp1251(u8"Плохое")},
        {6, K::Label, {230, 180, 50, 20}, Cp1251(u8"Отличное")},
        {8, K::Label, {120, 150, 70, 20}, Cp1251(u8"КАЧЕСТВО:")},
        {9, K::Label, {120, 50, 70, 20}, Cp1251(u8"РАЗМЕРЫ:")},
        {10, K::Label, {65, 80, 70, 20}, Cp1251(u8"Ширина")},
        {11, K::Label, {185, 80, 70, 20}, Cp1251(u8"Высота")},
        {12, K::Editor, {10, 280, 280, 20}, "D:\\Shots\\"},
        {13, K::Label, {10, 260, 180, 20}, Cp1251(u8"ПУТЬ К СКРИНШОТУ:")},
        {14, K::Button, {230, 310, 60, 20}, Cp1251(u8"Сменить")},
        {4, K::Button, {30, 400, 100, 30}, Cp1251(u8"Принять")},
        {7, K::Button, {170, 400, 100, 30}, Cp1251(u8"Отмена")},
        {2, K::Spin, {60, 100, 70, 20}, "800"},
        {1, K::Spin, {180, 100, 70, 20}, "600"},
    };
    std::vector<int> order;
    for (const Expected& e : gadgets) {
        SCOPED_TRACE(e.number);
        const sim::Gadget& g = G(e.number);
        EXPECT_EQ(g.kind, e.kind);
        EXPECT_EQ(g.rect, e.rect);
        EXPECT_EQ(g.text, e.text);
        order.push_back(e.number);
    }
    EXPECT_EQ(w->gadgets, order);
    EXPECT_EQ(G(3).value, 7);
    EXPECT_EQ(G(3).minimum, 1);
    EXPECT_EQ(G(3).maximum, 10);
    EXPECT_EQ(G(3).flags, TRACKBAR_TICKS);
    EXPECT_EQ(G(2).fieldRect, (sim::Rect{60, 100, 60, 20}));
    EXPECT_EQ(G(2).arrowsRect, (sim::Rect{120, 100, 10, 20}));
    EXPECT_EQ(G(1).minimum, 10);
    EXPECT_EQ(G(1).maximum, 1200);
    EXPECT_EQ(G(1).flags, SPIN_NUMERIC);
}

TEST_F(SettingsWindowTest, TabVisitsTheTabStopsInCreationOrderAndWraps) {
    OpenWith("7\r\n800\r\n600\r\n\r\n");
    auto tab = [&](bool shift) {
        sim::PressTab(shift);
        Drain();
        return sim::FocusedGadget();
    };
    // From no focus: Tab to the first stop, Shift+Tab to the last.
    EXPECT_EQ(tab(false), 3);
    EXPECT_EQ(tab(false), 12);
    // The folder field keeps a plain Tab for itself.
    EXPECT_EQ(tab(false), 12);
    sim::ClickInto(GADGET_CHANGE);
    for (int expected : {4, 7, 2, 1, 3}) EXPECT_EQ(tab(false), expected);
    for (int expected : {1, 2, 7, 4, 14, 12, 3}) EXPECT_EQ(tab(true), expected);
}

TEST_F(SettingsWindowTest, TabInTheFolderFieldIsTypedButShiftTabStillMoves) {
    OpenWith("7\r\n800\r\n600\r\nC:\\\r\n");
    sim::ClickInto(12);
    sim::PressTab();
    Drain();
    EXPECT_EQ(sim::FocusedGadget(), 12);
    EXPECT_EQ(G(12).text, "C:\\\t");
    sim::PressTab(true);
    Drain();
    EXPECT_EQ(sim::FocusedGadget(), 3);
}

TEST_F(SettingsWindowTest, WithoutSettingsTheControlsShowTheirMinimaButNothingIsCopied) {
    OpenWith("");
    EXPECT_EQ(G(3).value, 1);
    EXPECT_EQ(G(2).text, "10");
    EXPECT_EQ(G(1).text, "10");
    EXPECT_EQ(G(12).text, "");
    EXPECT_EQ(settings.quality, 0);
    EXPECT_EQ(settings.width, 0);
    sim::ClickButton(GADGET_ACCEPT);
    Drain();
    EXPECT_EQ(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    EXPECT_EQ(ReadFile("Pictarn.ini"), "0\r\n0\r\n0\r\n\r\n");
}

TEST_F(SettingsWindowTest, OutOfRangeValuesShowClampedAndChangeOnlyWhenTheControlIsUsed) {
    OpenWith("50\r\n5000\r\n600\r\n\r\n");
    EXPECT_EQ(G(3).value, 10);
    EXPECT_EQ(G(2).text, "1200");
    EXPECT_EQ(settings.quality, 50);
    EXPECT_EQ(settings.width, 5000);
    // Tab onto the track bar is no use of it.
    sim::PressTab();
    Drain();
    EXPECT_EQ(sim::FocusedGadget(), 3);
    EXPECT_EQ(settings.quality, 50);
    // Clicking into the width field is.
    sim::ClickInto(GADGET_WIDTH);
    Drain();
    EXPECT_EQ(settings.width, 1200);
    sim::TrackBarDrag(GADGET_QUALITY, 4);
    Drain();
    EXPECT_EQ(settings.quality, 4);
}

TEST_F(SettingsWindowTest, TypingIntoAWidthFieldTakesOnlyNumbersInRange) {
    OpenWith("7\r\n800\r\n600\r\n\r\n");
    struct Step {
        std::string typed;
        bool replace;
        int width;
    };
    const Step steps[] = {
        {"1", true, 800},   // below the range
        {"5", false, 15},
        {"0", false, 150},
        {"0", false, 150},  // 1500 is above the range, though the field shows it
        {"x", false, 150},  // not a number
    };
    for (const Step& step : steps) {
        sim::TypeInto(GADGET_WIDTH, step.typed, step.replace);
        Drain();
        EXPECT_EQ(settings.width, step.width) << "after typing " << step.typed;
    }
    EXPECT_EQ(G(2).text, "1500x");
}

TEST_F(SettingsWindowTest, ArrowsStepAndStopAtTheBounds) {
    OpenWith("7\r\n800\r\n1200\r\n\r\n");
    sim::SpinArrow(GADGET_HEIGHT, 1);
    Drain();
    EXPECT_EQ(settings.height, 1200);
    EXPECT_EQ(G(1).text, "1200");
    sim::SpinArrow(GADGET_HEIGHT, -3);
    Drain();
    EXPECT_EQ(settings.height, 1197);
    EXPECT_EQ(G(1).text, "1197");
}

TEST_F(SettingsWindowTest, ControlChangesTakeEffectAtOnceAndSurviveCancel) {
    OpenWith("7\r\n800\r\n600\r\nD:\\old\\\r\n");
    const std::string before = ReadFile("Pictarn.ini");
    sim::TrackBarDrag(GADGET_QUALITY, 3);
    sim::SpinArrow(GADGET_WIDTH, 2);
    Drain();
    EXPECT_EQ(settings.quality, 3);
    EXPECT_EQ(settings.width, 802);
    sim::ClickButton(GADGET_CANCEL);
    Drain();
    EXPECT_EQ(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    EXPECT_EQ(ReadFile("Pictarn.ini"), before);
    EXPECT_EQ(settings.quality, 3);

    // A later window shows the current values, and accepting it writes them.
    OpenWindow();
    EXPECT_EQ(G(3).value, 3);
    EXPECT_EQ(G(2).text, "802");
    sim::ClickButton(GADGET_ACCEPT);
    Drain();
    EXPECT_EQ(ReadFile("Pictarn.ini"), "3\r\n802\r\n600\r\nD:\\old\\\r\n");
}

TEST_F(SettingsWindowTest, TheFolderComesOnlyFromTheChooser) {
    OpenWith("7\r\n800\r\n600\r\nD:\\old\\\r\n");
    sim::TypeInto(GADGET_FOLDER, "typed text");
    Drain();
    EXPECT_EQ(settings.folder, "D:\\old\\");

    struct Case {
        std::optional<std::string> answer;
        std::string folder;
    };
    const Case cases[] = {
        {"D:\\Shots", "D:\\Shots\\"},
        {"D:\\", "D:\\"},
        {std::nullopt, ""},  // cancelled: the folder becomes empty
        {"", ""},            // an item without a file-system path
    };
    for (const Case& c : cases) {
        AnswerFolderChooser(c.answer);
        sim::ClickButton(GADGET_CHANGE);
        Drain();
        EXPECT_EQ(settings.folder, c.folder);
        EXPECT_EQ(G(12).text, c.folder);
    }
    const sim::Modal& chooser = sim::ModalsShown().back();
    EXPECT_EQ(chooser.kind, sim::ModalKind::FolderChooser);
    EXPECT_EQ(chooser.title, Cp1251(u8"Папка сохранения скриншота").str());
    EXPECT_EQ(chooser.text, "");
    EXPECT_EQ(chooser.disabledWindows, std::vector<int>{});  // the settings window itself is the active one

    AnswerFolderChooser("E:\\new");
    sim::ClickButton(GADGET_ACCEPT);
    Drain();
    // The empty folder line; the old, longer file's tail stays behind it.
    EXPECT_EQ(ReadFile("Pictarn.ini"), "7\r\n800\r\n600\r\n\r\n\\old\\\r\n");
}

TEST_F(SettingsWindowTest, AShellLibraryThatWillNotLoadEmptiesTheFolderLikeCancel) {
    OpenWith("7\r\n800\r\n600\r\nD:\\old\\\r\n");
    sim::FailShellLibrary(true);
    AnswerFolderChooser("D:\\never");
    sim::ClickButton(GADGET_CHANGE);
    Drain();
    EXPECT_EQ(settings.folder, "");
    EXPECT_EQ(G(12).text, "");
}

TEST_F(SettingsWindowTest, CloseRequestsLeaveTheWindowOpen) {
    OpenWith("7\r\n800\r\n600\r\n\r\n");
    sim::RequestClose(WINDOW_SETTINGS);
    Passes(2);
    EXPECT_NE(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    EXPECT_NE(sim::FindGadget(GADGET_ACCEPT), nullptr);
}

TEST_F(SettingsWindowTest, ChoosingSettingsAgainRebuildsTheWindowFromTheSettings) {
    OpenWith("7\r\n800\r\n600\r\n\r\n");
    sim::TypeInto(GADGET_WIDTH, "5", true);  // invalid, never copied
    Drain();
    settings.height = 700;
    OpenWindow();
    EXPECT_EQ(G(2).text, "800");
    EXPECT_EQ(G(1).text, "700");
    EXPECT_EQ(sim::FindWindow(WINDOW_SETTINGS)->gadgets.size(), 14u);
}

TEST_F(SettingsWindowTest, AWindowTheDesktopRefusesGetsNoGadgets) {
    WriteIni("7\r\n800\r\n600\r\n\r\n");
    WriteIcon();
    Start();
    sim::FailNextWindowOpen();
    ShowSettingsWindow();
    EXPECT_EQ(sim::FindWindow(WINDOW_SETTINGS), nullptr);
    for (int number = 1; number <= 14; ++number) EXPECT_EQ(sim::FindGadget(number), nullptr);
    EXPECT_EQ(GadgetGetState(GADGET_WIDTH), 0);
}

TEST_F(SettingsWindowTest, TheTrayMenuAndPrintScreenWorkWhileTheWindowIsOpen) {
    OpenWith("7\r\n800\r\n600\r\n\r\n");
    sim::OnModal([](const sim::Modal& m) {
        sim::ModalAnswer answer;
        if (m.kind == sim::ModalKind::Menu) answer.menuItem = MENU_ABOUT;
        return answer;
    });
    sim::TrayMouse(MOUSE_RIGHT_DOWN);
    Drain();
    // The About box disables the open settings window while it is up.
    ASSERT_EQ(sim::ModalsShown().back().kind, sim::ModalKind::Message);
    EXPECT_EQ(sim::ModalsShown().back().disabledWindows, std::vector<int>{WINDOW_SETTINGS});
    EXPECT_TRUE(sim::FindWindow(WINDOW_SETTINGS)->enabled);

    sim::KeyTap(KEY_PRINT_SCREEN);
    Pass();
    EXPECT_EQ(LogEntries("clipboard-get").size(), 1u);
    EXPECT_NE(sim::FindWindow(WINDOW_SETTINGS), nullptr);
}

}  // namespace
