#include "app/Popover.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleHints>
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

QRect Popover::placement(const QRect& anchor, const QSize& wanted, int minimumHeight,
                         const QRect& available) {
    constexpr int gap = 4;
    int x = 0;
    int top = 0;
    int height = wanted.height();
    if (anchor.isEmpty()) {
        x = available.right() - wanted.width() - 8;
        top = available.top() + gap;
        height = std::min(height, available.bottom() + 1 - top);
    } else {
        x = anchor.center().x() - wanted.width() / 2;
        const bool opensUpwards = anchor.center().y() > available.center().y();
        const int room = opensUpwards ? anchor.top() - gap - available.top()
                                      : available.bottom() + 1 - (anchor.bottom() + 1 + gap);
        height = std::min(height, room);
        top = opensUpwards ? anchor.top() - gap - std::max(height, minimumHeight) : anchor.bottom() + 1 + gap;
    }
    height = std::max(height, minimumHeight);
    x = std::clamp(x, available.left(), std::max(available.left(), available.right() + 1 - wanted.width()));
    return {x, top, wanted.width(), height};
}

void Popover::showRelativeToRect(const QRect& anchor) {
    QScreen* screen =
        anchor.isEmpty() ? QGuiApplication::primaryScreen() : QGuiApplication::screenAt(anchor.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1280, 800);
    // Laid out at its natural size first; then cut to the room there is, which the
    // application list gives up first.
    setMinimumHeight(0);
    setMaximumHeight(QWIDGETSIZE_MAX);
    adjustSize();
    const QRect at = placement(anchor, sizeHint(), minimumSizeHint().height(), available);
    setFixedHeight(at.height());
    resize(at.width(), at.height());
    move(at.topLeft());
    show();
    raise();
    activateWindow();
}

bool Popover::takeClosedByClickOn(const QRect& anchor) {
    const std::optional<QPoint> at = closedByPressAt_;
    closedByPressAt_.reset();
    // The item's own click comes with the release of the press that closed the popup.
    return at && anchor.contains(*at) &&
           sinceClosed_.elapsed() < QGuiApplication::styleHints()->mouseDoubleClickInterval();
}

void Popover::hideEvent(QHideEvent* event) {
    // Closed by a mouse press (outside the popup), or by the program (a flag change).
    closedByPressAt_.reset();
    if (QGuiApplication::mouseButtons() != Qt::NoButton) closedByPressAt_ = QCursor::pos();
    sinceClosed_.start();
    QFrame::hideEvent(event);
}

}  // namespace lendmode
