#include "TestEvents.h"
#include "widgets/GradientPanel.h"
#include "widgets/HoverRule.h"
#include "widgets/HoverScene.h"
#include "widgets/PictureButton.h"
#include "widgets/SkinPictures.h"
#include "widgets/WidgetSnapshot.h"

#include <QFont>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <set>

namespace {

TDrawnPicture Solid(QSize size, QColor colour) {
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return TDrawnPicture::FromImage(image);
}

// Counts pixels within `tolerance` of `colour` in every channel.
int PixelsNear(const QImage& image, QColor colour, int tolerance = 12) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() > 200 && std::abs(c.red() - colour.red()) <= tolerance &&
                std::abs(c.green() - colour.green()) <= tolerance &&
                std::abs(c.blue() - colour.blue()) <= tolerance)
                ++count;
        }
    return count;
}

} // namespace

TEST(PictureButton, TakesThePictureSizeAndShowsIt) {
    TPictureButton button;
    button.SetPicture(TPictureList::ButtonPictures().Picture(Skin::Btn::CloseNormal));
    EXPECT_EQ(button.size(), QSize(22, 23));
    button.SetPicture(Solid(QSize(32, 32), Qt::red));
    EXPECT_EQ(button.size(), QSize(32, 32));
    EXPECT_EQ(RenderWidget(button).pixelColor(16, 16), QColor(Qt::red));
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
}

TEST(PictureButton, HoverComparisonsAreStrict) {
    // Sb_Close at (774, 5), 22 x 23, in a window at (100, 10).
    const auto under = [](int x, int y) {
        return HoverRule::UnderCursor(100, 10, 774, 5, 22, 23, x, y);
    };
    EXPECT_TRUE(under(880, 20));
    EXPECT_FALSE(under(874, 20)) << "the leftmost column itself";
    EXPECT_TRUE(under(875, 20));
    EXPECT_TRUE(under(895, 37));
    EXPECT_FALSE(under(896, 20));
    EXPECT_FALSE(under(880, 15));
    EXPECT_FALSE(under(880, 38));
}

// Start: 8 normal, 9 under the cursor, 55 unusable; the button at (232, 146), 32 x 32, in a
// window at (100, 10).
TEST(PictureButton, HoverPictureFollowsTheCursorUnlessTheButtonCannotBeUsed) {
    const TPictureList list = TPictureList::ButtonPictures();
    const THoverPictures start{Skin::Btn::StartNormal, Skin::Btn::StartHover,
                               Skin::Btn::StartDisabled};
    TPictureButton button;
    button.move(232, 146);
    button.SetPicture(list.Picture(start.Normal));
    const QPoint inside(100 + 240, 10 + 160);

    THoverScene(QPoint(100, 10), inside, true).Show(button, list, start);
    EXPECT_EQ(button.Picture(), list.Picture(Skin::Btn::StartHover));
    THoverScene(QPoint(100, 10), inside, true).Show(button, list, start, false);
    EXPECT_EQ(button.Picture(), list.Picture(Skin::Btn::StartDisabled)) << "unusable wins";
    THoverScene(QPoint(100, 10), inside, false).Show(button, list, start);
    EXPECT_EQ(button.Picture(), list.Picture(Skin::Btn::StartNormal)) << "a hidden window";
    // A place of its own: the cursor tested against it, not against the widget.
    THoverScene(QPoint(100, 10), inside, true).Show(button, QRect(0, 0, 5, 5), list, start);
    EXPECT_EQ(button.Picture(), list.Picture(Skin::Btn::StartNormal));
}

TEST(PictureButton, ClicksOnlyForTheLeftButtonReleasedInside) {
    TPictureButton button;
    button.SetPicture(Solid(QSize(22, 23), Qt::blue));
    QSignalSpy clicks(&button, &TPictureButton::clicked);

    Click(&button, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);

    // Released outside: the operator changed their mind.
    SendMouse(&button, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(10, 10), Qt::LeftButton);
    SendMouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(30, 10));
    EXPECT_EQ(clicks.count(), 1);

    Click(&button, QPoint(10, 10), Qt::RightButton);
    Click(&button, QPoint(10, 10), Qt::MiddleButton);
    EXPECT_EQ(clicks.count(), 1);

    // A release with no press on the button (the press began elsewhere) is no click.
    SendMouse(&button, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(10, 10));
    EXPECT_EQ(clicks.count(), 1);

    // The last pixel column still belongs to the button.
    Click(&button, QPoint(21, 22));
    EXPECT_EQ(clicks.count(), 2);
}

TEST(GradientPanel, SteppedFillEndsExactlyOnItsColours) {
    const QColor start(0x02, 0x3D, 0x7D), end(0x37, 0xBE, 0xFF);
    TGradientPanel panel;
    panel.resize(20, 200);
    panel.SetColors(start, end);
    panel.SetSteps(64);
    QImage image = RenderWidget(panel);
    EXPECT_EQ(image.pixelColor(10, 0), start);
    EXPECT_EQ(image.pixelColor(10, 199), end);
    // 64 flat bands: exactly 64 different colours down the panel.
    std::set<QRgb> colours;
    for (int y = 0; y < 200; ++y)
        colours.insert(image.pixel(10, y));
    EXPECT_EQ(colours.size(), 64u);

    panel.SetDirection(TGradientDirection::BottomToTop);
    image = RenderWidget(panel);
    EXPECT_EQ(image.pixelColor(10, 0), end);
    EXPECT_EQ(image.pixelColor(10, 199), start);

    panel.SetDirection(TGradientDirection::LeftToRight);
    panel.resize(200, 20);
    image = RenderWidget(panel);
    EXPECT_EQ(image.pixelColor(0, 10), start);
    EXPECT_EQ(image.pixelColor(199, 10), end);
}

TEST(GradientPanel, FlatColourBorderAndRoundedCorners) {
    TGradientPanel frame;
    frame.resize(22, 9);
    frame.SetColor(QColor(255, 0, 0));
    frame.SetBorder(QColor(0x0A, 0x2C, 0x57));
    QImage image = RenderWidget(frame);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0x0A, 0x2C, 0x57));
    EXPECT_EQ(image.pixelColor(21, 8), QColor(0x0A, 0x2C, 0x57));
    EXPECT_EQ(image.pixelColor(11, 4), QColor(255, 0, 0));

    TGradientPanel rounded;
    rounded.resize(40, 40);
    rounded.SetColor(Qt::green);
    rounded.SetCornerRadius(8);
    image = RenderWidget(rounded);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(image.pixelColor(20, 20), QColor(Qt::green));
}

TEST(GradientLabel, SizesItselfToItsTextAndShadow) {
    TGradientLabel label;
    QFont font("Verdana");
    font.setPixelSize(27);
    label.setFont(font);
    label.SetText(QStringLiteral("Velmora"));
    const QSize plain = label.size();
    EXPECT_GT(plain.width(), 60);
    EXPECT_GE(plain.height(), 27);
    label.SetShadow(QColor(0xC5, 0x60, 0x0E));
    EXPECT_EQ(label.size(), plain + QSize(1, 1));
    label.SetText(QStringLiteral("Velmora Velmora"));
    EXPECT_GT(label.width(), plain.width() + 40);
}

TEST(GradientLabel, DrawsTextOverItsShadowOnATransparentGround) {
    TGradientLabel label(QStringLiteral("Velmora"), nullptr);
    QFont font("Verdana");
    font.setPixelSize(27);
    label.setFont(font);
    const QColor gold(0xF0, 0xB9, 0x26), shadow(0xC5, 0x60, 0x0E);
    label.SetTextColor(gold);
    QImage image = RenderWidget(label);
    EXPECT_EQ(image.pixelColor(0, 0).alpha(), 0);
    EXPECT_GT(PixelsNear(image, gold, 2), 40);
    EXPECT_EQ(PixelsNear(image, shadow, 2), 0);

    label.SetShadow(shadow);
    image = RenderWidget(label);
    EXPECT_GT(PixelsNear(image, gold, 2), 40);
    // The shadow peeks out one pixel to the lower right of every stroke.
    EXPECT_GT(PixelsNear(image, shadow, 2), 10);
}

TEST(GradientLabel, GradientTextRunsFromTopToBottomColour) {
    TGradientLabel label(QStringLiteral("HHHH"), nullptr);
    QFont font("Verdana");
    font.setPixelSize(40);
    font.setBold(true);
    label.setFont(font);
    label.SetGradient(QColor(255, 255, 255), QColor(0, 0, 255));
    const QImage image = RenderWidget(label);
    // Sample the stem of the first H near its top and near its bottom.
    int topRed = -1, bottomRed = -1;
    for (int y = 0; y < image.height() && topRed < 0; ++y)
        for (int x = 0; x < image.width() / 4; ++x)
            if (image.pixelColor(x, y).alpha() == 255) {
                topRed = image.pixelColor(x, y).red();
                break;
            }
    for (int y = image.height() - 1; y >= 0 && bottomRed < 0; --y)
        for (int x = 0; x < image.width() / 4; ++x)
            if (image.pixelColor(x, y).alpha() == 255) {
                bottomRed = image.pixelColor(x, y).red();
                break;
            }
    ASSERT_GE(topRed, 0);
    ASSERT_GE(bottomRed, 0);
    EXPECT_GT(topRed, bottomRed + 80);
}

namespace {

// A parent that counts the presses its children leave to it.
class TPressCatcher : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        ++presses;
        event->accept();
    }
};

} // namespace

TEST(GradientLabel, ClicksWhenSomeoneListensAndPassesThePressOnOtherwise) {
    TPressCatcher parent;
    auto* label = new TGradientLabel(QStringLiteral("Show hints"), &parent);
    // Nobody listens: the press is left to the parent (which may move the window).
    Click(label, QPoint(2, 2));
    EXPECT_EQ(parent.presses, 1);

    QSignalSpy clicks(label, &TGradientLabel::clicked);
    Click(label, QPoint(2, 2));
    EXPECT_EQ(clicks.count(), 1);
    EXPECT_EQ(parent.presses, 1);
    Click(label, QPoint(2, 2), Qt::RightButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST(WidgetSnapshot, RendersChildrenWithoutShowing) {
    QWidget parent;
    parent.resize(50, 50);
    auto* child = new TGradientPanel(&parent);
    child->setGeometry(10, 10, 20, 20);
    child->SetColor(Qt::yellow);
    const QImage image = RenderWidget(parent);
    EXPECT_EQ(image.size(), QSize(50, 50));
    EXPECT_EQ(image.pixelColor(15, 15), QColor(Qt::yellow));
    EXPECT_FALSE(parent.isVisible());
}
