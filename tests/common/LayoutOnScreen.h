#pragma once

#include "display/DisplayArrangement.h"
#include "layouts/LayoutGeometry.h"
#include "layoutview/PanelColor.h"

#include <QImage>
#include <cstdlib>
#include <string>

// Whether a picture of a whole screen shows a display's layout of a picture type (5 to 8) over
// all of it: every pixel of the screen's edges in the panel colour (the layout reaches each
// corner; no frame, title bar or black border) and the layout's picture where the arrangement
// puts it. Empty when it does; otherwise what is wrong. For the display's desktop tests and its
// kiosk benchmark.
inline std::string LayoutMismatch(const QImage& screen, int displayType, const QImage& picture) {
    if (screen.isNull())
        return "no picture of the screen";
    const int width = screen.width();
    const int height = screen.height();
    const auto at = [](int x, int y) { return std::to_string(x) + "," + std::to_string(y); };
    const auto edgeFault = [&](int x, int y) -> std::string {
        const QColor colour = screen.pixelColor(x, y);
        return colour == PanelColor
                   ? std::string()
                   : "edge pixel " + at(x, y) + " is " + colour.name().toStdString();
    };
    for (int x = 0; x < width; ++x) {
        for (const int y : {0, height - 1}) {
            if (std::string fault = edgeFault(x, y); !fault.empty())
                return fault;
        }
    }
    for (int y = 0; y < height; ++y) {
        for (const int x : {0, width - 1}) {
            if (std::string fault = edgeFault(x, y); !fault.empty())
                return fault;
        }
    }
    const auto a = LayoutArrangement::Arrange(displayType, width, height,
                                              DisplayArrangement::ScaleFor(height, 0));
    const auto fitted = LayoutGeometry::FitPicture(a.Picture.Width, a.Picture.Height,
                                                   picture.width(), picture.height());
    const QRect place(a.Main.Left + a.Picture.Left + fitted.Left,
                      a.Main.Top + a.Picture.Top + fitted.Top, fitted.Width, fitted.Height);
    // Compared coarsely: the two scalings of the picture differ in their last bits.
    const QSize coarse(32, 24);
    const QImage shown =
        screen.copy(place).scaled(coarse, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const QImage wanted = picture.scaled(coarse, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    for (int y = 0; y < coarse.height(); ++y) {
        for (int x = 0; x < coarse.width(); ++x) {
            const QColor s = shown.pixelColor(x, y);
            const QColor w = wanted.pixelColor(x, y);
            if (std::abs(s.red() - w.red()) > 40 || std::abs(s.green() - w.green()) > 40 ||
                std::abs(s.blue() - w.blue()) > 40)
                return "the picture at " + at(place.x(), place.y()) + " differs at " + at(x, y) +
                       " of " + at(coarse.width(), coarse.height()) + ": " +
                       s.name().toStdString() + " for " + w.name().toStdString();
        }
    }
    return {};
}
