#include "ui/settings_window.hpp"

#include "platform/common/cp1251.hpp"
#include "platform/platform.hpp"
#include "settings/settings.hpp"

using namespace platform;

namespace {

constexpr auto kTitle = Cp1251(u8"Настройки");
constexpr auto kPoor = Cp1251(u8"Плохое");
constexpr auto kExcellent = Cp1251(u8"Отличное");
constexpr auto kQuality = Cp1251(u8"КАЧЕСТВО:");
constexpr auto kSizes = Cp1251(u8"РАЗМЕРЫ:");
constexpr auto kWidth = Cp1251(u8"Ширина");
constexpr auto kHeight = Cp1251(u8"Высота");
constexpr auto kFolderLabel = Cp1251(u8"ПУТЬ К СКРИНШОТУ:");
constexpr auto kChange = Cp1251(u8"Сменить");
constexpr auto kAccept = Cp1251(u8"Принять");
constexpr auto kCancel = Cp1251(u8"Отмена");
constexpr auto kChooseFolderTitle = Cp1251(u8"Папка сохранения скриншота");

constexpr std::uint32_t kSettingsWindowFlags = WINDOW_SYSTEM_MENU | WINDOW_MINIMIZE_BOX | WINDOW_MAXIMIZE_BOX;
constexpr int kSizeMinimum = 10;
constexpr int kSizeMaximum = 1200;

}  // namespace

// Creation order is also the Tab order of the window's controls.
void ShowSettingsWindow() {
    if (!WindowOpen(WINDOW_SETTINGS, SETTINGS_WINDOW_X, SETTINGS_WINDOW_Y, SETTINGS_WINDOW_WIDTH,
                    SETTINGS_WINDOW_HEIGHT, kTitle, kSettingsWindowFlags)) {
        return;
    }
    GadgetTrackBar(GADGET_QUALITY, 30, 200, 230, 50, 1, 10, TRACKBAR_TICKS);
    GadgetSetState(GADGET_QUALITY, settings.quality);

    GadgetLabel(GADGET_LABEL_POOR, 30, 180, 50, 20, kPoor);
    GadgetLabel(GADGET_LABEL_EXCELLENT, 230, 180, 50, 20, kExcellent);
    GadgetLabel(GADGET_LABEL_QUALITY, 120, 150, 70, 20, kQuality);
    GadgetLabel(GADGET_LABEL_SIZES, 120, 50, 70, 20, kSizes);
    GadgetLabel(GADGET_LABEL_WIDTH, 65, 80, 70, 20, kWidth);
    GadgetLabel(GADGET_LABEL_HEIGHT, 185, 80, 70, 20, kHeight);

    GadgetEditor(GADGET_FOLDER, 10, 280, 280, 20);
    GadgetSetText(GADGET_FOLDER, settings.folder);
    GadgetLabel(GADGET_LABEL_FOLDER, 10, 260, 180, 20, kFolderLabel);

    GadgetButton(GADGET_CHANGE, 230, 310, 60, 20, kChange);
    GadgetButton(GADGET_ACCEPT, 30, 400, 100, 30, kAccept);
    GadgetButton(GADGET_CANCEL, 170, 400, 100, 30, kCancel);

    GadgetSpin(GADGET_WIDTH, 60, 100, 70, 20, kSizeMinimum, kSizeMaximum, SPIN_NUMERIC);
    GadgetSetState(GADGET_WIDTH, settings.width);
    GadgetSpin(GADGET_HEIGHT, 180, 100, 70, 20, kSizeMinimum, kSizeMaximum, SPIN_NUMERIC);
    GadgetSetState(GADGET_HEIGHT, settings.height);
}

void OnAccept() {
    WindowClose(WINDOW_SETTINGS);
    SettingsSave();
}

// Values already copied from the controls stay in effect.
void OnCancel() {
    WindowClose(WINDOW_SETTINGS);
}

void OnQualityChanged() { settings.quality = GadgetGetState(GADGET_QUALITY); }
void OnWidthChanged() { settings.width = GadgetGetState(GADGET_WIDTH); }
void OnHeightChanged() { settings.height = GadgetGetState(GADGET_HEIGHT); }

// A cancelled chooser gives empty text, and the folder becomes empty too.
void OnChangeFolder() {
    settings.folder = ChooseFolder(kChooseFolderTitle, "");
    GadgetSetText(GADGET_FOLDER, settings.folder);
}
