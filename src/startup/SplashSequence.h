#pragma once

// The timing and placing of the splash window, apart from the window itself.
namespace SplashSequence {

inline constexpr int Width = 400;
inline constexpr int Height = 300;
inline constexpr int Top = 200;
inline constexpr int TickMilliseconds = 100;

// What one tick of the splash timer does; tick counts from 1.
struct TTickAction {
    int Step = 0;          // added to the progress bar
    bool ShowDone = false; // the "Load" mark gives way to "Done"
    bool Close = false;
};
TTickAction ActionAt(int tick);

// Left edge of the splash on a desktop of that width: centred, rounded toward zero.
int Left(int desktopWidth);

} // namespace SplashSequence
