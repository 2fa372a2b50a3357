#include "ui/PreferencesWC.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QShortcut>
#include <QSignalBlocker>
#include <QTimer>

#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"
#include "model/ShowAlert.h"
#include "platform/QtPorts.h"
#include "ui/AppCellDelegate.h"
#include "ui/AppListModel.h"
#include "ui/AppTableView.h"
#include "ui/ApplicationTick.h"
#include "ui/ButtonYellow.h"
#include "ui/CellCheck.h"
#include "ui/CellPrefChekbox.h"
#include "ui/DoubleSlider.h"
#include "ui/ImageView.h"
#include "ui/LaunchAtLoginChoice.h"
#include "ui/OwnerLock.h"
#include "ui/Resources.h"
#include "ui/RowTableView.h"
#include "ui/RowValues.h"
#include "ui/SegmentedControl.h"
#include "ui/Tags.h"
#include "ui/Theme.h"
#include "ui_PreferencesWC.h"

namespace lendmode {

using ui::integerOf;
using ui::member;
using ui::textOf;

PreferencesWC::PreferencesWC(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::PreferencesWC>()) {
    ui::initResources();
    setWindowFlag(Qt::Window);
    ui_->setupUi(this);
    prefs = &Preferences::sharedPreferences();
    tablePref = ui_->tablePref;
    ownerLockBox = ui_->ownerLockBox;
    connect(ownerLockBox, &QAbstractButton::clicked, this, &PreferencesWC::ownerLockBoxPressed);
    launchAtLoginBox = ui_->launchAtLoginBox;
    connect(launchAtLoginBox, &QAbstractButton::clicked, this, &PreferencesWC::launchAtLoginBoxPressed);
    focusOnShortcut = ui_->focusOnShortcut;
    focusOffShortcut = ui_->focusOffShortcut;
    for (QComboBox* combo : {focusOnShortcut, focusOffShortcut}) {
        combo->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        connect(combo, &QComboBox::activated, this, [this, combo] { focusShortcutChosen(combo); });
    }
    ui_->focusShortcuts->hide();

    ui::makeTitle(ui_->headerTitle, 1.3, QFont::DemiBold);
    ui::makeSecondary(ui_->headerSubtitle);
    ui::makeSecondary(ui_->footer);
    ui_->footer->setContentsMargins(20, 10, 20, 12);
    ui_->headerIcon->setPixmap(ui::menuIcon(true).pixmap(32, 32));

    appModel_ = new AppListModel([this] { return prefs ? prefs->appDisabled() : nullptr; }, this);
    appDelegate_ =
        new AppCellDelegate([this](CellCheck& cell, int row) { fillApplicationCell(cell, row); }, this);
    QAbstractButton* appBox = appDelegate_->cell().buttonCheck;
    connect(appBox, &QAbstractButton::clicked, this, [this, appBox] { appDisabledButtonPressed(appBox); });

    tablePref->setDataSource({
        [this] { return numberOfRowsInTableView(tablePref); },
        [this](int row) { return tableViewRow(row); },
        [this](const QString& identifier) { return makeRowView(identifier); },
    });

    auto* closeShortcut = new QShortcut(QKeySequence::Close, this);
    connect(closeShortcut, &QShortcut::activated, this, &QWidget::close);
}

PreferencesWC::~PreferencesWC() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

const plist::Array& PreferencesWC::appList() const {
    return appModel_->records();
}

const plist::Array* PreferencesWC::currentPrefs() const {
    return prefs->currentDefinitionSet();
}

std::uint64_t PreferencesWC::shownSet() const {
    const std::uint64_t index = prefs->currentSet();
    return index < prefs->definitionSets().size() ? index : 0;
}

void PreferencesWC::showWindow(QObject*) {
    // Read once per opening: `shortcuts list` starts a process, too slow for each click.
    focus_ = prefs->focusShortcuts();
    const bool first = !sized_;
    if (first) {
        sized_ = true;
        updateUI();
        fitToContent();
    }
    show();
    // Now with the window manager's title bar counted.
    if (first) QTimer::singleShot(0, this, [this] { fitToContent(); });
    raise();
    activateWindow();
    if (!observing_) {
        observing_ = true;
        NotificationCenter::defaultCenter().addObserver(this, notifications::kRowValueChanged,
                                                        [this] { updateUI(); });
        // A window left open when the lock engages would let the borrower past it.
        NotificationCenter::defaultCenter().addObserver(this, notifications::kLendmodeChanged, [this] {
            if (OwnerLock::shared().engaged()) close();
        });
        // The interface runs while a switch does: nothing it reads changes meanwhile.
        NotificationCenter::defaultCenter().addObserver(this, notifications::kSwitchProgress, [this] {
            const bool underWay = prefs->switchProgress().underWay();
            for (QWidget* part : std::initializer_list<QWidget*>{ui_->scrollView, ui_->focusShortcuts,
                                                                 ownerLockBox, launchAtLoginBox})
                part->setEnabled(!underWay);
            if (!underWay) updateUI();
        });
    }
    updateUI();
}

void PreferencesWC::windowWillClose() {
    NotificationCenter::defaultCenter().removeObserver(this);
    observing_ = false;
    if (const auto& policy = platform::qt::qtPorts().activationPolicy) {
        policy->setActivationPolicy(platform::qt::ActivationPolicy::Policy::Accessory);
    }
}

void PreferencesWC::closeEvent(QCloseEvent* event) {
    windowWillClose();
    QWidget::closeEvent(event);
}

void PreferencesWC::updateUI() {
    appModel_->reload();
    tablePref->reloadData();
    ownerLockBox->setChecked(prefs->ownerLockRequired());
    const ui::LoginState login = ui::launchAtLoginState(*prefs);
    launchAtLoginBox->setChecked(login != ui::LoginState::Off);
    launchAtLoginBox->setText(ui::launchAtLoginCaption(login));
    fillFocusShortcuts();
}

void PreferencesWC::launchAtLoginBoxPressed() {
    (void)ui::setLaunchAtLogin(*prefs, ui::enabledAfterClick(ui::launchAtLoginState(*prefs)));
    updateUI();
}

void PreferencesWC::fillFocusShortcuts() {
    ui_->focusShortcuts->setVisible(focus_.switchable);
    if (!focus_.switchable) return;
    const auto fill = [this](QComboBox* combo, const std::string& chosen) {
        const QSignalBlocker quiet(combo);
        combo->clear();
        for (const std::string& name : focus_.installed)
            combo->addItem(QString::fromStdString(name), QString::fromStdString(name));
        const QString current = QString::fromStdString(chosen);
        int at = combo->findData(current);
        if (at < 0) {
            // Kept in the list, so that the owner sees what Lendmode would run.
            combo->insertItem(0, tr("%1 (missing)").arg(current), current);
            at = 0;
        }
        combo->setCurrentIndex(at);
    };
    fill(focusOnShortcut, focus_.on);
    fill(focusOffShortcut, focus_.off);
}

QString PreferencesWC::missingFocusShortcuts() const {
    if (!focus_.missing()) return {};
    QStringList names;
    for (const std::string* name : {&focus_.on, &focus_.off}) {
        if (std::find(focus_.installed.begin(), focus_.installed.end(), *name) == focus_.installed.end())
            names << QStringLiteral("\u201c%1\u201d").arg(QString::fromStdString(*name));
    }
    return tr("Focus needs the Shortcut %1: make it in the Shortcuts app (see the README) or choose "
              "another below")
        .arg(names.join(tr(" and ")));
}

void PreferencesWC::focusShortcutChosen(QComboBox* sender) {
    if (!sender || sender->currentIndex() < 0) return;
    const bool on = sender == focusOnShortcut;
    const std::string name = sender->currentData().toString().toStdString();
    if (prefs->setFocusShortcut(on, name)) {
        (on ? focus_.on : focus_.off) = name;
    } else {
        showAlert(prefs->ports().alerts.get(), alerts::kFocusShortcutNotStored,
                  alerts::kFocusShortcutNotStoredText);
    }
    // A choice that could not be stored shows the one still in force.
    updateUI();
}

void PreferencesWC::ownerLockBoxPressed() {
    OwnerLock::shared().setRequired(!prefs->ownerLockRequired());
    updateUI();
}

void PreferencesWC::fitToContent(QRect available) {
    if (available.isEmpty()) {
        const QScreen* shown = screen() ? screen() : QGuiApplication::primaryScreen();
        available = shown ? shown->availableGeometry() : QRect(0, 0, 1280, 800);
    }
    const QSize content = tablePref->minimumSizeHint();
    // The header and the footer around the rows, and the window's title bar.
    ui_->scrollView->setMinimumSize(content.width(), 0);
    const int around = minimumSizeHint().height() - ui_->scrollView->minimumSizeHint().height();
    // The title bar is known once the window is on screen (showWindow fits it again then).
    const int titleBar = isVisible() ? frameGeometry().height() - geometry().height() : 0;
    const int room = available.height() - titleBar - around;
    const bool fits = content.height() <= room;
    // The rows never scroll while they fit, so the window never gets smaller than
    // them; on a short screen it takes the room there is and the rows scroll.
    ui_->scrollView->setVerticalScrollBarPolicy(fits ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    const int scrollBar = fits ? 0 : ui_->scrollView->verticalScrollBar()->sizeHint().width();
    ui_->scrollView->setMinimumSize(content.width() + scrollBar,
                                    fits ? content.height() : std::max(room, 120));
    // Opens at its least height; the application list takes whatever height the owner
    // adds. (The layout first takes in the new least height, which bounds the window.)
    if (layout()) layout()->activate();
    resize(std::max(560, content.width() + scrollBar), minimumSizeHint().height());
}

int PreferencesWC::numberOfRowsInTableView(const QObject* table) const {
    if (table && table == tablePref) {
        const plist::Array* rows = currentPrefs();
        return rows ? static_cast<int>(rows->size()) : 0;
    }
    const auto* list = qobject_cast<const AppTableView*>(table);
    if (list && list->identifier() == QLatin1String(kTableAppID)) return static_cast<int>(appList().size());
    return 0;
}

QWidget* PreferencesWC::makeRowView(const QString& identifier) {
    CellPrefChekbox* cell = CellPrefChekbox::make(identifier);
    if (!cell) return nullptr;
    if (QCheckBox* box = cell->box) {
        connect(box, &QAbstractButton::clicked, this, [this, box] { boxPressed(box); });
    }
    if (SegmentedControl* segments = cell->segmentControl) {
        connect(segments, &SegmentedControl::activated, this, [this, segments] { segmentChanged(segments); });
    }
    if (DoubleSlider* slider = cell->slider) {
        connect(slider, &QSlider::valueChanged, this, [this, slider] { sliderValueChanged(slider); });
    }
    for (ButtonYellow* button : {cell->button1, cell->button2}) {
        if (button)
            connect(button, &QAbstractButton::clicked, this, [this, button] { segmentButton(button); });
    }
    if (AppTableView* list = cell->tableApp) {
        list->setModel(appModel_);
        list->setItemDelegate(appDelegate_);
    }
    return cell;
}

QWidget* PreferencesWC::tableViewRow(int row) {
    const plist::Array* rows = currentPrefs();
    if (!rows || row < 0 || static_cast<std::size_t>(row) >= rows->size()) return nullptr;
    const plist::Value& definition = (*rows)[static_cast<std::size_t>(row)];
    const QString identifier = textOf(member(definition, rowkeys::kIdCell));
    QWidget* view = tablePref->makeViewWithIdentifier(identifier);
    if (auto* cell = qobject_cast<CellPrefChekbox*>(view)) fillRow(*cell, definition);
    return view;
}

void PreferencesWC::fillRow(CellPrefChekbox& cell, const plist::Value& row) {
    namespace k = rowkeys;
    cell.prepareForReuse();
    if (cell.title1) cell.title1->setText(textOf(member(row, k::kTitle1)));
    if (cell.title2) cell.title2->setText(textOf(member(row, k::kTitle2)));

    if (integerOf(member(row, k::kID)) == rows::kDisabledApps) {
        if (cell.tableApp) cell.tableApp->reloadData();
        return;
    }
    if (integerOf(member(row, k::kID)) == rows::kDoNotDisturb && cell.title2) {
        if (const QString missing = missingFocusShortcuts(); !missing.isEmpty())
            cell.title2->setText(missing);
    }

    const std::optional<std::int64_t> selected = integerOf(member(row, k::kSegmentSelected));
    for (int i = 0; i < 3; ++i) {
        const plist::Value* label = member(row, k::segment(i));
        if (label && label->isString() && cell.segmentControl)
            cell.segmentControl->setLabel(textOf(label), i);
        if (selected && *selected == i) {
            const plist::Value* caption = member(row, k::title2ForSegment(i));
            if (caption && caption->isString() && cell.title2) cell.title2->setText(textOf(caption));
        }
    }
    if (selected) {
        if (cell.segmentControl && *selected >= 0 && *selected < cell.segmentControl->segmentCount()) {
            cell.segmentControl->setSelected(true, static_cast<int>(*selected));
        }
        if (integerOf(member(row, k::kSegmentID)) == rows::kWhenLendmodeIsOn) {
            // The two halves follow the set in use, not the recorded choice.
            const bool lendmodeSet = shownSet() == 0;
            if (cell.button1) {
                cell.button1->setText(textOf(member(row, k::segment(0))));
                cell.button1->setState(lendmodeSet);
            }
            if (cell.button2) {
                cell.button2->setText(textOf(member(row, k::segment(1))));
                cell.button2->setState(!lendmodeSet);
            }
        }
    }

    if (cell.box && member(row, k::kBox)) {
        cell.box->setCheckState(ui::truthOf(member(row, k::kBox)) ? Qt::Checked : Qt::Unchecked);
    }

    if (DoubleSlider* slider = cell.slider) {
        const QSignalBlocker quiet(slider);
        const auto min = ui::doubleOf(member(row, k::kSliderMin));
        const auto max = ui::doubleOf(member(row, k::kSliderMax));
        const auto value = ui::doubleOf(member(row, k::kSliderValue));
        if (min) {
            slider->setMinValue(*min);
            if (max) slider->setMaxValue(*max);
            if (value) slider->setDoubleValue(*value);
        }
        // Shown only on rows that carry slider keys.
        slider->setVisible(min || max || value);
    }

    if (const auto tag = integerOf(member(row, k::kBoxID)); tag && cell.box) ui::setTag(cell.box, *tag);
    if (const auto tag = integerOf(member(row, k::kSegmentID)); tag && cell.segmentControl) {
        cell.segmentControl->setTag(static_cast<int>(*tag));
    }
    if (const auto tag = integerOf(member(row, k::kSliderID)); tag && cell.slider) {
        cell.slider->setTag(static_cast<int>(*tag));
    }
}

void PreferencesWC::fillApplicationCell(CellCheck& cell, int row) {
    appModel_->fillCell(cell, row);
}

void PreferencesWC::segmentChanged(SegmentedControl* sender) {
    if (!sender || sender->selectedSegment() < 0) return;
    prefs->setObject(plist::Value(static_cast<std::int64_t>(sender->selectedSegment())),
                     rowkeys::kSegmentSelected, static_cast<std::uint64_t>(sender->tag()));
}

void PreferencesWC::segmentButton(QAbstractButton* sender) {
    if (!sender) return;
    if (!OwnerLock::shared().allows(lock::kChangeSet)) return updateUI();
    const std::uint64_t set = ui::tagOf(sender) == 1 ? 0 : 1;
    prefs->setCurrentSet(set);
    prefs->setObject(plist::Value(set), rowkeys::kSegmentSelected, rows::kWhenLendmodeIsOn);
    tablePref->reloadData();
}

void PreferencesWC::sliderValueChanged(DoubleSlider* sender) {
    if (!sender) return;
    prefs->setObject(plist::Value(sender->doubleValue()), rowkeys::kSliderValue,
                     static_cast<std::uint64_t>(sender->tag()));
}

void PreferencesWC::boxPressed(QAbstractButton* sender) {
    if (!sender) return;
    prefs->setObject(plist::Value(ui::isOn(sender)), rowkeys::kBox,
                     static_cast<std::uint64_t>(ui::tagOf(sender)));
}

void PreferencesWC::appDisabledButtonPressed(QAbstractButton* sender) {
    if (!tickApplication(*prefs, sender)) updateUI();
}

}  // namespace lendmode
