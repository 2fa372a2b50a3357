// Draws the rows of an application list from one reused CellCheck, which the list's
// controller fills for the row being drawn (its tableView:viewForTableColumn:row:).
// Only the rows on screen are filled and drawn, so a list of any length stays fast.
//
// A click on a row, or the space bar on the current row, clicks the cell's check box
// for that row: the box's clicked() signal, wired to the controller's
// appDisabledButtonPressed, carries the new state and the row index (the box's tag).
#pragma once

#include <QStyledItemDelegate>
#include <functional>
#include <memory>

namespace lendmode {

class CellCheck;

class AppCellDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using Filler = std::function<void(CellCheck& cell, int row)>;
    static constexpr int kRowHeight = 28;

    explicit AppCellDelegate(Filler fill, QObject* parent = nullptr);
    ~AppCellDelegate() override;

    // The cell every row is drawn from; controllers wire its check box once.
    CellCheck& cell() const { return *cell_; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Fills the cell for a row and clicks its check box.
    void toggleRow(int row);

private:
    Filler fill_;
    std::unique_ptr<CellCheck> cell_;
    int pressedRow_ = -1;
};

}  // namespace lendmode
