#pragma once

#include <QString>
#include <QWidget>

class QListWidget;
class TCheckListView;

// A single-selection list whose rows each have a check box, a text and a data slot (an opaque
// pointer that the list never follows). The operator selects a row by clicking its text (or by
// the keyboard) and flips a check box by clicking the box; a click on the box leaves the
// selection alone. Changes made through the functions below emit no signal.
class TCheckListBox : public QWidget {
    Q_OBJECT

public:
    explicit TCheckListBox(QWidget* parent = nullptr);
    ~TCheckListBox() override;

    // Appends an unchecked row without data and returns its index.
    int AddRow(const QString& text);
    // Removes every row; the selection is lost.
    void Clear();
    int RowCount() const;

    // The row functions throw std::out_of_range for a row the list does not hold.
    QString RowText(int row) const;
    bool IsChecked(int row) const;
    void SetChecked(int row, bool checked);
    quint64 RowTag(int row) const;
    void SetRowTag(int row, quint64 tag);

    // The selected row, or -1 when none is selected.
    int SelectedRow() const;
    // Selects `row`; -1 clears the selection.
    void SetSelectedRow(int row);

    // The list view inside, for placing and styling it.
    QListWidget* View() const;
    // Where a row's check box is drawn, in the view's viewport coordinates.
    QRect CheckBoxRect(int row) const;

signals:
    // The operator selected `row` by clicking its text or moving to it with the keyboard.
    void rowClicked(int row);
    // The operator clicked the check box of `row`; its check mark has flipped.
    void checkClicked(int row);

private:
    friend class TCheckListView;
    void CheckRow(int row) const;
    void OperatorToggled(int row);
    void OperatorSelected(int row);

    TCheckListView* view_;
};
