#include "layouts/LayoutArrangement.h"

namespace LayoutArrangement {

using namespace LayoutGeometry;

int Scaled(int layoutPixels, double scale) {
    return RoundHalfEven(layoutPixels * scale);
}

TArrangement Arrange(int displayType, int width, int height, double scale, int barHeight) {
    TArrangement a;
    a.Plan = PlanOf(displayType);
    a.Margin = Scaled(InsetMargin, scale);
    const bool docked = a.Plan.Main != TMainContent::None && a.Plan.Main != TMainContent::TestPanel;
    // Docked as the layout window docks them: its bar, the strips, then the column, the main
    // area last.
    const std::vector<TDockItem> items{
        {TAlign::Bottom, barHeight, barHeight > 0},
        {TAlign::Top, Scaled(StripHeight, scale), docked && a.Plan.TopStrip},
        {TAlign::Bottom, Scaled(StripHeight, scale), docked && a.Plan.BottomStrip},
        {TAlign::Right, Scaled(ColumnWidth, scale), docked && a.Plan.RightColumn},
        {TAlign::Client, 0, docked}};
    const auto rects = DockRects(width, height, items);
    a.Bar = rects[0];
    if (a.Plan.Main == TMainContent::TestPanel)
        a.Main = {0, 0, width, height};
    if (!docked)
        return a;
    a.Top = rects[1];
    a.Bottom = rects[2];
    a.Column = rects[3];
    a.Main = rects[4];

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

} // namespace LayoutArrangement
