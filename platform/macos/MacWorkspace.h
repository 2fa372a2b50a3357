// The workspace on macOS: application launches announced by NSWorkspace, icons from
// the system, and ending an application by its process id.
#pragma once

#include <memory>

#include "platform/Workspace.h"

namespace platform::macos {

// No Q_OBJECT: it adds no signals, slots or properties to its port's.
class MacWorkspace : public platform::qt::Workspace {
public:
    explicit MacWorkspace(QObject* parent = nullptr);
    ~MacWorkspace() override;
    QIcon iconForFile(const QString& path) override;
    bool terminateApplication(qint64 pid) override;

private:
    void announceLaunch(const QVariantMap& userInfo);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::macos
