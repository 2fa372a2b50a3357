#include "platform/qt/TrayStatusItem.h"

#include <QPainter>

namespace platform::qt {

QIcon drawnForTray(const QIcon& image) {
    if (!image.isMask()) return image;
    QIcon tinted;
    for (const QSize& size : image.availableSizes()) {
        QPixmap pixmap = image.pixmap(size);
        QPainter painter(&pixmap);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(pixmap.rect(), QColor(0x8E, 0x8E, 0x93));
        painter.end();
        tinted.addPixmap(pixmap);
    }
    return tinted;
}

TrayStatusItem::TrayStatusItem(QObject* parent) : StatusItem(parent) {
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        // Every press is a click, as on a menu bar item: the second of two quick
        // presses arrives as a double click (even when the first closed the popover
        // and never reached the icon), and must toggle the popover too.
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context ||
            reason == QSystemTrayIcon::DoubleClick) {
            emit clicked();
        }
    });
    setTitle(QString());
    setToolTip(QStringLiteral("Lendmode"));
}

void TrayStatusItem::setImage(const QIcon& image) {
    tray_.setIcon(drawnForTray(image));
    // Without a tray (a bare X server, the offscreen platform) there is nothing to show.
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_.show();
}

void TrayStatusItem::setTitle(const QString& title) {
    title_ = title;
}

void TrayStatusItem::setToolTip(const QString& text) {
    tray_.setToolTip(text);
}

QRect TrayStatusItem::anchorRect() const {
    return tray_.geometry();
}

}  // namespace platform::qt
