#include "app/Popover.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace lendmode {

Popover::Popover(QWidget* content, QWidget* parent) : QFrame(parent, Qt::Popup | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("popoverMain"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->addWidget(content);
}

QPoint Popover::placement(const QRect& anchor, const QSize& size, const QRect& available) {
    constexpr int gap = 4;
    QPoint at;
    if (anchor.isEmpty()) {
        at = QPoint(available.right() - size.width() - 8, available.top() + gap);
    } else {
        at = QPoint(anchor.center().x() - size.width() / 2, anchor.bottom() + 1 + gap);
        // A tray at the bottom of the screen: open upwards instead.
        if (at.y() + size.height() > available.bottom()) at.setY(anchor.top() - gap - size.height());
    }
    at.setX(std::clamp(at.x(), available.left(),
                       std::max(available.left(), available.right() + 1 - size.width())));
    at.setY(std::clamp(at.y(), available.top(),
                       std::max(available.top(), available.bottom() + 1 - size.height())));
    return at;
}

void Popover::showRelativeToRect(const QRect& anchor) {
    QScreen* screen =
        anchor.isEmpty() ? QGuiApplication::primaryScreen() : QGuiApplication::screenAt(anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    adjustSize();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    move(placement(anchor, sizeHint().expandedTo(size()), available));
    show();
    raise();
    activateWindow();
}

bool Popover::takeClosedByClickOn(const QRect& anchor) {
    const std::optional<QPoint> at = closedByPressAt_;
    closedByPressAt_.reset();
    return at && anchor.contains(*at) && sinceClosed_.elapsed() < 1000;
}

void Popover::hideEvent(QHideEvent* event) {
    // Closed by a mouse press (outside the popup), or by the program (a flag change).
    closedByPressAt_.reset();
    if (QGuiApplication::mouseButtons() != Qt::NoButton) closedByPressAt_ = QCursor::pos();
    sinceClosed_.start();
    QFrame::hideEvent(event);
}

}  // namespace lendmode
