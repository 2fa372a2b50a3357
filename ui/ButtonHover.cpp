#include "ui/ButtonHover.h"

#include <QEnterEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/NamedColor.h"

namespace lendmode {

using ui::isDark;
using ui::NamedColor;

ButtonHover::ButtonHover(QWidget* parent) : QAbstractButton(parent) {
    setMouseTracking(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

ButtonHover::ButtonHover(const QString& title, QWidget* parent) : ButtonHover(parent) {
    setText(title);
}

void ButtonHover::mouseEntered() {
    if (highlighted_) return;
    highlighted_ = true;
    update();
}

void ButtonHover::mouseExited() {
    if (!highlighted_) return;
    highlighted_ = false;
    update();
}

QColor ButtonHover::backgroundColor() const {
    return highlighted_ ? NamedColor::get(u"HighliteButtonColor", this) : QColor(Qt::transparent);
}

QColor ButtonHover::contentTintColor() const {
    return highlighted_ ? NamedColor::get(u"HighliteTextColor", this) : palette().color(QPalette::ButtonText);
}

void ButtonHover::setShortcutText(const QString& text) {
    shortcutText_ = text;
    updateGeometry();
    update();
}

namespace {

constexpr int kSideMargin = 10;

int checkColumnWidth(const QFontMetrics& fm) {
    return fm.horizontalAdvance(QStringLiteral("✓")) + 8;
}

}  // namespace

void ButtonHover::setReservesCheckColumn(bool reserves) {
    reservesCheckColumn_ = reserves;
    updateGeometry();
    update();
}

QRect ButtonHover::titleRect() const {
    QRect content = rect().adjusted(kSideMargin, 0, -kSideMargin, 0);
    if (reservesCheckColumn_) content.setLeft(content.left() + checkColumnWidth(fontMetrics()));
    return content;
}

QSize ButtonHover::sizeHint() const {
    const QFontMetrics fm(font());
    int w = fm.horizontalAdvance(text()) + 24;
    if (reservesCheckColumn_) w += checkColumnWidth(fm);
    if (!shortcutText_.isEmpty()) w += fm.horizontalAdvance(shortcutText_) + 24;
    return {w, std::max(26, fm.height() + 10)};
}

int ButtonHover::heightForWidth(int width) const {
    // A long title wraps, as in a narrow menu, rather than being cut off.
    const QFontMetrics fm(font());
    int titleWidth = width - 2 * kSideMargin;
    if (reservesCheckColumn_) titleWidth -= checkColumnWidth(fm);
    if (!shortcutText_.isEmpty()) titleWidth -= fm.horizontalAdvance(shortcutText_) + 24;
    const QRect bounds = fm.boundingRect(QRect(0, 0, std::max(titleWidth, 1), 0), Qt::TextWordWrap, text());
    return std::max(26, bounds.height() + 10);
}

void ButtonHover::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor background = backgroundColor();
    if (background.alpha() > 0) {
        QPainterPath shape;
        shape.addRoundedRect(QRectF(rect()), 5, 5);
        p.fillPath(shape, isDown() ? background.darker(115) : background);
    }
    QColor tint = contentTintColor();
    if (!isEnabled()) tint = palette().color(QPalette::Disabled, QPalette::ButtonText);
    const QRect content = rect().adjusted(kSideMargin, 0, -kSideMargin, 0);
    p.setPen(tint);
    if (reservesCheckColumn_ && isCheckable() && isChecked()) {
        p.drawText(content, Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("✓"));
    }
    p.drawText(titleRect(), Qt::AlignVCenter | Qt::AlignLeft | Qt::TextWordWrap, text());
    if (!shortcutText_.isEmpty()) {
        QColor hint = highlighted_ ? tint : palette().color(QPalette::PlaceholderText);
        p.setPen(hint);
        p.drawText(content, Qt::AlignVCenter | Qt::AlignRight, shortcutText_);
    }
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange) && !highlighted_) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.6f);
        p.setPen(QPen(ring, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
    }
    // The hover region is made once, from the first drawing's rectangle.
    if (!trackingArea_) {
        trackingArea_ = event->rect();
        if (underMouse()) track(mapFromGlobal(QCursor::pos()));
    }
}

void ButtonHover::track(const QPoint& position) {
    if (!trackingArea_) return;
    const bool inside = trackingArea_->contains(position);
    if (inside && !highlighted_) mouseEntered();
    if (!inside && highlighted_) mouseExited();
}

void ButtonHover::enterEvent(QEnterEvent* event) {
    QAbstractButton::enterEvent(event);
    track(event->position().toPoint());
}

void ButtonHover::leaveEvent(QEvent* event) {
    QAbstractButton::leaveEvent(event);
    if (highlighted_) mouseExited();
}

void ButtonHover::mouseMoveEvent(QMouseEvent* event) {
    QAbstractButton::mouseMoveEvent(event);
    track(event->position().toPoint());
}

void ButtonHover::hideEvent(QHideEvent* event) {
    QAbstractButton::hideEvent(event);
    // A popover that closes under the pointer must not open highlighted.
    mouseExited();
}

}  // namespace lendmode
