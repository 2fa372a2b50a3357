#include "ui/ButtonYellow.h"

#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include "ui/NamedColor.h"

namespace lendmode {

using ui::isDark;
using ui::NamedColor;
namespace {

// A rectangle whose masked corners are curved and the others square.
QPainterPath cornerPath(const QRectF& r, qreal radius, int mask) {
    const qreal d = 2 * radius;
    QPainterPath path;
    if (mask & ButtonYellow::MinXMinY) {
        path.moveTo(r.left(), r.top() + radius);
        path.arcTo(QRectF(r.left(), r.top(), d, d), 180, -90);
    } else {
        path.moveTo(r.topLeft());
    }
    if (mask & ButtonYellow::MaxXMinY) {
        path.lineTo(r.right() - radius, r.top());
        path.arcTo(QRectF(r.right() - d, r.top(), d, d), 90, -90);
    } else {
        path.lineTo(r.topRight());
    }
    if (mask & ButtonYellow::MaxXMaxY) {
        path.lineTo(r.right(), r.bottom() - radius);
        path.arcTo(QRectF(r.right() - d, r.bottom() - d, d, d), 0, -90);
    } else {
        path.lineTo(r.bottomRight());
    }
    if (mask & ButtonYellow::MinXMaxY) {
        path.lineTo(r.left() + radius, r.bottom());
        path.arcTo(QRectF(r.left(), r.bottom() - d, d, d), 270, -90);
    } else {
        path.lineTo(r.bottomLeft());
    }
    path.closeSubpath();
    return path;
}

}  // namespace

ButtonYellow::ButtonYellow(QWidget* parent) : QAbstractButton(parent) {
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAttribute(Qt::WA_Hover);
}

ButtonYellow::ButtonYellow(const QString& title, QWidget* parent) : ButtonYellow(parent) {
    setText(title);
}

void ButtonYellow::setTag(int tag) {
    if (tag_ == tag) return;
    tag_ = tag;
    update();
}

void ButtonYellow::setState(Qt::CheckState state) {
    if (state_ == state) return;
    state_ = state;
    update();
}

void ButtonYellow::setTitleColor(const QColor& color) {
    if (titleColor_ == color) return;
    titleColor_ = color;
    update();
}

int ButtonYellow::maskedCorners() const {
    return tag_ == 1 ? (MinXMinY | MinXMaxY) : (MaxXMinY | MaxXMaxY);
}

QColor ButtonYellow::backgroundColor() const {
    return NamedColor::get(state_ == Qt::Checked ? u"ButtonYellowON" : u"ButtonYellowOFF", this);
}

QSize ButtonYellow::sizeHint() const {
    const QFontMetrics fm(font());
    return {std::max(64, fm.horizontalAdvance(text()) + 28), std::max(28, fm.height() + 12)};
}

QSize ButtonYellow::minimumSizeHint() const {
    const QFontMetrics fm(font());
    return {fm.horizontalAdvance(text()) + 16, std::max(24, fm.height() + 8)};
}

void ButtonYellow::paintEvent(QPaintEvent*) {
    const bool on = state_ == Qt::Checked;
    // The title takes the colour of the state before it is drawn.
    titleColor_ = NamedColor::get(on ? u"ButtonYellowTextON" : u"ButtonYellowTextOFF", this);

    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.55);

    const qreal half = kBorderWidth / 2;
    const QRectF frame = QRectF(rect()).adjusted(half, half, -half, -half);
    const QPainterPath shape = cornerPath(frame, kCornerRadius, maskedCorners());
    QColor fill = backgroundColor();
    if (isDown()) {
        fill = fill.darker(112);
    } else if (!on && underMouse() && isEnabled()) {
        fill = isDark(palette()) ? fill.lighter(115) : fill.darker(104);
    }
    p.fillPath(shape, fill);
    // Mitred, so that the square corners are as sharp as the neighbouring half's.
    p.setPen(QPen(NamedColor::get(u"ButtonYellowBorder", this), kBorderWidth, Qt::SolidLine, Qt::FlatCap,
                  Qt::MiterJoin));
    p.drawPath(shape);

    QFont f = font();
    f.setWeight(on ? QFont::DemiBold : QFont::Medium);
    p.setFont(f);
    p.setPen(titleColor_);
    const QString title = QFontMetrics(f).elidedText(text(), Qt::ElideRight, width() - 12);
    p.drawText(rect(), Qt::AlignCenter, title);

    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.6f);
        p.setPen(QPen(ring, 2));
        p.setBrush(Qt::NoBrush);
        p.drawPath(cornerPath(QRectF(rect()).adjusted(2, 2, -2, -2), kCornerRadius - 2, maskedCorners()));
    }
}

}  // namespace lendmode
