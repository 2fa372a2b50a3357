// The root of the running program: brings the settings up at start, keeps the owner
// snapshot fresh once a day, blocks disabled applications while Lendmode is on, owns
// the status item and its popover, and turns launch at login on and off.
#pragma once

#include <QObject>
#include <QPointer>
#include <QVariantMap>
#include <QWidget>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "app/LoanWatch.h"
#include "app/Popover.h"
#include "app/RepeatingTimer.h"
#include "platform/QtPorts.h"
#include "ui/EndingSoonNotice.h"
#include "ui/ViewMainMenu.h"

namespace lendmode {

class Preferences;

class AppDelegate : public QObject {
    Q_OBJECT
public:
    // What the delegate takes from its surroundings; tests replace any of it.
    struct Services {
        std::function<std::unique_ptr<RepeatingTimer>()> makeTimer = [] {
            return std::unique_ptr<RepeatingTimer>(new QtRepeatingTimer);
        };
        // Ends the program (the application object's terminate).
        std::function<void()> terminate;
    };

    static constexpr std::chrono::seconds kRefreshInterval{86400};

    explicit AppDelegate(QObject* parent = nullptr);
    explicit AppDelegate(Services services, QObject* parent = nullptr);
    ~AppDelegate() override;

    // ---- Start-up and lifecycle ----
    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    // Nothing is restored here: the quit action restores before it terminates.
    void applicationWillTerminate() {}
    // Closing a window the delegate looks after returns to the accessory policy.
    bool windowShouldClose();
    // The repeating refresh: reloads the sets, with a new owner snapshot, while off.
    void refreshDefinitionSets();
    // An orderly end asked by the system (SIGTERM, the session ending): the owner's
    // settings are put back first when Lendmode is on.
    void terminateRestoringOwnerSettings();

    // ---- Launch blocking ----
    void runOtherApp(const QVariantMap& userInfo);

    // ---- Status item and popover ----
    void createStatusBarMenu();
    // The status item's icon, title and tip as Lendmode stands (a loan's time left too).
    void showStatus();
    void statusBarButtonPressed();
    void quitButtonPressed();

    // ---- Launch at login ----
    // The control's state: on gives NO, off or mixed YES.
    void launchOnStartupClicked(Qt::CheckState state);
    void launchOnStartup(bool value);

signals:
    // The popover has just been shown under the status item.
    void popoverShown();

public:
    Preferences* prefs = nullptr;
    QPointer<QWidget> window;
    std::shared_ptr<platform::qt::StatusItem> statusItem;
    QPointer<ViewMainMenu> viewMainMenu;
    QPointer<Popover> popoverMain;
    // A loan for a while: its time left, its warning and its end (made at start).
    LoanWatch* loanWatch() const { return loanWatch_.get(); }
    // The minute's warning while it is up; nullptr else.
    ui::EndingSoonNotice* endingSoonNotice() const { return endingSoon_.data(); }

private:
    // What waits for a running switch to end: a quit (asked during the switch, it
    // puts the owner's settings back once the switch has ended), and the alerts of
    // blocked launches (a modal alert would hold the switch up until answered).
    void afterSwitch();
    void terminateNow();
    void showBlockedAlert(const std::string& name);
    bool quitAfterSwitch_ = false;
    bool showsSwitch_ = false;  // the status item's look follows a switch's start and end
    std::vector<std::string> blockedDuringSwitch_;

    Services services_;
    std::unique_ptr<RepeatingTimer> refreshTimer_;
    std::unique_ptr<LoanWatch> loanWatch_;
    QPointer<ui::EndingSoonNotice> endingSoon_;
    // The applications whose blocking alert is up.
    std::set<std::string> alertsShown_;
    // The processes already ended or let run: a launch may come both announced and as a
    // new entry in the running list.
    std::set<qint64> handledPids_;
};

}  // namespace lendmode
