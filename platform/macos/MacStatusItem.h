// The status item as a native NSStatusItem in the menu bar: its image with the title
// beside it, a click reported as clicked(), and the button's place on screen.
#pragma once

#include <memory>

#include "platform/StatusItem.h"

namespace platform::macos {

// No Q_OBJECT: it adds no signals, slots or properties to its port's.
class MacStatusItem : public platform::qt::StatusItem {
public:
    explicit MacStatusItem(QObject* parent = nullptr);
    ~MacStatusItem() override;
    void setImage(const QIcon& image) override;
    void setToolTip(const QString& text) override;
    void setTitle(const QString& title) override;
    QString title() const override;
    QRect anchorRect() const override;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::macos
