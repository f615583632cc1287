#include "widgets/CheckListBox.h"

#include "SkinStyle.h"
#include "widgets/SkinDraw.h"
#include "widgets/SkinZones.h"

#include <QKeyEvent>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QVBoxLayout>
#include <stdexcept>
#include <string>

namespace {

constexpr int kBoxSize = 13;
constexpr int kBoxLeft = 3;
constexpr int kTextGap = 6;
constexpr int kDataRole = Qt::UserRole + 1;

QRect BoxIn(const QRect& row) {
    return QRect(row.left() + kBoxLeft, row.top() + (row.height() - kBoxSize) / 2, kBoxSize,
                 kBoxSize);
}

// A press here counts as a click on the box: the box and the margins up to the text.
bool InBoxArea(const QRect& row, QPoint pos) {
    return row.contains(pos) && pos.x() < row.left() + kBoxLeft + kBoxSize + kTextGap / 2;
}

class TCheckListDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter* p, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        p->save();
        p->setRenderHint(QPainter::Antialiasing, true);
        const QRect row = option.rect;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette& pal = option.palette;
        if (selected) {
            const QColor base = pal.color(QPalette::Highlight);
            p->fillRect(row, SkinDraw::Vertical(QRectF(row), base.lighter(125), base));
        }

        const QRectF box = QRectF(BoxIn(row)).adjusted(0.5, 0.5, -0.5, -0.5);
        p->setPen(QPen(QColor(0x05, 0x20, 0x3F), 1.0));
        p->setBrush(SkinDraw::Vertical(box, QColor(0x0A, 0x36, 0x68), QColor(0x1C, 0x6A, 0xBA)));
        p->drawRoundedRect(box, 2.5, 2.5);
        if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked) {
            QPainterPath check;
            check.moveTo(box.left() + 2.8, box.top() + 6.6);
            check.lineTo(box.left() + 5.2, box.top() + 9.2);
            check.lineTo(box.left() + 9.6, box.top() + 3.0);
            p->setBrush(Qt::NoBrush);
            p->setPen(
                QPen(QColor(0xA8, 0xF0, 0x7A), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
            p->drawPath(check);
        }

        const QRect text = row.adjusted(kBoxLeft + kBoxSize + kTextGap, 0, -2, 0);
        p->setFont(option.font);
        p->setPen(pal.color(selected ? QPalette::HighlightedText : QPalette::Text));
        const QString label = index.data(Qt::DisplayRole).toString();
        p->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                    option.fontMetrics.elidedText(label, Qt::ElideRight, text.width()));
        p->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QString label = index.data(Qt::DisplayRole).toString();
        return QSize(kBoxLeft + kBoxSize + kTextGap + option.fontMetrics.horizontalAdvance(label) +
                         4,
                     std::max(option.fontMetrics.height() + 4, kBoxSize + 4));
    }
};

} // namespace

// The list inside the box. It decides what a press means: on a check box it flips the mark and
// leaves the selection alone; on a text it selects the row.
class TCheckListView final : public QListWidget {
public:
    explicit TCheckListView(TCheckListBox* owner) : QListWidget(owner), owner_(owner) {
        setSelectionMode(QAbstractItemView::SingleSelection);
        setEditTriggers(QAbstractItemView::NoEditTriggers);
        setItemDelegate(new TCheckListDelegate(this));
        setUniformItemSizes(true);
    }

protected:
    void mousePressEvent(QMouseEvent* event) override {
        const QPoint pos = event->position().toPoint();
        const QModelIndex index = indexAt(pos);
        // Presses beside the rows and with other buttons change nothing.
        if (!index.isValid() || event->button() != Qt::LeftButton) {
            event->accept();
            return;
        }
        if (InBoxArea(visualRect(index), pos)) {
            boxPressed_ = true;
            event->accept();
            owner_->OperatorToggled(index.row());
            return;
        }
        QListWidget::mousePressEvent(event);
        if (owner_->SelectedRow() == index.row())
            owner_->OperatorSelected(index.row());
    }

    void mouseMoveEvent(QMouseEvent* event) override {
        // No selecting by dragging: a row is chosen by a click.
        if (event->buttons() != Qt::NoButton) {
            event->accept();
            return;
        }
        QListWidget::mouseMoveEvent(event);
    }

    void mouseReleaseEvent(QMouseEvent* event) override {
        if (boxPressed_) {
            boxPressed_ = false;
            event->accept();
            return;
        }
        QListWidget::mouseReleaseEvent(event);
    }

    void mouseDoubleClickEvent(QMouseEvent* event) override {
        const QPoint pos = event->position().toPoint();
        const QModelIndex index = indexAt(pos);
        event->accept();
        // The second click of a double click on a box flips it again, as two clicks would.
        if (index.isValid() && event->button() == Qt::LeftButton &&
            InBoxArea(visualRect(index), pos)) {
            boxPressed_ = true;
            owner_->OperatorToggled(index.row());
        }
    }

    void keyPressEvent(QKeyEvent* event) override {
        const int before = owner_->SelectedRow();
        if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier) {
            event->accept();
            if (before >= 0)
                owner_->OperatorToggled(before);
            return;
        }
        QListWidget::keyPressEvent(event);
        const int after = owner_->SelectedRow();
        if (after >= 0 && after != before)
            owner_->OperatorSelected(after);
    }

private:
    TCheckListBox* owner_;
    bool boxPressed_ = false;
};

TCheckListBox::TCheckListBox(QWidget* parent) : QWidget(parent), view_(new TCheckListView(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view_);

    // The skin's look: pale green text on the edit field blue, no frame.
    view_->setFrameShape(QFrame::NoFrame);
    QPalette pal = view_->palette();
    pal.setColor(QPalette::Base, QColor(Skin::EditColor));
    pal.setColor(QPalette::Window, QColor(Skin::EditColor));
    pal.setColor(QPalette::Text, QColor(Skin::LabelColor));
    pal.setColor(QPalette::Highlight, QColor(0x2A, 0x78, 0xCC));
    pal.setColor(QPalette::HighlightedText, QColor(Qt::white));
    view_->setPalette(pal);
    const QFont font = Skin::PixelFont(11);
    view_->setFont(font);
}

TCheckListBox::~TCheckListBox() = default;

int TCheckListBox::AddRow(const QString& text) {
    auto* item = new QListWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setData(Qt::CheckStateRole, Qt::Unchecked);
    view_->addItem(item);
    return view_->count() - 1;
}

void TCheckListBox::Clear() {
    view_->clear();
}

int TCheckListBox::RowCount() const {
    return view_->count();
}

void TCheckListBox::CheckRow(int row) const {
    if (row < 0 || row >= view_->count())
        throw std::out_of_range("List index out of bounds (" + std::to_string(row) + ")");
}

QString TCheckListBox::RowText(int row) const {
    CheckRow(row);
    return view_->item(row)->text();
}

bool TCheckListBox::IsChecked(int row) const {
    CheckRow(row);
    return view_->item(row)->data(Qt::CheckStateRole).toInt() == Qt::Checked;
}

void TCheckListBox::SetChecked(int row, bool checked) {
    CheckRow(row);
    view_->item(row)->setData(Qt::CheckStateRole, checked ? Qt::Checked : Qt::Unchecked);
}

quint64 TCheckListBox::RowTag(int row) const {
    CheckRow(row);
    return view_->item(row)->data(kDataRole).toULongLong();
}

void TCheckListBox::SetRowTag(int row, quint64 tag) {
    CheckRow(row);
    view_->item(row)->setData(kDataRole, QVariant::fromValue(tag));
}

int TCheckListBox::SelectedRow() const {
    const QModelIndexList rows = view_->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void TCheckListBox::SetSelectedRow(int row) {
    if (row == -1) {
        view_->clearSelection();
        view_->setCurrentRow(-1);
        return;
    }
    CheckRow(row);
    view_->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

QListWidget* TCheckListBox::View() const {
    return view_;
}

QRect TCheckListBox::CheckBoxRect(int row) const {
    CheckRow(row);
    return BoxIn(view_->visualItemRect(view_->item(row)));
}

void TCheckListBox::OperatorToggled(int row) {
    SetChecked(row, !IsChecked(row));
    emit checkClicked(row);
}

void TCheckListBox::OperatorSelected(int row) {
    emit rowClicked(row);
}
