#include "layouts/LayoutGeometry.h"

#include <algorithm>
#include <cmath>

namespace LayoutGeometry {

TLayoutPlan PlanOf(int displayType) {
    TLayoutPlan plan;
    switch (displayType) {
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7:
    case 8: {
        const int variant = (displayType - 1) % 4; // 0: main area only ... 3: every strip
        plan.Main = displayType <= 4 ? TMainContent::Video : TMainContent::Picture;
        plan.TopStrip = variant >= 1;
        plan.RightColumn = variant >= 2;
        plan.BottomStrip = variant >= 3;
        break;
    }
    case 9:
        plan.Main = TMainContent::TestPanel;
        break;
    default:
        break;
    }
    return plan;
}

int RoundHalfEven(double value) {
    const double lower = std::floor(value);
    const double fraction = value - lower;
    double rounded = lower;
    if (fraction > 0.5 || (fraction == 0.5 && std::fmod(lower, 2.0) != 0.0))
        rounded = lower + 1.0;
    return static_cast<int>(rounded);
}

int CenterOffset(int outerExtent, int innerExtent) {
    return outerExtent / 2 - innerExtent / 2;
}

int TextBoxWidth(int containerWidth) {
    return RoundHalfEven(0.8 * containerWidth);
}

int ColumnBoxTop(int k) {
    return 10 + 50 * k;
}

TRect PlaceInset(int containerWidth, int containerHeight, int margin) {
    return {margin, margin, containerWidth - 2 * margin, containerHeight - 2 * margin};
}

std::optional<TRect> FitVideo(int panelWidth, int panelHeight, int videoWidth, int videoHeight,
                              int margin) {
    if (videoWidth == 0 || videoHeight == 0)
        return std::nullopt;
    const double scale = std::min(static_cast<double>(panelWidth) / videoWidth,
                                  static_cast<double>(panelHeight) / videoHeight);
    const int width = std::min(panelWidth, RoundHalfEven(videoWidth * scale));
    const int height = std::min(panelHeight, RoundHalfEven(videoHeight * scale));
    return TRect{margin, margin, width - 2 * margin, height - 2 * margin};
}

TRect FitPicture(int boxWidth, int boxHeight, double pictureWidth, double pictureHeight) {
    if (pictureWidth <= 0 || pictureHeight <= 0 || boxWidth <= 0 || boxHeight <= 0)
        return {};
    const double scale = std::min(boxWidth / pictureWidth, boxHeight / pictureHeight);
    return {0, 0, std::min(boxWidth, RoundHalfEven(pictureWidth * scale)),
            std::min(boxHeight, RoundHalfEven(pictureHeight * scale))};
}

std::vector<TRect> DockRects(int clientWidth, int clientHeight,
                             const std::vector<TDockItem>& items) {
    std::vector<TRect> rects(items.size());
    int left = 0;
    int top = 0;
    int right = clientWidth;
    int bottom = clientHeight;
    // Edges first, in the order top, bottom, right, each group in creation order; what stays
    // free goes to the client panels.
    for (const TAlign pass : {TAlign::Top, TAlign::Bottom, TAlign::Right}) {
        for (size_t i = 0; i < items.size(); ++i) {
            const TDockItem& item = items[i];
            if (!item.Visible || item.Align != pass)
                continue;
            const int available = pass == TAlign::Right ? right - left : bottom - top;
            const int extent = std::clamp(item.Extent, 0, std::max(available, 0));
            switch (pass) {
            case TAlign::Top:
                rects[i] = {left, top, right - left, extent};
                top += extent;
                break;
            case TAlign::Bottom:
                rects[i] = {left, bottom - extent, right - left, extent};
                bottom -= extent;
                break;
            default:
                rects[i] = {right - extent, top, extent, bottom - top};
                right -= extent;
                break;
            }
        }
    }
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].Visible && items[i].Align == TAlign::Client)
            rects[i] = {left, top, std::max(right - left, 0), std::max(bottom - top, 0)};
    }
    return rects;
}

} // namespace LayoutGeometry
