#include "app/AppDelegate.h"

#include <QCoreApplication>
#include <algorithm>
#include <utility>

#include "app/Appearance.h"
#include "app/Popover.h"
#include "base/BundleName.h"
#include "base/Log.h"
#include "engine/CommandTexts.h"
#include "model/ApplicationRecord.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"
#include "ui/LaunchAtLoginChoice.h"
#include "ui/OwnerLock.h"
#include "ui/Resources.h"
#include "ui/ViewMainMenu.h"

namespace lendmode {
namespace {

using platform::qt::qtPorts;

constexpr const char* kAlertMessageFormat = "Launch %@";
constexpr const char* kAlertInformativeText =
    "This application is disabled during Lendmode. To open this app please either deselect it in Lendmode or "
    "turn "
    "off Lendmode.";
constexpr const char* kAlertButton = "I see";
constexpr const char* kStatusTitleOn = "Lendmode";

}  // namespace

AppDelegate::AppDelegate(QObject* parent) : AppDelegate(Services{}, parent) {}

AppDelegate::AppDelegate(Services services, QObject* parent)
    : QObject(parent), services_(std::move(services)) {
    if (!services_.terminate) services_.terminate = [] { QCoreApplication::quit(); };
}

AppDelegate::~AppDelegate() {
    NotificationCenter::defaultCenter().removeObserver(this);
    delete endingSoon_.data();
    // The popover and its view hold the settings; they go with the delegate.
    delete popoverMain.data();
}

void AppDelegate::applicationWillFinishLaunching() {
    if (window) window->close();
}

void AppDelegate::applicationDidFinishLaunching() {
    // 1. The shared settings; creating them switches Lendmode off in the store (after
    //    putting the owner's settings back if an earlier process could not).
    prefs = &Preferences::sharedPreferences();
    // 2. The Lendmode set from storage (or the defaults) and a fresh owner snapshot.
    prefs->readCurrentDefinitionSets();
    // 3. Every change of the flag, and a switch's start and end, refresh the status item.
    NotificationCenter::defaultCenter().addObserver(this, notifications::kLendmodeChanged, [this] {
        if (loanWatch_) loanWatch_->update();
        if (!prefs->lendmode() && endingSoon_) endingSoon_->close();
        createStatusBarMenu();
    });
    NotificationCenter::defaultCenter().addObserver(this, notifications::kSwitchProgress, [this] {
        const bool underWay = prefs->switchProgress().underWay();
        if (underWay != showsSwitch_) {
            showsSwitch_ = underWay;
            createStatusBarMenu();
        }
        if (underWay) return;
        if (loanWatch_) loanWatch_->update();  // a loan's time begins during the switch-on
        afterSwitch();
    });
    // 4. Application launches, for launch blocking.
    if (auto workspace = qtPorts().workspace) {
        connect(workspace.get(), &platform::qt::Workspace::willLaunchApplication, this,
                &AppDelegate::runOtherApp);
        // Agents and background applications are never announced: they are seen
        // among the running applications.
        connect(workspace.get(), &platform::qt::Workspace::applicationRunning, this,
                &AppDelegate::runOtherApp);
    }
    // 5. A loan for a while, gone on with after a restart: its time left, its warning a
    //    minute before the end, and its end.
    loanWatch_ = std::make_unique<LoanWatch>(*prefs);
    connect(loanWatch_.get(), &LoanWatch::timeLeftChanged, this, [this] {
        showStatus();
        if (viewMainMenu) viewMainMenu->showTimeLeft(loanWatch_->timeLeft());
    });
    connect(loanWatch_.get(), &LoanWatch::endingSoon, this, [this] {
        if (!endingSoon_) endingSoon_ = new ui::EndingSoonNotice();
        endingSoon_->setAttribute(Qt::WA_DeleteOnClose);
        endingSoon_->showOnScreen();
    });
    connect(loanWatch_.get(), &LoanWatch::ended, this, [this] {
        if (endingSoon_) endingSoon_->close();
    });
    loanWatch_->update();
    // 6. The status item, in the look of the state Lendmode is in.
    createStatusBarMenu();
    // 7. Once a day, while Lendmode is off, the sets are reloaded.
    refreshTimer_ = services_.makeTimer();
    refreshTimer_->start(kRefreshInterval, [this] { refreshDefinitionSets(); });
}

void AppDelegate::refreshDefinitionSets() {
    // Not under a switch, which reads and writes the sets (the next day will do).
    if (!prefs->lendmode() && !prefs->switchProgress().underWay()) prefs->readCurrentDefinitionSets();
}

void AppDelegate::afterSwitch() {
    for (const std::string& name : std::exchange(blockedDuringSwitch_, {})) showBlockedAlert(name);
    if (std::exchange(quitAfterSwitch_, false)) terminateNow();
}

bool AppDelegate::windowShouldClose() {
    if (auto policy = qtPorts().activationPolicy) {
        policy->setActivationPolicy(platform::qt::ActivationPolicy::Policy::Accessory);
    }
    return true;
}

void AppDelegate::terminateRestoringOwnerSettings() {
    if (prefs && prefs->switchProgress().underWay()) {
        quitAfterSwitch_ = true;
        return;
    }
    terminateNow();
}

void AppDelegate::terminateNow() {
    if (prefs && prefs->lendmode()) {
        prefs->restoreDefinitionSetsCompletion(services_.terminate);
    } else {
        services_.terminate();
    }
}

void AppDelegate::runOtherApp(const QVariantMap& userInfo) {
    if (!prefs || !prefs->lendmode()) return;
    const QVariant path = userInfo.value(QStringLiteral("NSApplicationPath"));
    if (!path.canConvert<QString>() || path.toString().isEmpty()) return;
    const std::string bundlePath = path.toString().toStdString();
    const std::string name(bundleDisplayName(bundlePath));
    bool hasPid = false;
    const qint64 pid = userInfo.value(QStringLiteral("NSApplicationProcessIdentifier")).toLongLong(&hasPid);
    if (hasPid && pid > 0) {
        if (handledPids_.size() > 1000) handledPids_.clear();
        if (!handledPids_.insert(pid).second) return;
    }

    const plist::Array* list = prefs->appDisabled();
    if (!list) return;
    const auto workspace = qtPorts().workspace;
    // A renamed or moved copy keeps its bundle identifier.
    QString identifier = userInfo.value(QStringLiteral("NSApplicationBundleIdentifier")).toString();
    if (identifier.isEmpty() && workspace) identifier = workspace->bundleIdentifierOfBundle(path.toString());
    // Two applications may share a name (both are listed): a tick on either blocks it.
    const bool blocked = std::any_of(list->begin(), list->end(), [&](const plist::Value& record) {
        if (!ApplicationRecord::storedDisabled(record)) return false;
        if (!name.empty() && ApplicationRecord::storedName(record) == name) return true;
        if (identifier.isEmpty() || !workspace) return false;
        const std::string_view recordPath = ApplicationRecord::storedPath(record);
        return !recordPath.empty() &&
               workspace->bundleIdentifierOfBundle(QString::fromUtf8(
                   recordPath.data(), static_cast<qsizetype>(recordPath.size()))) == identifier;
    });
    if (!blocked) return;
    log::info("blocked the launch of " + name);

    prefs->runShellScript(commands::killallCommand(name));
    // killall goes by name and misses an application whose name it reads as an option
    // ("-u") or whose process is named unlike its bundle, so the process that is
    // starting is also ended by its id if it outlived the killall.
    if (hasPid && pid > 0 && workspace) workspace->terminateApplication(pid);

    if (prefs->switchProgress().underWay()) {
        if (std::find(blockedDuringSwitch_.begin(), blockedDuringSwitch_.end(), name) ==
            blockedDuringSwitch_.end())
            blockedDuringSwitch_.push_back(name);
        return;
    }
    showBlockedAlert(name);
}

void AppDelegate::showBlockedAlert(const std::string& name) {
    // One alert per application at a time: a launch while its alert is up (the alert
    // runs its own event loop) is ended without stacking another.
    if (!alertsShown_.insert(name).second) return;
    platform::Alert alert;
    alert.style = platform::Alert::Style::Warning;
    alert.messageText = kAlertMessageFormat;
    alert.messageText.replace(alert.messageText.find("%@"), 2, name);
    alert.informativeText = kAlertInformativeText;
    alert.buttons = {kAlertButton};
    if (const auto& alerts = prefs->ports().alerts) alerts->runModal(alert);
    alertsShown_.erase(name);
}

void AppDelegate::createStatusBarMenu() {
    if (!statusItem) {
        if (!qtPorts().makeStatusItem) return;
        statusItem = qtPorts().makeStatusItem();
        connect(statusItem.get(), &platform::qt::StatusItem::clicked, this,
                &AppDelegate::statusBarButtonPressed);
    }
    showStatus();
    // The popover shows a switch as it goes; it closes at the other changes of the flag.
    if (popoverMain && popoverMain->isShown() && !prefs->switchProgress().now()) popoverMain->close();
}

void AppDelegate::showStatus() {
    if (!statusItem) return;
    const auto& switching = prefs->switchProgress().now();
    if (switching) {
        // Under way: said beside the icon and when the pointer rests on it.
        const QString what =
            switching->on ? QStringLiteral("Switching on\u2026") : QStringLiteral("Switching off\u2026");
        statusItem->setTitle(what);
        statusItem->setToolTip(QStringLiteral("Lendmode: ") + what);
    } else if (const QString left = loanWatch_ ? loanWatch_->timeLeft() : QString();
               prefs->lendmode() && !left.isEmpty()) {
        // On for a while: the time left beside the icon (on the Mac) and in its tip.
        statusItem->setTitle(left);
        statusItem->setToolTip(QStringLiteral("Lendmode is on: %1 left").arg(left));
    } else {
        statusItem->setTitle(prefs->lendmode() ? QString::fromUtf8(kStatusTitleOn) : QString());
        statusItem->setToolTip(prefs->lendmode() ? QStringLiteral("Lendmode is on")
                                                 : QStringLiteral("Lendmode is off"));
    }
    statusItem->setImage(ui::statusItemIcon(prefs->lendmode()));
}

void AppDelegate::statusBarButtonPressed() {
    if (popoverMain && popoverMain->isShown()) {
        popoverMain->close();
        return;
    }
    const QRect anchor = statusItem ? statusItem->anchorRect() : QRect();
    // The click that closed the popover, when the item receives it too, closes only.
    if (popoverMain && popoverMain->takeClosedByClickOn(anchor) && statusItem &&
        statusItem->receivesPopupClosingClick()) {
        return;
    }
    applySystemAppearance();
    if (!popoverMain) {
        viewMainMenu = new ViewMainMenu();
        popoverMain = new Popover(viewMainMenu);
        connect(viewMainMenu, &ViewMainMenu::quitRequested, this, &AppDelegate::quitButtonPressed);
        connect(viewMainMenu, &ViewMainMenu::launchOnStartupClicked, this,
                &AppDelegate::launchOnStartupClicked);
    }
    // An agent application is not the front one: without this the popover would open
    // behind the front application's windows, or without the keyboard.
    if (const auto& policy = qtPorts().activationPolicy) policy->activateIgnoringOtherApps();
    popoverMain->showRelativeToRect(anchor);
    emit popoverShown();
}

void AppDelegate::quitButtonPressed() {
    if (prefs && !OwnerLock::shared().allows(lock::kQuit)) return;
    terminateRestoringOwnerSettings();
}

void AppDelegate::launchOnStartupClicked(Qt::CheckState state) {
    launchOnStartup(state != Qt::Checked);
}

void AppDelegate::launchOnStartup(bool value) {
    (void)ui::setLaunchAtLogin(*prefs, value);
}

}  // namespace lendmode
