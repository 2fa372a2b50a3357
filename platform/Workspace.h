// Port: the workspace, which announces applications about to start and those that
// appear among the running ones, gives the icon and identifier of an application
// bundle and ends a running application.
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
    // The bundle identifier of the application bundle at a path ("" when it has none or
    // cannot be read): a renamed copy of an application keeps its identifier.
    virtual QString bundleIdentifierOfBundle(const QString& path) {
        Q_UNUSED(path);
        return {};
    }

signals:
    // An application is about to start. The user information carries
    // "NSApplicationPath", "NSApplicationName", "NSApplicationBundleIdentifier" and
    // "NSApplicationProcessIdentifier". Delivered on the main thread.
    void willLaunchApplication(const QVariantMap& userInfo);
    // An application appeared in the list of running applications, with the same user
    // information. Agents (LSUIElement) and background applications, which are never
    // announced as launching, come only this way; others may come both ways.
    void applicationRunning(const QVariantMap& userInfo);
};

}  // namespace platform::qt
