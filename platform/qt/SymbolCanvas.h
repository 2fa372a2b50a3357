// The blank square the alerts and the password dialog draw their symbol on: 56 points,
// transparent, at the screen's pixel ratio so that the symbol stays sharp.
#pragma once

#include <QPixmap>

namespace platform::qt {

inline QPixmap symbolCanvas(qreal pixelRatio) {
    constexpr int side = 56;
    QPixmap pixmap(QSize(side, side) * pixelRatio);
    pixmap.setDevicePixelRatio(pixelRatio);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

}  // namespace platform::qt
