#include "ui/ViewMainMenu.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QShortcut>
#include <QShowEvent>

#include "model/Keys.h"
#include "model/Loan.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"
#include "model/ShowAlert.h"
#include "platform/QtPorts.h"
#include "ui/AppCellDelegate.h"
#include "ui/AppListModel.h"
#include "ui/AppTableView.h"
#include "ui/ApplicationTick.h"
#include "ui/ButtonHover.h"
#include "ui/ButtonYellow.h"
#include "ui/CellCheck.h"
#include "ui/ImageView.h"
#include "ui/LaunchAtLoginChoice.h"
#include "ui/OwnerLock.h"
#include "ui/PreferencesWC.h"
#include "ui/Resources.h"
#include "ui/RowValues.h"
#include "ui/SegmentedControl.h"
#include "ui/Tags.h"
#include "ui/Theme.h"
#include "ui_ViewMainMenu.h"

namespace lendmode {

ViewMainMenu::ViewMainMenu(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::ViewMainMenu>()) {
    ui::initResources();
    ui_->setupUi(this);
    tableApp = ui_->tableApp;
    lendmodeButtonON = ui_->lendmodeButtonON;
    lendmodeButtonOFF = ui_->lendmodeButtonOFF;
    loanChoice = ui_->loanChoice;
    for (const LoanChoice& choice : loanChoices()) loanChoice->addItem(tr(choice.caption));
    invertScrollBox = ui_->invertScrollBox;
    hotCornersBox = ui_->hotCornersBox;
    dockVisibilityBox = ui_->dockVisibilityBox;
    dockLocationSegmentControl = ui_->dockLocationSegmentControl;
    preferencesButton = ui_->preferencesButton;
    quitButton = ui_->quitButton;
    launchAtLoginButton = ui_->launchAtLoginButton;
    ownerLockButton = ui_->ownerLockButton;

    ui::makeTitle(ui_->headerTitle, 1.2, QFont::DemiBold);
    ui::makeSecondary(ui_->statusLabel);
    ui::makeCaption(ui_->quickCaption);
    ui::makeCaption(ui_->appsCaption);
    const QKeySequence preferencesKey(Qt::CTRL | Qt::Key_Comma);
    const QKeySequence quitKey(Qt::CTRL | Qt::Key_Q);
    // The menu's items keep a check column, for Start at Login's and the lock's marks.
    launchAtLoginButton->setCheckable(true);
    ownerLockButton->setCheckable(true);
    for (ButtonHover* item : {launchAtLoginButton, ownerLockButton, preferencesButton, quitButton}) {
        item->setReservesCheckColumn(true);
    }
    preferencesButton->setShortcutText(preferencesKey.toString(QKeySequence::NativeText));
    quitButton->setShortcutText(quitKey.toString(QKeySequence::NativeText));
    connect(new QShortcut(preferencesKey, this), &QShortcut::activated, this,
            &ViewMainMenu::preferencesPressed);
    connect(new QShortcut(quitKey, this), &QShortcut::activated, this, &ViewMainMenu::quitRequested);

    appModel_ = new AppListModel([this] { return prefs ? prefs->appDisabled() : nullptr; }, this);
    appDelegate_ =
        new AppCellDelegate([this](CellCheck& cell, int row) { fillApplicationCell(cell, row); }, this);
    tableApp->setModel(appModel_);
    tableApp->setItemDelegate(appDelegate_);

    connectActions();
    viewDidLoad();
}

ViewMainMenu::~ViewMainMenu() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

void ViewMainMenu::connectActions() {
    for (ButtonYellow* half : {lendmodeButtonON, lendmodeButtonOFF}) {
        connect(half, &QAbstractButton::clicked, this, [this, half] { lendmodeOnOfButtonsPressed(half); });
    }
    connect(loanChoice, &QComboBox::activated, this, &ViewMainMenu::loanChoicePressed);
    connect(invertScrollBox, &QAbstractButton::clicked, this,
            [this] { invertScrollBoxPressed(invertScrollBox); });
    connect(hotCornersBox, &QAbstractButton::clicked, this, [this] { hotCornersBoxPressed(hotCornersBox); });
    connect(dockVisibilityBox, &QAbstractButton::clicked, this,
            [this] { dockVisibilityBoxPressed(dockVisibilityBox); });
    connect(dockLocationSegmentControl, &SegmentedControl::activated, this,
            [this] { dockLocationSegmentControlPressed(dockLocationSegmentControl); });
    connect(preferencesButton, &QAbstractButton::clicked, this, &ViewMainMenu::preferencesPressed);
    connect(quitButton, &QAbstractButton::clicked, this, &ViewMainMenu::quitRequested);
    connect(launchAtLoginButton, &QAbstractButton::clicked, this, [this] {
        // Awaiting approval counts as half on (see ui::enabledAfterClick).
        const ui::LoginState state = ui::launchAtLoginState(*prefs);
        emit launchOnStartupClicked(state == ui::LoginState::On              ? Qt::Checked
                                    : state == ui::LoginState::NeedsApproval ? Qt::PartiallyChecked
                                                                             : Qt::Unchecked);
        updateUI();
    });
    connect(ownerLockButton, &QAbstractButton::clicked, this, [this] {
        OwnerLock::shared().setRequired(!prefs->ownerLockRequired());
        updateUI();
    });
    QAbstractButton* appBox = appDelegate_->cell().buttonCheck;
    connect(appBox, &QAbstractButton::clicked, this, [this, appBox] { appDisabledButtonPressed(appBox); });
}

void ViewMainMenu::viewDidLoad() {
    prefs = &Preferences::sharedPreferences();
    enabledElements(true);
    // A switch started anywhere (here, the command line, a link) shows here as it goes.
    NotificationCenter::defaultCenter().addObserver(this, notifications::kSwitchProgress,
                                                    [this] { showSwitchProgress(); });
    // A quit that does not come within a few seconds is named, and can be skipped.
    quitNotice_.setSingleShot(true);
    quitNotice_.setInterval(kQuitNoticeDelay);
    connect(&quitNotice_, &QTimer::timeout, this, [this] { showSwitchProgress(); });
    connect(ui_->skipQuitButton, &QAbstractButton::clicked, this, [this] {
        prefs->skipWaitingQuit();
        ui_->skipQuitButton->setEnabled(false);
    });
    updateUI();
}

void ViewMainMenu::showSwitchProgress() {
    const auto& now = prefs->switchProgress().now();
    ui_->switchProgress->setVisible(now.has_value());
    const std::string quitting = now ? now->quitting : std::string();
    if (quitting != awaitedQuit_) {
        // A new quit is awaited (or none): its notice comes after a few seconds.
        awaitedQuit_ = quitting;
        quitNotice_.stop();
        if (!quitting.empty()) quitNotice_.start();
    }
    const bool overdue = !quitting.empty() && !quitNotice_.isActive();
    ui_->skipQuitButton->setVisible(overdue);
    ui_->skipQuitButton->setEnabled(overdue);
    if (!now) {
        holdDuringSwitch(false);
        updateUI();
        return;
    }
    if (overdue) {
        ui_->statusLabel->setText(
            tr("%1 has not quit: it may be asking to save a document").arg(QString::fromStdString(quitting)));
        return;
    }
    holdDuringSwitch(true);
    ui_->switchProgress->setRange(0, std::max(now->total, 1));
    ui_->switchProgress->setValue(now->done);
    const QString what = now->on ? tr("Switching on") : tr("Switching off");
    ui_->statusLabel->setText(now->step.empty()
                                  ? what + QStringLiteral("\u2026")
                                  : what + QStringLiteral(": ") + QString::fromStdString(now->step));
}

void ViewMainMenu::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!appeared_) {
        appeared_ = true;
        viewWillAppear();
    }
}

void ViewMainMenu::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (appeared_ && !event->spontaneous()) {
        appeared_ = false;
        viewDidDisappear();
    }
}

void ViewMainMenu::viewWillAppear() {
    updateUI();
    NotificationCenter::defaultCenter().removeObserver(this, notifications::kRowValueChanged);
    NotificationCenter::defaultCenter().addObserver(this, notifications::kRowValueChanged,
                                                    [this] { updateUI(); });
}

void ViewMainMenu::viewDidDisappear() {
    NotificationCenter::defaultCenter().removeObserver(this, notifications::kRowValueChanged);
}

void ViewMainMenu::enabledElements(bool flag) {
    lendmodeButtonON->setEnabled(flag);
    lendmodeButtonOFF->setEnabled(flag);
    loanChoice->setEnabled(flag);
    invertScrollBox->setEnabled(flag);
    hotCornersBox->setEnabled(flag);
}

void ViewMainMenu::holdDuringSwitch(bool held) {
    // The interface runs while a switch does: nothing the switch reads, nor what the
    // owner lock guards, can change until it ends.
    enabledElements(!held);
    for (QWidget* control : std::initializer_list<QWidget*>{dockVisibilityBox, dockLocationSegmentControl,
                                                            tableApp, launchAtLoginButton, ownerLockButton})
        control->setEnabled(!held);
}

void ViewMainMenu::updateUI() {
    Preferences::runMainThreadBlock([this] {
        appModel_->reload();
        tableApp->reloadData();
        const bool on = prefs->lendmode();
        lendmodeButtonON->setState(on);
        lendmodeButtonOFF->setState(!on);
        const auto boxOf = [this](int row) {
            return ui::truthOf(prefs->valueForKey(rowkeys::kBox, static_cast<std::uint64_t>(row)))
                       ? Qt::Checked
                       : Qt::Unchecked;
        };
        invertScrollBox->setCheckState(boxOf(rows::kDefaultScroll));
        hotCornersBox->setCheckState(boxOf(rows::kHotCornersOff));
        dockVisibilityBox->setCheckState(boxOf(rows::kDockVisible));
        // The stored Dock location, whoever changed it (the preferences window too).
        const auto edge = ui::integerOf(prefs->valueForKey(rowkeys::kSegmentSelected, rows::kDockLocation));
        if (edge && *edge >= 0 && *edge < dockLocationSegmentControl->segmentCount()) {
            dockLocationSegmentControl->setSelectedSegment(static_cast<int>(*edge));
        }

        const auto left = on ? prefs->loan().left() : std::nullopt;
        showTimeLeft(left ? QString::fromStdString(timeLeftText(*left)) : QString());
        showLoanChoice();
        ui_->headerIcon->setPixmap(ui::menuIcon(on).pixmap(28, 28));
        const ui::LoginState login = ui::launchAtLoginState(*prefs);
        launchAtLoginButton->setChecked(login != ui::LoginState::Off);
        launchAtLoginButton->setText(ui::launchAtLoginCaption(login));
        ownerLockButton->setChecked(prefs->ownerLockRequired());
        if (prefs->switchProgress().underWay()) showSwitchProgress();
    });
}

void ViewMainMenu::showTimeLeft(const QString& left) {
    if (prefs->switchProgress().underWay()) return;  // the switch's step is shown
    if (!prefs->lendmode()) return ui_->statusLabel->setText(tr("Off — your own settings are in use"));
    ui_->statusLabel->setText(left.isEmpty() ? tr("On — guest settings are in use")
                                             : tr("On — %1 left, then the screen locks").arg(left));
}

void ViewMainMenu::showLoanChoice() {
    const Loan& loan = prefs->loan();
    const auto length = prefs->lendmode() ? loan.length() : loan.chosen();
    const auto& choices = loanChoices();
    const auto chosen = std::find_if(choices.begin(), choices.end(),
                                     [&](const LoanChoice& choice) { return choice.length == length; });
    if (chosen != choices.end())
        return loanChoice->setCurrentIndex(static_cast<int>(chosen - choices.begin()));
    // A time from the command line that the list does not offer.
    loanChoice->setPlaceholderText(
        tr("for %1").arg(QString::fromStdString(loanLengthText(length.value_or(Loan::Seconds(0))))));
    loanChoice->setCurrentIndex(-1);
}

void ViewMainMenu::loanChoicePressed(int index) {
    const auto& choices = loanChoices();
    if (index < 0 || index >= static_cast<int>(choices.size())) return;
    const std::optional<Loan::Seconds> length = choices[static_cast<std::size_t>(index)].length;
    // While on, a new time (longer, shorter or none) is the owner's to give.
    if (prefs->lendmode()) {
        if (!OwnerLock::shared().allows(lock::kChangeLoanTime)) return updateUI();
        if (!prefs->setLoanLength(length))
            showAlert(prefs->ports().alerts.get(), "Lendmode could not change the time",
                      "The new time could not be stored, so the loan goes on as it was.");
    } else {
        prefs->loan().choose(length);
    }
    updateUI();
}

int ViewMainMenu::numberOfRowsInTableView() const {
    return static_cast<int>(appList().size());
}

const plist::Array& ViewMainMenu::appList() const {
    return appModel_->records();
}

void ViewMainMenu::fillApplicationCell(CellCheck& cell, int row) {
    appModel_->fillCell(cell, row);
}

void ViewMainMenu::lendmodeOnOfButtonsPressed(QAbstractButton* sender) {
    const bool on = sender && sender == lendmodeButtonON;
    if (!on && !OwnerLock::shared().allows(lock::kTurnOff)) return updateUI();
    // The switching operations ignore ON while on and OFF while off, and refuse a
    // switch they cannot undo safely; updateUI then shows the state they left. The
    // interface keeps running meanwhile, its progress shown (showSwitchProgress).
    // Its end (showSwitchProgress) releases the controls and shows what it left.
    prefs->switchLendmode(on, nullptr, [this, on] {
        lendmodeButtonON->setState(on);
        lendmodeButtonOFF->setState(!on);
        holdDuringSwitch(true);
    });
}

void ViewMainMenu::invertScrollBoxPressed(QAbstractButton* sender) {
    if (!OwnerLock::shared().allows(lock::kChangeQuickSettings)) return updateUI();
    const bool value = ui::isOn(sender);
    prefs->setObject(plist::Value(value), rowkeys::kBox, rows::kDefaultScroll);
    if (prefs->lendmode()) prefs->scriptMouseInverse(value);
}

void ViewMainMenu::hotCornersBoxPressed(QAbstractButton* sender) {
    if (!OwnerLock::shared().allows(lock::kChangeQuickSettings)) return updateUI();
    const bool value = ui::isOn(sender);
    prefs->setObject(plist::Value(value), rowkeys::kBox, rows::kHotCornersOff);
    if (prefs->lendmode()) prefs->scriptHotCornersOFF(value);
}

void ViewMainMenu::dockVisibilityBoxPressed(QAbstractButton* sender) {
    if (!OwnerLock::shared().allows(lock::kChangeQuickSettings)) return updateUI();
    const bool value = ui::isOn(sender);
    prefs->setObject(plist::Value(value), rowkeys::kBox, rows::kDockVisible);
    if (prefs->lendmode()) prefs->scriptDockVisable(value);
}

void ViewMainMenu::dockLocationSegmentControlPressed(SegmentedControl* sender) {
    if (!sender || sender->selectedSegment() < 0) return;
    if (!OwnerLock::shared().allows(lock::kChangeQuickSettings)) return updateUI();
    const auto edge = static_cast<std::uint64_t>(sender->selectedSegment());
    prefs->setObject(plist::Value(edge), rowkeys::kSegmentSelected, rows::kDockLocation);
    if (prefs->lendmode()) prefs->scriptDockPosition(edge);
}

void ViewMainMenu::boxPressed(QAbstractButton* sender) {
    if (!sender) return;
    prefs->setObject(plist::Value(ui::isOn(sender)), rowkeys::kBox,
                     static_cast<std::uint64_t>(ui::tagOf(sender)));
}

void ViewMainMenu::appDisabledButtonPressed(QAbstractButton* sender) {
    if (!tickApplication(*prefs, sender)) updateUI();
}

void ViewMainMenu::preferencesPressed() {
    if (!OwnerLock::shared().allows(lock::kOpenPreferences)) return;
    if (!preferencesWC_) preferencesWC_ = std::make_unique<PreferencesWC>();
    preferencesWC_->showWindow(this);
    preferencesWC_->raise();
    preferencesWC_->activateWindow();
    if (const auto& policy = platform::qt::qtPorts().activationPolicy) {
        policy->activateIgnoringOtherApps();
        policy->setActivationPolicy(platform::qt::ActivationPolicy::Policy::Regular);
    }
}

}  // namespace lendmode
