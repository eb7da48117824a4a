// The settings window: quality track bar, width and height spin boxes,
// folder field with its "Сменить" button, "Принять" and "Отмена".
// Every use of a control copies its value into the settings at once.
#pragma once

inline constexpr int GADGET_HEIGHT = 1;
inline constexpr int GADGET_WIDTH = 2;
inline constexpr int GADGET_QUALITY = 3;
inline constexpr int GADGET_ACCEPT = 4;
inline constexpr int GADGET_LABEL_POOR = 5;
inline constexpr int GADGET_LABEL_EXCELLENT = 6;
inline constexpr int GADGET_CANCEL = 7;
inline constexpr int GADGET_LABEL_QUALITY = 8;
inline constexpr int GADGET_LABEL_SIZES = 9;
inline constexpr int GADGET_LABEL_WIDTH = 10;
inline constexpr int GADGET_LABEL_HEIGHT = 11;
inline constexpr int GADGET_FOLDER = 12;
inline constexpr int GADGET_LABEL_FOLDER = 13;
inline constexpr int GADGET_CHANGE = 14;

inline constexpr int SETTINGS_WINDOW_X = 300;
inline constexpr int SETTINGS_WINDOW_Y = 200;
inline constexpr int SETTINGS_WINDOW_WIDTH = 300;
inline constexpr int SETTINGS_WINDOW_HEIGHT = 450;

// Opens (or rebuilds) the window and fills its controls from the settings.
void ShowSettingsWindow();

void OnAccept();
void OnCancel();
void OnQualityChanged();
void OnWidthChanged();
void OnHeightChanged();
void OnChangeFolder();
