// Port: the workspace, which announces applications about to start and gives the
// icon of an application bundle.
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

signals:
    // An application is about to start. The user information carries
    // "NSApplicationPath", "NSApplicationName", "NSApplicationBundleIdentifier" and
    // "NSApplicationProcessIdentifier". Delivered on the main thread.
    void willLaunchApplication(const QVariantMap& userInfo);
};

}  // namespace platform::qt
