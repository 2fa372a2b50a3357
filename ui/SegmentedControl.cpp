#include "ui/SegmentedControl.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "ui/NamedColor.h"

namespace lendmode {

using ui::isDark;
using ui::NamedColor;
namespace {
constexpr qreal kRadius = 6.0;
constexpr int kPadding = 14;
}  // namespace

SegmentedControl::SegmentedControl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setCursor(Qt::PointingHandCursor);
}

void SegmentedControl::setSegmentCount(int count) {
    count = std::max(0, count);
    while (labels_.size() < count) labels_.append(QString());
    while (labels_.size() > count) labels_.removeLast();
    if (selected_ >= count) selected_ = -1;
    updateGeometry();
    update();
}

void SegmentedControl::setLabels(const QStringList& labels) {
    labels_ = labels;
    if (selected_ >= segmentCount()) selected_ = -1;
    updateGeometry();
    update();
}

QString SegmentedControl::label(int segment) const {
    return segment >= 0 && segment < segmentCount() ? labels_[segment] : QString();
}

void SegmentedControl::setLabel(const QString& label, int segment) {
    if (segment < 0 || segment >= segmentCount()) return;
    labels_[segment] = label;
    updateGeometry();
    update();
}

void SegmentedControl::setSelectedSegment(int segment) {
    if (segment < -1 || segment >= segmentCount()) return;
    selected_ = segment;
    update();
}

void SegmentedControl::setSelected(bool selected, int segment) {
    if (segment < 0 || segment >= segmentCount()) return;
    if (selected) {
        selected_ = segment;
    } else if (selected_ == segment) {
        selected_ = -1;
    }
    update();
}

QSize SegmentedControl::sizeHint() const {
    const QFontMetrics fm(font());
    int widest = 0;
    for (const QString& l : labels_) widest = std::max(widest, fm.horizontalAdvance(l));
    return {std::max(1, segmentCount()) * (widest + 2 * kPadding) + 4, std::max(26, fm.height() + 10)};
}

QSize SegmentedControl::minimumSizeHint() const {
    return sizeHint();
}

QRectF SegmentedControl::segmentRect(int segment) const {
    const QRectF inner = QRectF(rect()).adjusted(2, 2, -2, -2);
    const int n = std::max(1, segmentCount());
    const qreal w = inner.width() / n;
    return {inner.left() + segment * w, inner.top(), w, inner.height()};
}

int SegmentedControl::segmentAt(const QPoint& point) const {
    for (int i = 0; i < segmentCount(); ++i) {
        if (segmentRect(i).contains(point)) return i;
    }
    return -1;
}

void SegmentedControl::choose(int segment) {
    if (segment < 0 || segment >= segmentCount()) return;
    selected_ = segment;
    update();
    emit activated(segment);
}

void SegmentedControl::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled()) p.setOpacity(0.5);
    const bool dark = isDark(palette());
    const QColor track = dark ? QColor(255, 255, 255, 26) : QColor(0, 0, 0, 18);
    const QColor knob = dark ? QColor(0x63, 0x63, 0x66) : QColor(Qt::white);
    const QColor divider = dark ? QColor(255, 255, 255, 40) : QColor(0, 0, 0, 38);

    QPainterPath outer;
    outer.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kRadius, kRadius);
    p.fillPath(outer, track);

    for (int i = 1; i < segmentCount(); ++i) {
        if (i == selected_ || i - 1 == selected_) continue;
        const QRectF r = segmentRect(i);
        p.setPen(QPen(divider, 1));
        p.drawLine(QPointF(r.left(), r.top() + 5), QPointF(r.left(), r.bottom() - 5));
    }
    if (selected_ >= 0) {
        const QRectF r = segmentRect(selected_);
        QPainterPath shadow;
        shadow.addRoundedRect(r.translated(0, 0.5), kRadius - 1.5, kRadius - 1.5);
        p.fillPath(shadow, QColor(0, 0, 0, dark ? 70 : 30));
        QPainterPath pill;
        pill.addRoundedRect(r, kRadius - 1.5, kRadius - 1.5);
        p.fillPath(pill, knob);
    }
    for (int i = 0; i < segmentCount(); ++i) {
        QRectF r = segmentRect(i);
        if (i == pressed_ && i != selected_) {
            QPainterPath hit;
            hit.addRoundedRect(r, kRadius - 1.5, kRadius - 1.5);
            p.fillPath(hit, dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 14));
        }
        QFont f = font();
        if (i == selected_) f.setWeight(QFont::DemiBold);
        p.setFont(f);
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(r.adjusted(4, 0, -4, 0), Qt::AlignCenter,
                   QFontMetrics(f).elidedText(labels_[i], Qt::ElideRight, qRound(r.width()) - 8));
    }
    if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
        QColor ring = palette().color(QPalette::Highlight);
        ring.setAlphaF(0.6f);
        p.setPen(QPen(ring, 1.5));
        p.setBrush(Qt::NoBrush);
        p.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), kRadius, kRadius);
    }
}

void SegmentedControl::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = segmentAt(event->position().toPoint());
    update();
}

void SegmentedControl::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const int segment = segmentAt(event->position().toPoint());
    const int pressed = pressed_;
    pressed_ = -1;
    update();
    if (segment >= 0 && segment == pressed) choose(segment);
}

void SegmentedControl::keyPressEvent(QKeyEvent* event) {
    int target = selected_;
    switch (event->key()) {
        case Qt::Key_Left: target = selected_ < 0 ? 0 : std::max(0, selected_ - 1); break;
        case Qt::Key_Right: target = std::min(segmentCount() - 1, selected_ + 1); break;
        default: QWidget::keyPressEvent(event); return;
    }
    if (target != selected_) choose(target);
}

}  // namespace lendmode
