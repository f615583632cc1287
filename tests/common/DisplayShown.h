#pragma once

#include "display/ui/DisplayView.h"
#include "display/ui/DisplayWindow.h"

#include <QTest>

// Waits (up to the bound) until the display's window shows a layout of the type whole: swapped
// in, every part ready, no newer one pending. For the display's tests and benchmarks.
inline bool ShowsWhole(const TDisplayWindow& window, int displayType, int boundMs) {
    return QTest::qWaitFor(
        [&] {
            const TDisplayView* shown = window.ShownView();
            return window.PendingView() == nullptr && shown != nullptr &&
                   shown->Content().DisplayType == displayType && shown->IsReady();
        },
        boundMs);
}
