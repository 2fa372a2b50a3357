// The simulated Mac's workspace: launches announced by its `open` tool arrive on a
// datagram socket, watched by the Qt event loop; the running processes are watched
// through the folder of the state file, for the applications (agents among them) that
// appear without an announcement; application icons are drawn from the application's
// name, as the simulated bundles have no icon files; ending an application ends its
// simulated process.
#pragma once

#include <QFileSystemWatcher>
#include <QHash>
#include <QSocketNotifier>
#include <memory>
#include <set>

#include "platform/Workspace.h"
#include "sim/LaunchAnnouncer.h"
#include "sim/SimMac.h"

namespace platform::qt {

class SimWorkspace : public Workspace {
    Q_OBJECT
public:
    // Listens in this simulated Mac's run directory and ends its processes.
    explicit SimWorkspace(const sim::SimMac& mac, QObject* parent = nullptr);
    QIcon iconForFile(const QString& path) override;
    bool terminateApplication(qint64 pid) override;
    QString bundleIdentifierOfBundle(const QString& path) override;
    bool isListening() const { return listener_.isListening(); }

private:
    void readAnnouncements();
    // Emits applicationRunning for each application process that appeared since the
    // last look.
    void lookAtProcesses();

    sim::SimMac mac_;
    sim::LaunchListener listener_;
    std::unique_ptr<QSocketNotifier> notifier_;
    QHash<QString, QIcon> icons_;
    QFileSystemWatcher stateWatcher_;
    std::set<long> seenPids_;
    QHash<QString, QString> identifiers_;  // bundle path -> identifier, from the catalogue
};

// The icon drawn for a bundle path: a rounded square in a colour picked by the name,
// with the name's first letter.
QIcon drawnApplicationIcon(const QString& bundlePath);

}  // namespace platform::qt
