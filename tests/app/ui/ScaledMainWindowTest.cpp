// The main window on screens of other device pixel ratios. ScaledMainWindow runs once per ratio
// (QT_SCALE_FACTOR): the window keeps its logical places and shows its face and every picture
// pixel for pixel as drawn for the device pixels they cover. ScreenChange runs on two screens of
// different ratios and moves the window from one to the other.
#include "app/ui/MainForm.h"
#include "common/FindControl.h"
#include "common/QtPrint.h"
#include "common/ShownPixels.h"
#include "common/TempDir.h"
#include "console/ui/Help.h"
#include "platform/ProgramPaths.h"
#include "startup/ui/Logo.h"
#include "widgets/ErrorBox.h"
#include "widgets/GradientPanel.h"
#include "widgets/PictureButton.h"
#include "widgets/SkinZones.h"

#include <QLineEdit>
#include <QScreen>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ScaledMainWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ProgramPaths::SetExecutablePath(program_.File("velmora"));
        ErrorBox::SetTestSink([](const QString& message) {
            ADD_FAILURE() << "error box: " << message.toStdString();
        });
        fmMain_ = std::make_unique<TfmMain>();
        fmHelp_ = std::make_unique<TfmHelp>();
        fmLogo_ = std::make_unique<TfmLogo>();
        fmMain_->Attach(*fmHelp_, *fmLogo_);
        fmMain_->SplashDone = true;
        fmMain_->ShowForm();
    }

    // A control of the window by its object name.
    const QWidget* Control(const char* name) const { return &FindControl<QWidget>(*fmMain_, name); }

    void TearDown() override {
        fmMain_.reset();
        fmHelp_.reset();
        fmLogo_.reset();
        ErrorBox::SetTestSink(nullptr);
        ProgramPaths::SetExecutablePath("");
    }

    // Every picture of the window as the screen shows it: the face where nothing covers it, and
    // each picture widget's opaque pixels, drawn for the device pixels of its place.
    void ExpectPicturesPixelForPixel() {
        TfmMain& window = *fmMain_;
        const QImage shown = ShownPixels(window);
        ASSERT_FALSE(shown.isNull());
        const qreal ratio = window.devicePixelRatioF();
        const TDeviceGrid grid(ratio);
        ASSERT_EQ(shown.size(), grid.Extent(Skin::BackgroundSize));

        // The title band between the program name and the title buttons.
        const QImage face = Skin::MainBackground(grid);
        const QRect band = grid.Map(QRectF(300, 8, 380, 30));
        for (int y = band.top(); y <= band.bottom(); ++y)
            for (int x = band.left(); x <= band.right(); ++x)
                ASSERT_EQ(shown.pixel(x, y) | 0xFF000000u, face.pixel(x, y) | 0xFF000000u)
                    << "face at " << x << "," << y;

        int checked = 0;
        for (const TPictureView* view : window.findChildren<TPictureView*>()) {
            if (!view->isVisible() || view->parentWidget() != &window)
                continue;
            SCOPED_TRACE(view->objectName().toStdString());
            const TDeviceGrid place(ratio, QPointF(view->pos()) * ratio);
            const QImage picture = view->Picture().Image(place);
            const QRect device = grid.Map(view->geometry());
            ASSERT_EQ(picture.size(), device.size());
            // Widgets lying over the picture (the language field's edit) hide part of it.
            QRegion covered;
            for (const QWidget* other : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
                if (other != view && other->isVisible())
                    covered += grid.Map(other->geometry());
            for (int y = 0; y < picture.height(); ++y)
                for (int x = 0; x < picture.width(); ++x) {
                    const QPoint at = device.topLeft() + QPoint(x, y);
                    if (qAlpha(picture.pixel(x, y)) != 255 || covered.contains(at))
                        continue;
                    ASSERT_EQ(shown.pixel(at) | 0xFF000000u, picture.pixel(x, y))
                        << "at " << x << "," << y;
                }
            ++checked;
        }
        EXPECT_GE(checked, 13) << "title buttons, language control, checks, server buttons";
    }

    TTempDir program_, home_;
    TConfigHomeGuard homeGuard_{home_.Path()};
    std::unique_ptr<TfmMain> fmMain_;
    std::unique_ptr<TfmHelp> fmHelp_;
    std::unique_ptr<TfmLogo> fmLogo_;
};

TEST_F(ScaledMainWindow, KeepsItsPlacesAndShowsEveryPicturePixelForPixel) {
    ASSERT_EQ(fmMain_->devicePixelRatioF(), ProcessScaleFactor());
    EXPECT_EQ(fmMain_->size(), QSize(802, 602));
    const struct {
        const QWidget* Control;
        QRect Place;
    } places[] = {{Control("Sb_Help"), {702, 5, 22, 23}},
                  {Control("Sb_Internet"), {726, 5, 22, 23}},
                  {Control("Sb_Min"), {750, 5, 22, 23}},
                  {Control("Sb_Close"), {774, 5, 22, 23}},
                  {Control("Panel_Indicator_Start"), {750, 37, 22, 9}},
                  {Control("Sb_Lang_Up"), {30, 490, 17, 21}},
                  {Control("Img_Lang_Fon"), {47, 490, 63, 21}},
                  {Control("Edit_Lang"), {52, 494, 53, 14}},
                  {Control("Sb_Lang_Down"), {110, 490, 17, 21}},
                  {Control("Cb_MinFormShow"), {250, 470, 23, 23}},
                  {Control("Cb_AutoRun"), {250, 500, 23, 23}},
                  {Control("Cb_HintShow"), {422, 470, 23, 23}}};
    for (const auto& [control, place] : places)
        EXPECT_EQ(control->geometry(), place) << control->objectName().toStdString();
    EXPECT_EQ(Control("Label_Title_Name")->pos(), QPoint(8, 2));
    ExpectPicturesPixelForPixel();

    // The start indicator's frame is one line of whole device pixels around the indicator.
    const QImage shown = ShownPixels(*fmMain_);
    const TDeviceGrid window(fmMain_->devicePixelRatioF());
    const QRect frame = window.Map(Control("Panel_Indicator_Start")->geometry());
    const QRect indicator = window.Map(
        Control("Indicator_Start")->geometry().translated(Control("Panel_Indicator_Start")->pos()));
    const QColor edge(0x08, 0x1C, 0x3A);
    const int middle = frame.center().y();
    for (int x = frame.left(); x < frame.left() + window.Line(); ++x)
        EXPECT_EQ(shown.pixelColor(x, middle), edge) << x;
    EXPECT_EQ(indicator.left(), frame.left() + window.Line());
    EXPECT_EQ(shown.pixelColor(indicator.left(), middle),
              Control("Indicator_Start")->palette().color(QPalette::Window));

    // The language control meets without a seam: arrow, field and arrow share their edges.
    const TDeviceGrid grid(fmMain_->devicePixelRatioF());
    EXPECT_EQ(grid.Map(Control("Sb_Lang_Up")->geometry()).right() + 1,
              grid.Map(Control("Img_Lang_Fon")->geometry()).left());
    EXPECT_EQ(grid.Map(Control("Img_Lang_Fon")->geometry()).right() + 1,
              grid.Map(Control("Sb_Lang_Down")->geometry()).left());
}

using ScreenChange = ScaledMainWindow;

TEST_F(ScreenChange, PicturesFollowTheWindowToAScreenOfAnotherRatio) {
    const QList<QScreen*> screens = QGuiApplication::screens();
    ASSERT_EQ(screens.size(), 2) << "runs on two screens (QT_QPA_PLATFORM with a configfile)";
    QScreen* sharp = screens[0]->devicePixelRatio() > 1 ? screens[0] : screens[1];
    QScreen* plain = sharp == screens[0] ? screens[1] : screens[0];
    ASSERT_GT(sharp->devicePixelRatio(), plain->devicePixelRatio());

    fmMain_->move(plain->geometry().topLeft() + QPoint(20, 20));
    ASSERT_TRUE(QTest::qWaitFor([&] { return fmMain_->screen() == plain; }, 5000));
    ExpectPicturesPixelForPixel();

    fmMain_->move(sharp->geometry().topLeft() + QPoint(20, 20));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return fmMain_->devicePixelRatioF() == sharp->devicePixelRatio(); }, 5000));
    EXPECT_EQ(fmMain_->size(), QSize(802, 602));
    ExpectPicturesPixelForPixel();
}

} // namespace
