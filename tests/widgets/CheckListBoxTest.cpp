#include "widgets/CheckListBox.h"

#include "TestEvents.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QSignalSpy>
#include <gtest/gtest.h>
#include <stdexcept>

namespace {

class CheckListBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(200, 400);
        for (int i = 1; i <= 16; ++i)
            list.AddRow(QStringLiteral("Client %1").arg(i));
        list.show();
        QApplication::processEvents();
    }

    QWidget* Viewport() { return list.View()->viewport(); }
    QPoint BoxOf(int row) { return list.CheckBoxRect(row).center(); }
    QPoint TextOf(int row) {
        const QRect r = list.View()->visualItemRect(list.View()->item(row));
        return QPoint(r.left() + 60, r.center().y());
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(list.View(), &press);
    }

    TCheckListBox list;
    QSignalSpy rowClicks{&list, &TCheckListBox::rowClicked};
    QSignalSpy checkClicks{&list, &TCheckListBox::checkClicked};
};

} // namespace

TEST_F(CheckListBoxTest, RowsStartUncheckedWithoutData) {
    EXPECT_EQ(list.RowCount(), 16);
    EXPECT_EQ(list.RowText(0), QStringLiteral("Client 1"));
    EXPECT_EQ(list.RowText(15), QStringLiteral("Client 16"));
    EXPECT_EQ(list.AddRow(QStringLiteral("extra")), 16);
    for (int row = 0; row < list.RowCount(); ++row) {
        EXPECT_FALSE(list.IsChecked(row));
        EXPECT_EQ(list.RowTag(row), 0u);
    }
    EXPECT_EQ(list.SelectedRow(), -1);
}

TEST_F(CheckListBoxTest, KeepsChecksDataAndSelectionPerRowWithoutSignals) {
    list.SetChecked(4, true);
    list.SetRowTag(4, 77);
    list.SetSelectedRow(2);
    EXPECT_TRUE(list.IsChecked(4));
    EXPECT_FALSE(list.IsChecked(3));
    EXPECT_EQ(list.RowTag(4), 77u);
    EXPECT_EQ(list.RowTag(3), 0u);
    EXPECT_EQ(list.SelectedRow(), 2);
    list.SetChecked(4, false);
    EXPECT_FALSE(list.IsChecked(4));
    list.SetSelectedRow(-1);
    EXPECT_EQ(list.SelectedRow(), -1);
    EXPECT_EQ(rowClicks.count(), 0);
    EXPECT_EQ(checkClicks.count(), 0);
}

TEST_F(CheckListBoxTest, ClearDropsRowsAndSelection) {
    list.SetSelectedRow(5);
    list.SetChecked(5, true);
    list.Clear();
    EXPECT_EQ(list.RowCount(), 0);
    EXPECT_EQ(list.SelectedRow(), -1);
    list.AddRow(QStringLiteral("Client 1"));
    EXPECT_FALSE(list.IsChecked(0));
    EXPECT_EQ(list.SelectedRow(), -1);
    EXPECT_EQ(rowClicks.count(), 0);
}

TEST_F(CheckListBoxTest, RowsOutsideTheListAreRefused) {
    EXPECT_THROW(list.RowText(16), std::out_of_range);
    EXPECT_THROW(list.IsChecked(-1), std::out_of_range);
    EXPECT_THROW(list.SetChecked(16, true), std::out_of_range);
    EXPECT_THROW(list.RowTag(99), std::out_of_range);
    EXPECT_THROW(list.SetRowTag(-2, 0), std::out_of_range);
    EXPECT_THROW(list.SetSelectedRow(16), std::out_of_range);
    EXPECT_THROW(list.SetSelectedRow(-2), std::out_of_range);
}

TEST_F(CheckListBoxTest, ClickOnTheTextSelectsTheRow) {
    Click(Viewport(), TextOf(6));
    EXPECT_EQ(list.SelectedRow(), 6);
    ASSERT_EQ(rowClicks.count(), 1);
    EXPECT_EQ(rowClicks.at(0).at(0).toInt(), 6);
    EXPECT_EQ(checkClicks.count(), 0);
    EXPECT_FALSE(list.IsChecked(6));
}

TEST_F(CheckListBoxTest, ClickOnTheBoxFlipsItAndLeavesTheSelection) {
    list.SetSelectedRow(2);
    Click(Viewport(), BoxOf(9));
    EXPECT_TRUE(list.IsChecked(9));
    EXPECT_EQ(list.SelectedRow(), 2);
    ASSERT_EQ(checkClicks.count(), 1);
    EXPECT_EQ(checkClicks.at(0).at(0).toInt(), 9);
    EXPECT_EQ(rowClicks.count(), 0);

    Click(Viewport(), BoxOf(9));
    EXPECT_FALSE(list.IsChecked(9));
    EXPECT_EQ(checkClicks.count(), 2);

    // With nothing selected a box click still selects nothing.
    list.SetSelectedRow(-1);
    Click(Viewport(), BoxOf(0));
    EXPECT_EQ(list.SelectedRow(), -1);
    EXPECT_TRUE(list.IsChecked(0));
}

TEST_F(CheckListBoxTest, DoubleClickOnTheBoxFlipsItTwice) {
    const QPoint box = BoxOf(3);
    SendMouse(Viewport(), QEvent::MouseButtonPress, Qt::LeftButton, box, Qt::LeftButton);
    SendMouse(Viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, box);
    SendMouse(Viewport(), QEvent::MouseButtonDblClick, Qt::LeftButton, box, Qt::LeftButton);
    SendMouse(Viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, box);
    EXPECT_EQ(checkClicks.count(), 2);
    EXPECT_FALSE(list.IsChecked(3));
    EXPECT_EQ(list.SelectedRow(), -1);
    EXPECT_EQ(rowClicks.count(), 0);
}

TEST_F(CheckListBoxTest, OtherButtonsAndEmptySpaceChangeNothing) {
    list.SetSelectedRow(1);
    Click(Viewport(), TextOf(7), Qt::RightButton);
    Click(Viewport(), BoxOf(7), Qt::RightButton);
    EXPECT_EQ(list.SelectedRow(), 1);
    EXPECT_FALSE(list.IsChecked(7));

    list.Clear();
    list.AddRow(QStringLiteral("Client 1"));
    list.SetSelectedRow(0);
    Click(Viewport(), QPoint(60, 300)); // below the only row
    EXPECT_EQ(list.SelectedRow(), 0);
    EXPECT_EQ(rowClicks.count(), 0);
    EXPECT_EQ(checkClicks.count(), 0);
}

TEST_F(CheckListBoxTest, DraggingDoesNotWalkTheSelection) {
    const QPoint from = TextOf(2), to = TextOf(8);
    SendMouse(Viewport(), QEvent::MouseButtonPress, Qt::LeftButton, from, Qt::LeftButton);
    SendMouse(Viewport(), QEvent::MouseMove, Qt::NoButton, to, Qt::LeftButton);
    SendMouse(Viewport(), QEvent::MouseButtonRelease, Qt::LeftButton, to);
    EXPECT_EQ(list.SelectedRow(), 2);
    EXPECT_EQ(rowClicks.count(), 1);
}

TEST_F(CheckListBoxTest, KeyboardMovesTheSelectionAndSpaceFlipsTheBox) {
    Click(Viewport(), TextOf(2));
    Key(Qt::Key_Down);
    EXPECT_EQ(list.SelectedRow(), 3);
    ASSERT_EQ(rowClicks.count(), 2);
    EXPECT_EQ(rowClicks.at(1).at(0).toInt(), 3);

    Key(Qt::Key_Space);
    EXPECT_TRUE(list.IsChecked(3));
    ASSERT_EQ(checkClicks.count(), 1);
    EXPECT_EQ(checkClicks.at(0).at(0).toInt(), 3);
    EXPECT_EQ(list.SelectedRow(), 3);
}
