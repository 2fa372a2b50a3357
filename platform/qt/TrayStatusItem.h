// The status item as a system-tray icon. A tray cannot show a title beside its icon,
// so the tooltip says it all and the two images must differ clearly.
#pragma once

#include <QSystemTrayIcon>

#include "platform/StatusItem.h"

namespace platform::qt {

// What the tray shows for an image: a mask (QIcon::isMask, drawn by a menu bar in its
// own colour) in the grey a menu bar's inactive item has, which reads on light and dark
// panels alike, since a tray does not say its colour; any other image as it is.
QIcon drawnForTray(const QIcon& image);

class TrayStatusItem : public StatusItem {
    Q_OBJECT
public:
    explicit TrayStatusItem(QObject* parent = nullptr);
    void setImage(const QIcon& image) override;
    void setTitle(const QString& title) override;
    QString title() const override { return title_; }
    void setToolTip(const QString& text) override;
    QRect anchorRect() const override;
    // The popup's pointer grab takes the press that closes it.
    bool receivesPopupClosingClick() const override { return false; }

private:
    QSystemTrayIcon tray_;
    QString title_;
};

}  // namespace platform::qt
