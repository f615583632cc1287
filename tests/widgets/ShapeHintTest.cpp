#include "widgets/ShapeHint.h"

#include "TestEvents.h"
#include "widgets/WidgetSnapshot.h"

#include <QPushButton>
#include <QToolTip>
#include <gtest/gtest.h>

namespace {

// A timer the test fires by hand.
class TManualTimer final : public THintTimer {
public:
    void Start(int milliseconds) override {
        active = true;
        delay = milliseconds;
        ++starts;
    }
    void Stop() override { active = false; }
    bool IsActive() const override { return active; }
    void Elapse() {
        ASSERT_TRUE(active);
        active = false;
        Fire();
    }

    bool active = false;
    int delay = 0;
    int starts = 0;
};

class ShapeHintTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto show = std::make_unique<TManualTimer>();
        auto hide = std::make_unique<TManualTimer>();
        showTimer = show.get();
        hideTimer = hide.get();
        hint = std::make_unique<TShapeHint>(std::move(show), std::move(hide));

        window.resize(300, 200);
        start = new QPushButton(QStringLiteral("Start"), &window);
        start->setGeometry(10, 10, 80, 30);
        start->setToolTip(QStringLiteral("Server: Stop"));
        stop = new QPushButton(QStringLiteral("Stop"), &window);
        stop->setGeometry(100, 10, 80, 30);
        stop->setToolTip(QStringLiteral("Stop the server"));
        bare = new QWidget(&window);
        bare->setGeometry(10, 100, 80, 30);
        window.show();
        QApplication::processEvents();
    }

    void MoveOver(QWidget* widget, QPoint pos = QPoint(5, 5)) {
        SendMouse(widget, QEvent::MouseMove, Qt::NoButton, pos);
    }
    void Leave(QWidget* widget) {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(widget, &leave);
    }
    // Rest long enough on `widget` for its hint to show.
    void RestOn(QWidget* widget) {
        MoveOver(widget);
        showTimer->Elapse();
    }

    TManualTimer* showTimer = nullptr;
    TManualTimer* hideTimer = nullptr;
    std::unique_ptr<TShapeHint> hint;
    QWidget window;
    QPushButton* start = nullptr;
    QPushButton* stop = nullptr;
    QWidget* bare = nullptr;
};

} // namespace

TEST_F(ShapeHintTest, ShowsAfterTheRestAndHidesAfterItsTime) {
    MoveOver(start);
    EXPECT_TRUE(showTimer->active);
    EXPECT_EQ(showTimer->delay, TShapeHint::ShowDelay);
    EXPECT_EQ(TShapeHint::ShowDelay, 500);
    EXPECT_FALSE(hint->IsHintVisible());

    showTimer->Elapse();
    EXPECT_TRUE(hint->IsHintVisible());
    EXPECT_EQ(hint->HintText(), QStringLiteral("Server: Stop"));
    EXPECT_EQ(hint->HintOwner(), start);
    EXPECT_TRUE(hideTimer->active);
    EXPECT_EQ(hideTimer->delay, TShapeHint::HideDelay);
    EXPECT_EQ(TShapeHint::HideDelay, 2500);
    // Below the cursor, clear of it.
    EXPECT_GT(hint->HintWindow()->y(), start->mapToGlobal(QPoint(5, 5)).y());

    hideTimer->Elapse();
    EXPECT_FALSE(hint->IsHintVisible());
    // Resting on the same control again does not bring it back.
    MoveOver(start, QPoint(6, 6));
    EXPECT_FALSE(showTimer->active);
}

TEST_F(ShapeHintTest, EveryMoveStartsTheRestAgain) {
    MoveOver(start, QPoint(5, 5));
    MoveOver(start, QPoint(9, 7));
    EXPECT_EQ(showTimer->starts, 2);
    EXPECT_FALSE(hint->IsHintVisible());
    // Moving while the hint shows keeps it and does not restart anything.
    showTimer->Elapse();
    MoveOver(start, QPoint(12, 7));
    EXPECT_TRUE(hint->IsHintVisible());
    EXPECT_EQ(showTimer->starts, 2);
}

TEST_F(ShapeHintTest, ControlsWithoutTextGetNoHint) {
    MoveOver(bare);
    EXPECT_FALSE(showTimer->active);
    MoveOver(&window);
    EXPECT_FALSE(showTimer->active);
}

TEST_F(ShapeHintTest, ChildOfAControlShowsTheControlsHint) {
    auto* inner = new QWidget(start);
    inner->setGeometry(2, 2, 10, 10);
    inner->show();
    RestOn(inner);
    EXPECT_EQ(hint->HintText(), QStringLiteral("Server: Stop"));
}

TEST_F(ShapeHintTest, MovingToAnotherControlSwapsTheHint) {
    RestOn(start);
    MoveOver(stop);
    EXPECT_FALSE(hint->IsHintVisible());
    EXPECT_TRUE(showTimer->active);
    showTimer->Elapse();
    EXPECT_EQ(hint->HintText(), QStringLiteral("Stop the server"));
    // And back to the first control: its hint comes again.
    MoveOver(start);
    showTimer->Elapse();
    EXPECT_EQ(hint->HintText(), QStringLiteral("Server: Stop"));
}

TEST_F(ShapeHintTest, LeavingTheControlHidesOrCancels) {
    RestOn(start);
    Leave(start);
    EXPECT_FALSE(hint->IsHintVisible());
    EXPECT_FALSE(hideTimer->active);

    MoveOver(stop);
    Leave(stop);
    EXPECT_FALSE(showTimer->active);
    EXPECT_FALSE(hint->IsHintVisible());
}

TEST_F(ShapeHintTest, MouseButtonPressHidesAndKeepsItAway) {
    RestOn(start);
    SendMouse(start, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 5), Qt::LeftButton);
    SendMouse(start, QEvent::MouseButtonRelease, Qt::LeftButton, QPoint(5, 5));
    EXPECT_FALSE(hint->IsHintVisible());
    EXPECT_FALSE(hideTimer->active);
    MoveOver(start, QPoint(7, 7));
    EXPECT_FALSE(showTimer->active);

    // A press while waiting cancels the wait.
    MoveOver(stop);
    SendMouse(stop, QEvent::MouseButtonPress, Qt::LeftButton, QPoint(5, 5), Qt::LeftButton);
    EXPECT_FALSE(showTimer->active);
}

TEST_F(ShapeHintTest, SwitchedOffNoHintShowsAnywhere) {
    hint->SetHintsEnabled(false);
    EXPECT_FALSE(hint->HintsEnabled());
    MoveOver(start);
    EXPECT_FALSE(showTimer->active);
    // Qt's own tool tip is kept away as well, though the text is still set.
    EXPECT_TRUE(AskForToolTip(start));
    EXPECT_FALSE(hint->IsHintVisible());
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_EQ(start->toolTip(), QStringLiteral("Server: Stop"));

    hint->SetHintsEnabled(true);
    MoveOver(stop);
    showTimer->Elapse();
    EXPECT_TRUE(hint->IsHintVisible());
}

TEST_F(ShapeHintTest, SwitchingOffHidesTheShowingHint) {
    RestOn(start);
    hint->SetHintsEnabled(false);
    EXPECT_FALSE(hint->IsHintVisible());
    EXPECT_FALSE(hideTimer->active);
}

TEST_F(ShapeHintTest, QtsToolTipRequestShowsOursInstead) {
    EXPECT_TRUE(AskForToolTip(stop));
    EXPECT_TRUE(hint->IsHintVisible());
    EXPECT_EQ(hint->HintText(), QStringLiteral("Stop the server"));
    EXPECT_FALSE(QToolTip::isVisible());
    EXPECT_TRUE(hideTimer->active);
    // Asking again for the same control does not bring it back once gone.
    hideTimer->Elapse();
    AskForToolTip(stop);
    EXPECT_FALSE(hint->IsHintVisible());
}

TEST_F(ShapeHintTest, HidingTheControlsWindowHidesTheHint) {
    RestOn(start);
    window.hide();
    EXPECT_FALSE(hint->IsHintVisible());
}

TEST_F(ShapeHintTest, ControlGoneWhileWaitingShowsNothing) {
    MoveOver(stop);
    delete stop;
    stop = nullptr;
    showTimer->Elapse();
    EXPECT_FALSE(hint->IsHintVisible());
}

TEST_F(ShapeHintTest, LooksLikeAPlainFramedNote) {
    RestOn(start);
    QWidget* note = hint->HintWindow();
    EXPECT_TRUE(note->windowFlags().testFlag(Qt::ToolTip));
    EXPECT_EQ(note->font().pixelSize(), 12);
    EXPECT_EQ(note->font().family(), QStringLiteral("Verdana"));
    const QImage image = RenderWidget(*note);
    EXPECT_EQ(image.pixelColor(0, 0), QColor(0x10, 0x50, 0x8D));
    EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), QColor(0x10, 0x50, 0x8D));
    EXPECT_EQ(image.pixelColor(1, 1), QColor(0xFF, 0xFF, 0xCA));
    EXPECT_EQ(image.pixelColor(image.width() - 2, image.height() - 2), QColor(0xFF, 0xFF, 0xCA));
    // The text is drawn in the tool tip text colour (its strokes' cores come close to it).
    const QColor ink = QToolTip::palette().color(QPalette::ToolTipText);
    int inked = 0;
    for (int y = 1; y < image.height() - 1; ++y)
        for (int x = 1; x < image.width() - 1; ++x) {
            const QColor c = image.pixelColor(x, y);
            inked += std::abs(c.red() - ink.red()) + std::abs(c.green() - ink.green()) +
                                 std::abs(c.blue() - ink.blue()) <
                             90
                         ? 1
                         : 0;
        }
    EXPECT_GT(inked, 20);
}
