// The popover's main view: the ON/OFF switch of Lendmode, quick controls for a few
// rows of the current set, the list of applications with a box each that blocks it in
// guest mode, and the way to the preferences window and to quitting.
//
// Every change is written through the row operations of Preferences; while Lendmode
// is on, the quick controls also apply their setting to the system at once. While the
// view is shown it listens for "VVVN1" and refreshes.
//
// Embedding: put the view in the status item's popup (as its only child, or make the
// view itself the popup window). Showing it stands for the popover opening and hiding
// it for the popover closing. Connect quitRequested() to the application's quit
// action. Construct it only once the shared Preferences exists with its sets loaded.
#pragma once

#include <QTimer>
#include <QWidget>
#include <chrono>
#include <memory>
#include <string>

#include "base/plist/Value.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;

namespace Ui {
class ViewMainMenu;
}

namespace lendmode {

class AppCellDelegate;
class AppListModel;
class AppTableView;
class ButtonHover;
class ButtonYellow;
class CellCheck;
class Preferences;
class PreferencesWC;
class SegmentedControl;

class ViewMainMenu : public QWidget {
    Q_OBJECT
public:
    explicit ViewMainMenu(QWidget* parent = nullptr);
    ~ViewMainMenu() override;

    // Lifecycle: loading (once, from the constructor), appearing and disappearing (from
    // the show and hide events).
    void viewDidLoad();
    void viewWillAppear();
    void viewDidDisappear();

    // The header's line with a loan's time left ("29 min"; empty for none).
    void showTimeLeft(const QString& left);

    // Enables or disables the switch and the two quick controls that a switch changes.
    void enabledElements(bool flag);
    // Shows the stored Lendmode flag, the current set's quick rows and set 0's
    // application list.
    void updateUI();

    // The application list's data source.
    int numberOfRowsInTableView() const;
    // How long a quit may take before the popover names the application and offers Skip.
    static constexpr std::chrono::milliseconds kQuitNoticeDelay{3000};
    void fillApplicationCell(CellCheck& cell, int row);
    const plist::Array& appList() const;
    AppListModel* appListModel() const { return appModel_; }

    // Created by the first preferencesPressed() and kept; nullptr before.
    PreferencesWC* preferencesWC() const { return preferencesWC_.get(); }

    // Outlets.
    AppTableView* tableApp = nullptr;
    ButtonYellow* lendmodeButtonON = nullptr;
    ButtonYellow* lendmodeButtonOFF = nullptr;
    // How long the next switch-on lends the Mac for; while on, a new time from now.
    QComboBox* loanChoice = nullptr;
    QCheckBox* invertScrollBox = nullptr;
    QCheckBox* hotCornersBox = nullptr;
    QCheckBox* dockVisibilityBox = nullptr;
    SegmentedControl* dockLocationSegmentControl = nullptr;
    ButtonHover* preferencesButton = nullptr;
    // Shows with a check mark whether Lendmode starts at login; a click asks for the
    // opposite (the state it reports is the one shown when clicked).
    ButtonHover* launchAtLoginButton = nullptr;
    // Shows with a check mark whether the owner lock is set; a click asks for the
    // opposite (setting it asks the owner; it stays set while the lock is engaged).
    ButtonHover* ownerLockButton = nullptr;
    ButtonHover* quitButton = nullptr;

public slots:
    void lendmodeOnOfButtonsPressed(QAbstractButton* sender);
    void invertScrollBoxPressed(QAbstractButton* sender);
    void hotCornersBoxPressed(QAbstractButton* sender);
    void dockVisibilityBoxPressed(QAbstractButton* sender);
    void dockLocationSegmentControlPressed(lendmode::SegmentedControl* sender);
    void boxPressed(QAbstractButton* sender);
    void preferencesPressed();
    void appDisabledButtonPressed(QAbstractButton* sender);
    void loanChoicePressed(int index);

signals:
    // The Quit button was pressed: the application shell quits (restoring the owner's
    // settings first when Lendmode is on).
    void quitRequested();
    void launchOnStartupClicked(Qt::CheckState shownState);

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void connectActions();
    // The running switch's step and progress in the header, the controls disabled; all
    // back as they were once it ends.
    void showSwitchProgress();
    // enabledElements, and the other controls a switch must not see change.
    void holdDuringSwitch(bool held);
    // The loan choice as the loan stands: the running loan's, or the one chosen.
    void showLoanChoice();

    Preferences* prefs = nullptr;
    std::unique_ptr<Ui::ViewMainMenu> ui_;
    AppListModel* appModel_ = nullptr;
    AppCellDelegate* appDelegate_ = nullptr;
    std::unique_ptr<PreferencesWC> preferencesWC_;
    bool appeared_ = false;
    // The application whose quit the switch awaits, and the timer after which the
    // popover names it and offers Skip.
    std::string awaitedQuit_;
    QTimer quitNotice_;
};

}  // namespace lendmode
