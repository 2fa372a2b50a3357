#include "platform/sim/SimWorkspace.h"

#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <cerrno>
#include <exception>

#include "base/Log.h"
#include "platform/IconTile.h"

namespace platform::qt {
namespace {

QVariant toVariant(const plist::Value& v) {
    switch (v.type()) {
        case plist::Value::Type::String: return QString::fromStdString(*v.asString());
        case plist::Value::Type::Integer: return QVariant::fromValue<qlonglong>(v.integer());
        case plist::Value::Type::Real: return v.real();
        case plist::Value::Type::Boolean: return v.boolean();
        default: return {};
    }
}

}  // namespace

SimWorkspace::SimWorkspace(const sim::SimMac& mac, QObject* parent)
    : Workspace(parent), mac_(mac), listener_(mac.runDirectory()) {
    // Every change of the state file replaces it in its folder, which the watch sees.
    for (const sim::Process& p : mac_.processes()) seenPids_.insert(p.pid);
    stateWatcher_.addPath(QString::fromStdString(mac_.root() + "/system"));
    connect(&stateWatcher_, &QFileSystemWatcher::directoryChanged, this, [this] { lookAtProcesses(); });
    if (!listener_.isListening()) return;
    notifier_ = std::make_unique<QSocketNotifier>(listener_.fd(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] { readAnnouncements(); });
}

void SimWorkspace::readAnnouncements() {
    while (auto info = listener_.receive()) {
        QVariantMap userInfo;
        for (const auto& [key, value] : *info) userInfo.insert(QString::fromStdString(key), toVariant(value));
        emit willLaunchApplication(userInfo);
    }
}

void SimWorkspace::lookAtProcesses() {
    std::vector<sim::Process> processes;
    try {
        processes = mac_.processes();
    } catch (const std::exception& e) {
        lendmode::log::error(std::string("could not read the running processes: ") + e.what());
        return;
    }
    std::set<long> now;
    for (const sim::Process& p : processes) {
        now.insert(p.pid);
        if (seenPids_.count(p.pid) || p.path.empty()) continue;
        const QString path = QString::fromStdString(p.path);
        emit applicationRunning({
            {QStringLiteral("NSApplicationPath"), path},
            {QStringLiteral("NSApplicationName"), QString::fromStdString(p.name)},
            {QStringLiteral("NSApplicationBundleIdentifier"), bundleIdentifierOfBundle(path)},
            {QStringLiteral("NSApplicationProcessIdentifier"), QVariant::fromValue<qlonglong>(p.pid)},
        });
    }
    seenPids_ = std::move(now);
}

QString SimWorkspace::bundleIdentifierOfBundle(const QString& path) {
    auto it = identifiers_.find(path);
    if (it == identifiers_.end()) {
        // Read once, and again for a bundle added since.
        identifiers_.clear();
        try {
            for (const sim::App& app : mac_.catalogue())
                identifiers_.insert(QString::fromStdString(app.path),
                                    QString::fromStdString(app.bundleIdentifier));
        } catch (const std::exception& e) {
            lendmode::log::error(std::string("could not read the applications: ") + e.what());
        }
        it = identifiers_.find(path);
        if (it == identifiers_.end()) return {};
    }
    return *it;
}

bool SimWorkspace::terminateApplication(qint64 pid) {
    const std::optional<bool> ended = mac_.terminate(static_cast<long>(pid));
    if (!ended) lendmode::log::error(sim::cannotUpdateMessage("ending an application", mac_, errno));
    return ended.value_or(false);
}

QIcon SimWorkspace::iconForFile(const QString& path) {
    auto it = icons_.find(path);
    if (it == icons_.end()) it = icons_.insert(path, drawnApplicationIcon(path));
    return *it;
}

QIcon drawnApplicationIcon(const QString& bundlePath) {
    const QString name = QFileInfo(bundlePath).completeBaseName();
    const QColor colors[] = {QColor(0x0A, 0x84, 0xFF), QColor(0x30, 0xD1, 0x58), QColor(0xFF, 0x9F, 0x0A),
                             QColor(0xFF, 0x45, 0x3A), QColor(0xBF, 0x5A, 0xF2), QColor(0x64, 0xD2, 0xFF),
                             QColor(0xFF, 0x37, 0x5F), QColor(0x8E, 0x8E, 0x93)};
    const QColor color = colors[qHash(name) % (sizeof colors / sizeof colors[0])];
    QPixmap pixmap = applicationIconTile(color.lighter(125), color, 3, 14);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(30);
    font.setBold(true);
    p.setFont(font);
    const QString letter = name.isEmpty() ? QStringLiteral("?") : name.left(1).toUpper();
    p.drawText(pixmap.rect(), Qt::AlignCenter, letter);
    p.end();
    return QIcon(pixmap);
}

}  // namespace platform::qt
