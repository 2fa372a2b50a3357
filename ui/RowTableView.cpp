#include "ui/RowTableView.h"

#include <QPainter>
#include <QVBoxLayout>

#include "ui/Theme.h"

namespace lendmode {

RowTableView::RowTableView(QWidget* parent) : QWidget(parent) {
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 0, 0, 0);
    layout_->setSpacing(1);  // the hairline between rows
}

QWidget* RowTableView::viewAtRow(int row) const {
    return row >= 0 && row < numberOfRows() ? rows_[static_cast<std::size_t>(row)].view : nullptr;
}

QWidget* RowTableView::makeViewWithIdentifier(const QString& identifier) {
    madeIdentifier_ = identifier;
    // The view that stood at this row, when it is of the same kind.
    const auto row = static_cast<std::size_t>(makingRow_);
    if (makingRow_ >= 0 && row < reusable_.size() && reusable_[row].view &&
        reusable_[row].identifier == identifier) {
        QWidget* view = reusable_[row].view;
        reusable_[row].view = nullptr;
        return view;
    }
    for (Entry& entry : reusable_) {
        if (entry.view && entry.identifier == identifier) {
            QWidget* view = entry.view;
            entry.view = nullptr;
            return view;
        }
    }
    return source_.makeView ? source_.makeView(identifier) : nullptr;
}

void RowTableView::reloadData() {
    reusable_ = std::move(rows_);
    rows_.clear();
    while (layout_->count() > 0) delete layout_->takeAt(0);

    const int count = source_.numberOfRows ? std::max(0, source_.numberOfRows()) : 0;
    std::size_t emptyUsed = 0;
    for (int i = 0; i < count; ++i) {
        makingRow_ = i;
        madeIdentifier_.clear();
        QWidget* view = source_.viewForRow ? source_.viewForRow(i) : nullptr;
        rows_.push_back({madeIdentifier_, view});
        if (!view) {
            // An empty row keeps its place.
            if (emptyUsed == emptyRows_.size()) {
                auto* blank = new QWidget(this);
                blank->setFixedHeight(kEmptyRowHeight);
                emptyRows_.push_back(blank);
            }
            view = emptyRows_[emptyUsed++];
        }
        if (view->parentWidget() != this) view->setParent(this);
        layout_->addWidget(view, view->sizePolicy().verticalStretch());
        view->show();
    }
    makingRow_ = -1;
    for (std::size_t i = emptyUsed; i < emptyRows_.size(); ++i) emptyRows_[i]->hide();
    // Views no row took are let go once the present event is over: one of them may be
    // the sender of the action that caused this reload.
    for (Entry& entry : reusable_) {
        if (!entry.view) continue;
        entry.view->hide();
        entry.view->deleteLater();
    }
    reusable_.clear();
    update();
}

void RowTableView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QColor line = ui::separatorColor(palette());
    for (int i = 0; i + 1 < layout_->count(); ++i) {
        const QWidget* w = layout_->itemAt(i)->widget();
        if (!w) continue;
        const int y = w->geometry().bottom() + 1;
        p.fillRect(QRect(16, y, width() - 32, 1), line);
    }
}

}  // namespace lendmode
