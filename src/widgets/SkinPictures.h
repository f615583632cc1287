#pragma once

#include "widgets/DevicePixels.h"
#include "widgets/DrawnPicture.h"

#include <QIcon>
#include <QImage>
#include <QRegion>
#include <QSize>
#include <vector>

// Every picture of the skin, drawn in code for the device pixels it lands on: each function draws
// its picture for a local device grid (TDeviceGrid::Local), by default at one device pixel per
// logical pixel. Sizes are logical. Drawing needs a QGuiApplication (for the fonts).
namespace Skin {

// Indices of the button picture list `BitmapList_Btn`. Note the order within the pairs: the title
// buttons list the picture under the cursor first, the others the normal picture first.
namespace Btn {
inline constexpr int Count = 77;

inline constexpr int HelpHover = 0, HelpNormal = 1;
inline constexpr int InternetHover = 2, InternetNormal = 3;
inline constexpr int MinHover = 4, MinNormal = 5;
inline constexpr int CloseHover = 6, CloseNormal = 7;
inline constexpr int StartNormal = 8, StartHover = 9;
inline constexpr int StopNormal = 10, StopHover = 11;
inline constexpr int KickNormal = 12, KickHover = 13;
inline constexpr int KickAllNormal = 14, KickAllHover = 15;
inline constexpr int RefreshNormal = 16, RefreshHover = 17;
inline constexpr int SetupNormal = 18, SetupHover = 19;
inline constexpr int DisplayFrame = 20; // behind `Img_Display`, which sits 4 pixels inside
inline constexpr int CheckOff = 21, CheckOn = 22;
inline constexpr int TypeLeft = 23, TypeRight = 24;

// 16 x 16 status and action icons.
inline constexpr int IconPlay = 25, IconPause = 26, IconStop = 27, IconFolder = 28,
                     IconPicture = 29, IconFilm = 30, IconText = 31, IconInfo = 32,
                     IconWarning = 33, IconError = 34, IconOk = 35, IconCancel = 36, IconAdd = 37,
                     IconRemove = 38, IconUp = 39, IconDown = 40, IconSave = 41, IconRefresh = 42,
                     IconMonitor = 43, IconGlobe = 44, IconUser = 45, IconClock = 46, IconGear = 47,
                     IconLock = 48, IconHelp = 49;

inline constexpr int LangRightNormal = 50, LangRightHover = 51; // `Sb_Lang_Down`
inline constexpr int LangLeftNormal = 52, LangLeftHover = 53;   // `Sb_Lang_Up`
inline constexpr int LangField = 54; // behind `Edit_Lang`, which sits at (5, 4) inside

// The server buttons while they cannot be used, 32 x 32.
inline constexpr int StartDisabled = 55, StopDisabled = 56, KickDisabled = 57, KickAllDisabled = 58,
                     RefreshDisabled = 59, SetupDisabled = 60;

// More 16 x 16 icons.
inline constexpr int IconClientOnline = 61, IconClientOffline = 62, IconServerRunning = 63,
                     IconServerStopped = 64, IconEnglish = 65, IconRussian = 66, IconDocument = 67,
                     IconKey = 68, IconCalendar = 69, IconNetwork = 70, IconMessage = 71,
                     IconPreview = 72, IconEdit = 73, IconDelete = 74, IconHome = 75, IconBook = 76;
} // namespace Btn

inline constexpr int DisplayPictureCount = 9;
inline constexpr QSize DisplayPictureSize{96, 72};
inline constexpr QSize TrayPictureSize{11, 11};
inline constexpr int TrayPictureCount = 5;
inline constexpr QSize ProgramIconSize{32, 32};

// The main window background, 802 x 602, 24-bit (no alpha), its rim on the edge of the window's
// outline as the window system cuts it at the grid's ratio.
QImage MainBackground(const TDeviceGrid& grid = TDeviceGrid());

// The window's visible outline: nine rectangles forming the 800 x 600 rectangle at (1, 1) with
// stepped corners.
QRegion WindowOutline();

// One picture of `BitmapList_Btn`; throws std::out_of_range for an index outside 0..76.
QImage ButtonPicture(int index, const TDeviceGrid& grid = TDeviceGrid());
QSize ButtonPictureSize(int index);

// Picture n of `BitmapList_Display` shows display type n (0 = none); throws std::out_of_range
// outside 0..8.
QImage DisplayTypePicture(int type, const TDeviceGrid& grid = TDeviceGrid());

// The program icon, 32 x 32 with transparency: three monitors linked in a ring.
QImage ProgramIcon(const TDeviceGrid& grid = TDeviceGrid());

// The tray menu item pictures, 11 x 11, in the sixteen colours of the classic palette:
// 1 start server, 2 stop server, 3 web site, 4 program page, 5 exit. Throws std::out_of_range
// outside 1..5.
QImage TrayMenuPicture(int item, const TDeviceGrid& grid = TDeviceGrid());

// The program icon for windows and the notification area, at the sizes desktops ask for.
QIcon DesktopIcon();

// The same pictures as drawn pictures, for windows and icons.
TDrawnPicture DrawnBackground();
TDrawnPicture DrawnProgramIcon();
TDrawnPicture DrawnTrayPicture(int item);

} // namespace Skin

// A picture list stored with a window: picture buttons and pictures show one of its entries by
// index.
class TPictureList {
public:
    TPictureList() = default;
    explicit TPictureList(std::vector<TDrawnPicture> pictures);

    // `BitmapList_Btn` and `BitmapList_Display`.
    static TPictureList ButtonPictures();
    static TPictureList DisplayPictures();

    int Count() const { return static_cast<int>(pictures_.size()); }
    bool Contains(int index) const { return index >= 0 && index < Count(); }
    // Throws std::out_of_range for an index the list does not hold.
    const TDrawnPicture& Picture(int index) const;

private:
    std::vector<TDrawnPicture> pictures_;
};
