// The row table of the preferences window: one view per row, stacked, with a hairline
// between rows. Its data source gives the row count and a view per row; a reload
// hands back the views of the previous load for reuse by identifier, as a table view
// reuses its cells, so a reused view keeps its own state (the scroll position of a
// nested list, the keyboard focus).
#pragma once

#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QVBoxLayout;

namespace lendmode {

class RowTableView : public QWidget {
    Q_OBJECT
public:
    struct DataSource {
        std::function<int()> numberOfRows;
        // The view of a row, usually from makeViewWithIdentifier; nullptr leaves the
        // row empty.
        std::function<QWidget*(int row)> viewForRow;
        // Makes a new view for an identifier, or nullptr when there is none for it.
        std::function<QWidget*(const QString& identifier)> makeView;
    };
    static constexpr int kEmptyRowHeight = 24;

    explicit RowTableView(QWidget* parent = nullptr);

    void setDataSource(DataSource source) { source_ = std::move(source); }
    void reloadData();

    // A view of the previous load with this identifier (the one at the row being made,
    // if it has it), or a new one; nullptr for an identifier nothing can make.
    QWidget* makeViewWithIdentifier(const QString& identifier);

    int numberOfRows() const { return static_cast<int>(rows_.size()); }
    // The view at a row, nullptr for an empty row or a row out of range.
    QWidget* viewAtRow(int row) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Entry {
        QString identifier;
        QWidget* view = nullptr;
    };

    DataSource source_;
    QVBoxLayout* layout_ = nullptr;
    std::vector<Entry> rows_;
    std::vector<Entry> reusable_;
    std::vector<QWidget*> emptyRows_;
    int makingRow_ = -1;
    QString madeIdentifier_;
};

}  // namespace lendmode
