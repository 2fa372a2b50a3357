// Port: the status item in the menu bar (the system tray on Linux).
#pragma once

#include <QIcon>
#include <QObject>
#include <QRect>
#include <QString>

namespace platform::qt {

class StatusItem : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~StatusItem() override = default;
    virtual void setImage(const QIcon& image) = 0;
    // Shown beside the image where the platform can (a tray has no room for it).
    virtual void setTitle(const QString& title) = 0;
    virtual QString title() const = 0;
    // What the item says when the pointer rests on it ("Lendmode is off").
    virtual void setToolTip(const QString& text) = 0;
    // Where the item is on screen, to place the popover under it; empty if unknown.
    virtual QRect anchorRect() const = 0;
    // Whether a click on the item that closes an open popup also reaches the item as
    // a click of its own (a native menu-bar item), or is taken by the popup (a tray
    // icon in another program's panel, behind the popup's pointer grab).
    virtual bool receivesPopupClosingClick() const { return true; }

signals:
    void clicked();
};

}  // namespace platform::qt
