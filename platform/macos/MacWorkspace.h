// The workspace on macOS: application launches announced by NSWorkspace, applications
// that appear in its list of running ones, icons from the system, bundle identifiers,
// and ending an application by its process id.
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
    QString bundleIdentifierOfBundle(const QString& path) override;

private:
    void announceLaunch(const QVariantMap& userInfo);
    void announceRunning(const QVariantMap& userInfo);

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::macos
