#include "SplashSequence.h"

namespace SplashSequence {

TTickAction ActionAt(int tick) {
    TTickAction action;
    if ((tick >= 1 && tick <= 5) || (tick >= 7 && tick <= 12) || (tick >= 14 && tick <= 20))
        action.Step = 5;
    else if (tick == 6 || tick == 13 || tick == 21)
        action.Step = 3;
    action.ShowDone = tick == 20;
    action.Close = tick > 30;
    return action;
}

int Left(int desktopWidth) {
    return (desktopWidth - Width) / 2;
}

} // namespace SplashSequence
