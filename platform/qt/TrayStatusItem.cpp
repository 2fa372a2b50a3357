#include "platform/qt/TrayStatusItem.h"

namespace platform::qt {

TrayStatusItem::TrayStatusItem(QObject* parent) : StatusItem(parent) {
    connect(&tray_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context) emit clicked();
    });
    setTitle(QString());
}

void TrayStatusItem::setImage(const QIcon& image) {
    tray_.setIcon(image);
    // Without a tray (a bare X server, the offscreen platform) there is nothing to show.
    if (QSystemTrayIcon::isSystemTrayAvailable()) tray_.show();
}

void TrayStatusItem::setTitle(const QString& title) {
    title_ = title;
    tray_.setToolTip(title.isEmpty() ? QStringLiteral("Lendmode is off") : title + QStringLiteral(" is on"));
}

QRect TrayStatusItem::anchorRect() const {
    return tray_.geometry();
}

}  // namespace platform::qt
