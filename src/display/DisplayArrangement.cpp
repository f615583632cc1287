#include "display/DisplayArrangement.h"

#include <cmath>

namespace DisplayArrangement {

using namespace LayoutGeometry;

double ScaleFor(int screenHeight, double requested) {
    if (requested > 0)
        return requested;
    return screenHeight > 0 ? static_cast<double>(screenHeight) / PreviewHeight : 1.0;
}

int Scaled(int layoutPixels, double scale) {
    return RoundHalfEven(layoutPixels * scale);
}

TArrangement Arrange(int displayType, int width, int height, double scale) {
    TArrangement a;
    a.Plan = PlanOf(displayType);
    a.Margin = Scaled(InsetMargin, scale);
    if (a.Plan.Main == TMainContent::None)
        return a;
    if (a.Plan.Main == TMainContent::TestPanel) {
        a.Main = {0, 0, width, height};
        return a;
    }
    // Docked as the layout window docks them: strips, then the column, the main area last.
    std::vector<TDockItem> items{{TAlign::Top, Scaled(StripHeight, scale), a.Plan.TopStrip},
                                 {TAlign::Bottom, Scaled(StripHeight, scale), a.Plan.BottomStrip},
                                 {TAlign::Right, Scaled(ColumnWidth, scale), a.Plan.RightColumn},
                                 {TAlign::Client, 0, true}};
    const auto rects = DockRects(width, height, items);
    a.Top = rects[0];
    a.Bottom = rects[1];
    a.Column = rects[2];
    a.Main = rects[3];

    const auto strip = [&](const TRect& container, int points) {
        TTextPlace place;
        place.Container = container;
        place.Width = TextBoxWidth(container.Width);
        place.Left = CenterOffset(container.Width, place.Width);
        place.CentredVertically = true;
        place.FontPoints = Scaled(points, scale);
        a.Texts.push_back(place);
    };
    if (a.Plan.TopStrip)
        strip(a.Top, TopStripFontSize);
    if (a.Plan.RightColumn) {
        for (int k = 0; k < ColumnBoxCount; ++k) {
            TTextPlace place;
            place.Container = a.Column;
            place.Width = TextBoxWidth(a.Column.Width);
            place.Left = CenterOffset(a.Column.Width, place.Width);
            place.Top = Scaled(ColumnBoxTop(k), scale);
            place.FontPoints = Scaled(ColumnFontSize, scale);
            a.Texts.push_back(place);
        }
    }
    if (a.Plan.BottomStrip)
        strip(a.Bottom, BottomStripFontSize);
    if (a.Plan.Main == TMainContent::Picture)
        a.Picture = PlaceInset(a.Main.Width, a.Main.Height, a.Margin);
    return a;
}

std::optional<TRect> VideoRect(const TArrangement& arrangement, int videoWidth, int videoHeight) {
    return FitVideo(arrangement.Main.Width, arrangement.Main.Height, videoWidth, videoHeight,
                    arrangement.Margin);
}

} // namespace DisplayArrangement
