#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>
#include <QtGui/qrgb.h>

// Where the main window's background picture has its zones, in window pixel coordinates, and the
// colours the skin is built from. The window places its controls against these so that text and
// fields always sit on the part of the picture painted for them.
namespace Skin {

// The background picture and the visible outline of the window (the window's region: an
// 800 x 600 rectangle at (1, 1) with stepped corners).
inline constexpr QSize BackgroundSize{802, 602};
inline constexpr QRect VisibleOutline{1, 1, 800, 600};

// Title band across the full width; the gold program name is a label at TitleNamePos.
inline constexpr QRect TitleBand{0, 0, 802, 50};
inline constexpr QPoint TitleNamePos{8, 2};
inline constexpr QPoint TitleNameShadowPos{9, 3};
// The four title buttons, 22 x 23 each, 24 pixels apart, and the start indicator frame.
inline constexpr QRect TitleButtons{702, 5, 94, 23};
inline constexpr QSize TitleButtonSize{22, 23};
inline constexpr int TitleButtonStep = 24;
inline constexpr QRect IndicatorFrame{750, 37, 22, 9};

// Server panel: a light header strip with the dark blue section title, then the dark body.
inline constexpr QRect ServerPanel{10, 55, 782, 355};
inline constexpr QRect ServerHeader{10, 55, 782, 33};
inline constexpr QRect ServerBody{10, 88, 782, 322};
inline constexpr QPoint ServerTitlePos{15, 60};

// Settings panel: a dark header strip with the silver section title, then the dark body.
inline constexpr QRect SettingsPanel{10, 415, 782, 175};
inline constexpr QRect SettingsHeader{10, 415, 782, 33};
inline constexpr QRect SettingsBody{10, 448, 782, 142};
inline constexpr QPoint SettingsTitlePos{22, 420};

// Colours of the skin.
inline constexpr QRgb FaceColor = qRgb(0x36, 0x6A, 0xB3);          // window face
inline constexpr QRgb TitleNameColor = qRgb(0xF0, 0xB9, 0x26);     // gold program name
inline constexpr QRgb TitleShadowColor = qRgb(0xC5, 0x60, 0x0E);   // its one-pixel shadow
inline constexpr QRgb ServerTitleColor = qRgb(0x36, 0x6A, 0xB3);   // on the light header strip
inline constexpr QRgb SettingsTitleColor = qRgb(0xC0, 0xC0, 0xC0); // silver, on the dark strip
inline constexpr QRgb LabelColor = qRgb(0xC8, 0xE1, 0xBB);         // pale green labels
inline constexpr QRgb EditColor = qRgb(0x12, 0x5B, 0xA1);          // edit field background
inline constexpr QRgb PanelBodyColor = qRgb(0x1F, 0x4F, 0x8F);     // panel bodies (mean tone)
inline constexpr QRgb HintBorderColor = qRgb(0x10, 0x50, 0x8D);
inline constexpr QRgb HintBackColor = qRgb(0xFF, 0xFF, 0xCA);
inline constexpr QRgb IndicatorRunningColor = qRgb(0xFF, 0x00, 0x00);
inline constexpr QRgb IndicatorStoppedColor = qRgb(0x00, 0x80, 0xC0);

// The family every skin text uses; where it is not installed the font matcher takes the
// nearest sans face.
inline constexpr const char* FontFamily = "Verdana";

} // namespace Skin
