#include "ui/AppCellDelegate.h"

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>

#include "ui/CellCheck.h"
#include "ui/CheckBox.h"
#include "ui/ImageView.h"

namespace lendmode {
namespace {
constexpr int kLeftMargin = 10;
constexpr int kIconSize = 20;
constexpr int kGap = 8;
}  // namespace

AppCellDelegate::AppCellDelegate(Filler fill, QObject* parent)
    : QStyledItemDelegate(parent), fill_(std::move(fill)), cell_(std::make_unique<CellCheck>()) {}

AppCellDelegate::~AppCellDelegate() = default;

QSize AppCellDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width() > 0 ? option.rect.width() : 200, kRowHeight};
}

void AppCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    if (!index.isValid()) return;
    CellCheck& cell = *cell_;
    if (fill_) fill_(cell, index.row());

    const QRect r = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    if (option.state & QStyle::State_MouseOver) {
        QColor hover = option.palette.color(QPalette::Highlight);
        hover.setAlphaF(0.10f);
        QPainterPath band;
        band.addRoundedRect(QRectF(r).adjusted(3, 1, -3, -1), 5, 5);
        painter->fillPath(band, hover);
    }

    if (option.state & QStyle::State_HasFocus) {
        // The keyboard's current row: the one Space toggles.
        QColor ring = option.palette.color(QPalette::Highlight);
        ring.setAlphaF(0.8f);
        painter->setPen(QPen(ring, 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(r).adjusted(3.5, 1.5, -3.5, -1.5), 5, 5);
    }
    const QRect box(r.left() + kLeftMargin, r.top() + (r.height() - CheckBox::kIndicatorSize) / 2,
                    CheckBox::kIndicatorSize, CheckBox::kIndicatorSize);
    CheckBox::drawIndicator(painter, box, cell.buttonCheck->checkState(), option.palette,
                            option.state & QStyle::State_Enabled);

    const QRect iconRect(box.right() + 1 + kGap, r.top() + (r.height() - kIconSize) / 2, kIconSize,
                         kIconSize);
    cell.iconApp->image().paint(painter, iconRect);

    const QRect textRect(iconRect.right() + 1 + kGap, r.top(), r.right() - iconRect.right() - 2 * kGap,
                         r.height());
    painter->setFont(option.font);
    painter->setPen(option.palette.color(
        option.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled, QPalette::Text));
    const QString name =
        option.fontMetrics.elidedText(cell.title1->text(), Qt::ElideMiddle, textRect.width());
    painter->drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft, name);
    painter->restore();
}

bool AppCellDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) {
    if (!index.isValid() || !(option.state & QStyle::State_Enabled)) return false;
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            pressedRow_ = index.row();
            return true;
        }
        case QEvent::MouseButtonRelease: {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton) return false;
            const bool same = pressedRow_ == index.row() && option.rect.contains(mouse->position().toPoint());
            pressedRow_ = -1;
            if (same) toggleRow(index.row());
            return true;
        }
        case QEvent::MouseButtonDblClick: return true;
        case QEvent::KeyPress: {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key != Qt::Key_Space && key != Qt::Key_Select) return false;
            toggleRow(index.row());
            return true;
        }
        default: return false;
    }
}

void AppCellDelegate::toggleRow(int row) {
    if (fill_) fill_(*cell_, row);
    cell_->buttonCheck->click();
}

}  // namespace lendmode
