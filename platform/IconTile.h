// The tile a placeholder application icon is drawn on, for the workspaces that draw
// their applications' icons and for the windows when a workspace gives none: 64
// pixels, transparent, with a rounded square `inset` pixels in from each edge (corners
// of `radius`) shaded from `top` to `bottom`. The caller paints its mark on it.
#pragma once

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRectF>

namespace platform::qt {

inline QPixmap applicationIconTile(const QColor& top, const QColor& bottom, qreal inset, qreal radius) {
    constexpr int side = 64;
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 0, side);
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    QPainterPath shape;
    shape.addRoundedRect(QRectF(inset, inset, side - 2 * inset, side - 2 * inset), radius, radius);
    p.fillPath(shape, gradient);
    p.end();
    return pixmap;
}

}  // namespace platform::qt
