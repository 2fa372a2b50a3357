#include "ui/CheckBox.h"

#include <QPainter>
#include <QPainterPath>

#include "ui/NamedColor.h"

namespace lendmode {

CheckBox::CheckBox(QWidget* parent) : QCheckBox(parent) {
    setCursor(Qt::PointingHandCursor);
}

CheckBox::CheckBox(const QString& text, QWidget* parent) : CheckBox(parent) {
    setText(text);
}

QSize CheckBox::sizeHint() const {
    const QFontMetrics fm(font());
    const int textWidth = text().isEmpty() ? 0 : kSpacing + fm.horizontalAdvance(text());
    return {kIndicatorSize + textWidth + 2, std::max(kIndicatorSize + 6, fm.height() + 4)};
}

QRect CheckBox::indicatorRect() const {
    return {1, (height() - kIndicatorSize) / 2, kIndicatorSize, kIndicatorSize};
}

bool CheckBox::hitButton(const QPoint& pos) const {
    // The box and its title, as drawn.
    return QRect(0, 0, std::min(width(), sizeHint().width()), height()).contains(pos);
}

void CheckBox::drawIndicator(QPainter* p, const QRectF& rect, Qt::CheckState state, const QPalette& palette,
                             bool enabled, bool pressed) {
    p->save();
    p->setRenderHint(QPainter::Antialiasing);
    if (!enabled) p->setOpacity(0.45);
    const bool dark = ui::isDark(palette);
    QPainterPath box;
    box.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), 3.5, 3.5);
    if (state == Qt::Unchecked) {
        p->fillPath(box, dark ? QColor(255, 255, 255, pressed ? 40 : 18)
                              : (pressed ? QColor(0xE4, 0xE4, 0xE8) : Qt::white));
        QColor border = palette.color(QPalette::WindowText);
        border.setAlphaF(dark ? 0.45f : 0.32f);
        p->setPen(QPen(border, 1));
        p->drawPath(box);
    } else {
        QColor accent = palette.color(QPalette::Highlight);
        if (pressed) accent = accent.darker(115);
        p->fillPath(box, accent);
        QPen mark(Qt::white, 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
        p->setPen(mark);
        const qreal s = rect.width();
        const QPointF o = rect.topLeft();
        if (state == Qt::Checked) {
            QPainterPath tick;
            tick.moveTo(o + QPointF(s * 0.24, s * 0.52));
            tick.lineTo(o + QPointF(s * 0.43, s * 0.71));
            tick.lineTo(o + QPointF(s * 0.77, s * 0.30));
            p->drawPath(tick);
        } else {
            p->drawLine(o + QPointF(s * 0.27, s * 0.5), o + QPointF(s * 0.73, s * 0.5));
        }
    }
    p->restore();
}

void CheckBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRect indicator = indicatorRect();
    drawIndicator(&p, indicator, checkState(), palette(), isEnabled(), isDown());
    if (!text().isEmpty()) {
        p.setPen(palette().color(isEnabled() ? QPalette::Normal : QPalette::Disabled, QPalette::WindowText));
        p.drawText(
            QRect(indicator.right() + 1 + kSpacing, 0, width() - indicator.right() - kSpacing, height()),
            Qt::AlignVCenter | Qt::AlignLeft, text());
    }
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.6f);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(ring, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(indicator).adjusted(-1.5, -1.5, 1.5, 1.5), 4.5, 4.5);
    }
}

}  // namespace lendmode
