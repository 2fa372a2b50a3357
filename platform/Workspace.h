// Port: the workspace, which announces applications about to start, gives the icon
// of an application bundle and ends a running application.
#pragma once

#include <QIcon>
#include <QObject>
#include <QString>
#include <QVariantMap>

namespace platform::qt {

class Workspace : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~Workspace() override = default;
    // The icon of the file or bundle at a path (a generic one when there is none).
    virtual QIcon iconForFile(const QString& path) = 0;
    // Ends the application with this process id at once if it still runs (on macOS,
    // NSRunningApplication's forceTerminate). True when it was ended; false when no
    // such application runs or it could not be ended. The default, for workspaces that
    // only announce launches and draw icons, ends nothing.
    virtual bool terminateApplication(qint64 pid) {
        Q_UNUSED(pid);
        return false;
    }

signals:
    // An application is about to start. The user information carries
    // "NSApplicationPath", "NSApplicationName", "NSApplicationBundleIdentifier" and
    // "NSApplicationProcessIdentifier". Delivered on the main thread.
    void willLaunchApplication(const QVariantMap& userInfo);
};

}  // namespace platform::qt
