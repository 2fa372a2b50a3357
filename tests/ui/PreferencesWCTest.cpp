// The preferences window against a settings model on fake ports.
#include <gtest/gtest.h>

#include <QScrollArea>
#include <QScrollBar>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QTest>

#include "UiTestSupport.h"
#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "platform/LaunchAtLogin.h"
#include "platform/QtPorts.h"
#include "ui/AppListModel.h"
#include "ui/AppTableView.h"
#include "ui/ButtonYellow.h"
#include "ui/CellPrefChekbox.h"
#include "ui/DoubleSlider.h"
#include "ui/FixedScrollView.h"
#include "ui/PreferencesWC.h"
#include "ui/RowTableView.h"
#include "ui/SegmentedControl.h"

using lendmode::CellPrefChekbox;
using lendmode::PreferencesWC;
using plist::Array;
using plist::Dictionary;
using plist::Value;
using Policy = platform::qt::ActivationPolicy::Policy;
namespace rows = lendmode::rows;

namespace {

class PreferencesWindow : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        wc = std::make_unique<PreferencesWC>();
        wc->showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(wc.get()));
    }
    void TearDown() override {
        wc.reset();
        UiTest::TearDown();
    }

    // The cell showing the row with this ID in the shown set.
    CellPrefChekbox* cell(int id) {
        const Array* shown = prefs->currentDefinitionSet();
        for (std::size_t i = 0; i < shown->size(); ++i) {
            const Value* rowId = (*shown)[i].find("ID");
            if (rowId && rowId->integerValue() == id) {
                return qobject_cast<CellPrefChekbox*>(wc->tablePref->viewAtRow(static_cast<int>(i)));
            }
        }
        return nullptr;
    }
    lendmode::AppTableView* appTable() { return cell(rows::kDisabledApps)->tableApp; }
    void clickApp(int index) {
        QWidget* viewport = appTable()->viewport();
        const QRect r = appTable()->visualRect(appTable()->model()->index(index, 0));
        QTest::mouseClick(viewport, Qt::LeftButton, {}, r.center());
    }
    Qt::CheckState shownTick(int index) {
        return appTable()->model()->index(index, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
    }
    void clickSegment(lendmode::SegmentedControl* control, int segment) {
        const int w = control->width() / control->segmentCount();
        QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(w * segment + w / 2, control->height() / 2));
    }

    std::unique_ptr<PreferencesWC> wc;
};

}  // namespace

TEST_F(PreferencesWindow, TheDefaultSetShowsItsCaptionsChoicesAndTheSetInUse) {
    EXPECT_EQ(wc->tablePref->numberOfRows(), 12);

    CellPrefChekbox* darkMode = cell(rows::kDarkMode);
    ASSERT_TRUE(darkMode && darkMode->segmentControl);
    EXPECT_EQ(darkMode->title1->text(), "Dark mode");
    EXPECT_EQ(darkMode->segmentControl->selectedSegment(), 2);
    EXPECT_EQ(darkMode->segmentControl->label(2), "Auto");
    EXPECT_EQ(darkMode->title2->text(), "NOTE: Applies only when logging back in");

    CellPrefChekbox* dock = cell(rows::kDockLocation);
    ASSERT_TRUE(dock && dock->segmentControl);
    EXPECT_EQ(dock->segmentControl->labels(), (QStringList{"Bottom", "Left side", "Right side"}));
    EXPECT_EQ(dock->title2->text(), "Put the dock on the bottom");
    EXPECT_EQ(dock->segmentControl->tag(), 32);

    CellPrefChekbox* which = cell(rows::kWhenLendmodeIsOn);
    ASSERT_TRUE(which && which->button1 && which->button2);
    EXPECT_EQ(which->title1->text(), "When Lendmode is on:");
    EXPECT_EQ(which->button1->text(), "Lendmode");
    EXPECT_EQ(which->button2->text(), "owner");
    EXPECT_EQ(which->button1->state(), Qt::Checked);
    EXPECT_EQ(which->button2->state(), Qt::Unchecked);

    CellPrefChekbox* dnd = cell(rows::kDoNotDisturb);
    ASSERT_TRUE(dnd && dnd->box);
    EXPECT_EQ(dnd->title2->text(), "Notifications will be off");
    EXPECT_EQ(dnd->box->checkState(), Qt::Checked);
    EXPECT_EQ(dnd->box->property("tag").toInt(), 3);
    EXPECT_EQ(cell(rows::kBrowser)->box->checkState(), Qt::Unchecked);

    CellPrefChekbox* list = cell(rows::kDisabledApps);
    ASSERT_TRUE(list && list->tableApp);
    EXPECT_EQ(list->title1->text(), "Apps disabled in guest mode:");
    EXPECT_EQ(list->tableApp->model()->rowCount(), 4);
    EXPECT_EQ(wc->numberOfRowsInTableView(list->tableApp), 4);
    EXPECT_EQ(wc->numberOfRowsInTableView(wc->tablePref), 12);
    EXPECT_EQ(wc->numberOfRowsInTableView(wc.get()), 0);

    for (int i = 0; i < wc->tablePref->numberOfRows(); ++i) {
        auto* c = qobject_cast<CellPrefChekbox*>(wc->tablePref->viewAtRow(i));
        if (c && c->slider) {
            EXPECT_TRUE(c->slider->isHidden()) << "no row of the default set has a slider";
        }
    }
    // The row table sits in a scroll view that, on a screen tall enough for the rows,
    // neither scrolls nor shows scroll bars.
    auto* scroll = wc->findChild<lendmode::FixedScrollView*>(QStringLiteral("scrollView"));
    ASSERT_TRUE(scroll);
    wc->fitToContent(QRect(0, 0, 1280, 1200));
    EXPECT_EQ(scroll->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(scroll->widget(), wc->tablePref);
}

TEST_F(PreferencesWindow, ChoosingASegmentStoresTheIntegerAndShowsItsCaption) {
    ui_testing::PostCounter changes(lendmode::notifications::kRowValueChanged);
    lendmode::SegmentedControl* control = cell(rows::kDockLocation)->segmentControl;
    clickSegment(control, 2);
    const Value* stored = row(0, rows::kDockLocation).find("segmentSelected");
    ASSERT_TRUE(stored && stored->isInteger());
    EXPECT_EQ(stored->integer(), 2);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(stores(), 1u);
    EXPECT_EQ(cell(rows::kDockLocation)->title2->text(), "Put the dock on the right side");
    EXPECT_TRUE(fakes.appleScript->scripts.empty() && fakes.shell->commands.empty())
        << "the window only stores";
}

TEST_F(PreferencesWindow, TheYellowButtonsChooseTheSetAndTheRowsFollowIt) {
    *row(1, rows::kDoNotDisturb).find("box") = false;  // tells set 1's rows apart
    CellPrefChekbox* which = cell(rows::kWhenLendmodeIsOn);
    QTest::mouseClick(which->button2, Qt::LeftButton);
    EXPECT_EQ(prefs->currentSet(), 1u);
    EXPECT_EQ(*row(1, rows::kWhenLendmodeIsOn).find("segmentSelected"), Value(1));
    EXPECT_EQ(*row(0, rows::kWhenLendmodeIsOn).find("segmentSelected"), Value(0));
    which = cell(rows::kWhenLendmodeIsOn);
    EXPECT_EQ(which->button1->state(), Qt::Unchecked);
    EXPECT_EQ(which->button2->state(), Qt::Checked);
    EXPECT_EQ(cell(rows::kDoNotDisturb)->box->checkState(), Qt::Unchecked) << "set 1 is shown";

    QTest::mouseClick(which->button1, Qt::LeftButton);
    EXPECT_EQ(prefs->currentSet(), 0u);
    EXPECT_EQ(*row(0, rows::kWhenLendmodeIsOn).find("segmentSelected"), Value(0));
    EXPECT_EQ(cell(rows::kWhenLendmodeIsOn)->button1->state(), Qt::Checked);
    EXPECT_EQ(cell(rows::kDoNotDisturb)->box->checkState(), Qt::Checked);
}

TEST_F(PreferencesWindow, BoxesWriteTheCurrentSetAndMixedCountsAsOff) {
    QCheckBox* box = cell(rows::kDockVisible)->box;
    QTest::mouseClick(box, Qt::LeftButton);
    EXPECT_EQ(*row(0, rows::kDockVisible).find("box"), Value(false));
    EXPECT_EQ(cell(rows::kDockVisible)->box->checkState(), Qt::Unchecked);

    box = cell(rows::kDoNotDisturb)->box;
    box->setCheckState(Qt::PartiallyChecked);
    wc->boxPressed(box);
    EXPECT_EQ(*row(0, rows::kDoNotDisturb).find("box"), Value(false));

    prefs->setCurrentSet(1);
    wc->updateUI();
    QTest::mouseClick(cell(rows::kBrowser)->box, Qt::LeftButton);
    EXPECT_EQ(*row(1, rows::kBrowser).find("box"), Value(true));
    EXPECT_EQ(*row(0, rows::kBrowser).find("box"), Value(false));
}

TEST_F(PreferencesWindow, TheApplicationListIsSetZerosWhateverSetIsShown) {
    // Set 1's list differs: it lacks the first application.
    apps(1).erase(apps(1).begin());
    QTest::mouseClick(cell(rows::kWhenLendmodeIsOn)->button2, Qt::LeftButton);
    ASSERT_EQ(prefs->currentSet(), 1u);
    ASSERT_EQ(appTable()->model()->rowCount(), 4) << "set 0's list is shown";
    EXPECT_EQ(appTable()->model()->index(1, 0).data().toString(), "Chess");

    clickApp(1);
    EXPECT_EQ(apps(0)[1], Value(Array{"Chess", true, "/Applications/Chess.app"}));
    EXPECT_EQ(apps(1)[0], Value(Array{"Chess", false, "/Applications/Chess.app"})) << "set 1 is left alone";
    EXPECT_EQ(shownTick(1), Qt::Checked) << "the window shows the tick it stored";

    clickApp(1);
    EXPECT_EQ(apps(0)[1], Value(Array{"Chess", false, "/Applications/Chess.app"}));
    EXPECT_EQ(shownTick(1), Qt::Unchecked);
}

TEST_F(PreferencesWindow, WithoutRowFortyOneTheListKeepsWhatItShowed) {
    Array& set0 = *prefs->definitionSets()[0].asArray();
    std::erase_if(set0,
                  [](const Value& row) { return row.find("ID")->integerValue() == rows::kDisabledApps; });
    wc->updateUI();
    EXPECT_EQ(wc->tablePref->numberOfRows(), 11);
    EXPECT_EQ(wc->appList().size(), 4u);
}

TEST_F(PreferencesWindow, OddRowsGetSafeDefaultsAndSlidersWork) {
    Array odd;
    odd.emplace_back("not a row");
    odd.emplace_back(Dictionary{{"ID", 3}, {"title1", 42}, {"box", "junk"}});  // no idCell
    odd.emplace_back(Dictionary{{"ID", 4}, {"idCell", "Bogus"}});
    odd.emplace_back(Dictionary{{"ID", 32},
                                {"idCell", "SegmentControl3"},
                                {"title2", "kept"},
                                {"segmentSelected", 9},
                                {"segment0", 5},
                                {"segmentID", 32}});
    odd.emplace_back(Dictionary{{"ID", 50},
                                {"idCell", "Chekbox"},
                                {"sliderMin", 0.0},
                                {"sliderMax", 10.0},
                                {"sliderValue", 2.5},
                                {"sliderID", 50}});
    odd.emplace_back(
        Dictionary{{"ID", 31}, {"idCell", "Segment2Custom"}, {"segmentSelected", "1"}, {"segmentID", 31}});
    prefs->definitionSets()[0] = odd;
    wc->updateUI();

    ASSERT_EQ(wc->tablePref->numberOfRows(), 6);
    EXPECT_EQ(wc->tablePref->viewAtRow(0), nullptr);
    EXPECT_EQ(wc->tablePref->viewAtRow(1), nullptr);
    EXPECT_EQ(wc->tablePref->viewAtRow(2), nullptr);

    auto* segments = qobject_cast<CellPrefChekbox*>(wc->tablePref->viewAtRow(3));
    ASSERT_TRUE(segments);
    EXPECT_EQ(segments->title2->text(), "kept");
    EXPECT_EQ(segments->segmentControl->selectedSegment(), -1) << "an index out of range selects nothing";

    auto* sliderRow = qobject_cast<CellPrefChekbox*>(wc->tablePref->viewAtRow(4));
    ASSERT_TRUE(sliderRow && sliderRow->slider);
    EXPECT_FALSE(sliderRow->slider->isHidden());
    EXPECT_DOUBLE_EQ(sliderRow->slider->doubleValue(), 2.5);
    EXPECT_EQ(sliderRow->slider->tag(), 50);
    EXPECT_EQ(stores(), 0u) << "drawing a slider writes nothing";
    sliderRow->slider->setValue(750);  // as a drag would
    const Value* stored = row(0, 50).find("sliderValue");
    ASSERT_TRUE(stored && stored->isReal());
    EXPECT_DOUBLE_EQ(stored->real(), 7.5);

    auto* which = qobject_cast<CellPrefChekbox*>(wc->tablePref->viewAtRow(5));
    ASSERT_TRUE(which && which->button1);
    EXPECT_EQ(which->button1->text(), "") << "missing labels read as empty";
    EXPECT_EQ(which->button1->state(), Qt::Checked);
}

TEST_F(PreferencesWindow, ListensOnlyWhileOpenAndClosingReturnsToAccessory) {
    const auto observers = [] {
        return lendmode::NotificationCenter::defaultCenter().observerCount(
            lendmode::notifications::kRowValueChanged);
    };
    EXPECT_EQ(observers(), 1u);
    wc->showWindow();
    EXPECT_EQ(observers(), 1u) << "showing twice registers once";

    prefs->setObject(Value(false), "box", rows::kDoNotDisturb);  // an edit made elsewhere
    EXPECT_EQ(cell(rows::kDoNotDisturb)->box->checkState(), Qt::Unchecked);

    policy->setActivationPolicy(Policy::Regular);
    wc->close();
    EXPECT_EQ(observers(), 0u);
    EXPECT_EQ(policy->activationPolicy(), Policy::Accessory);
    prefs->setObject(Value(true), "box", rows::kDoNotDisturb);
    EXPECT_EQ(cell(rows::kDoNotDisturb)->box->checkState(), Qt::Unchecked) << "closed: no reload";

    wc->showWindow();
    EXPECT_EQ(cell(rows::kDoNotDisturb)->box->checkState(), Qt::Checked);
}

TEST_F(PreferencesWindow, FitsAShortScreenWithItsRowsScrollingAndATallOneWithout) {
    auto* rows = wc->findChild<QScrollArea*>(QStringLiteral("scrollView"));
    ASSERT_NE(rows, nullptr);
    wc->fitToContent(QRect(0, 0, 1280, 1200));
    EXPECT_EQ(rows->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff) << "every row shows";
    const int natural = wc->height();

    wc->fitToContent(QRect(0, 0, 800, 600));
    ASSERT_GT(natural, 600) << "the rows are taller than a short screen";
    EXPECT_LE(wc->minimumSizeHint().height(), 600) << "the window fits";
    EXPECT_LE(wc->height(), 600);
    EXPECT_NE(rows->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    // The end of the rows can be scrolled to.
    rows->verticalScrollBar()->setValue(rows->verticalScrollBar()->maximum());
    EXPECT_GT(rows->verticalScrollBar()->maximum(), 0);
}

TEST_F(PreferencesWindow, TenThousandApplicationsAreOneModelAndIconsComeOnlyForVisibleRows) {
    installApplications(10000);
    workspace->requests = 0;
    wc->updateUI();
    QCoreApplication::processEvents();  // the list lays its rows out
    (void)wc->grab();
    EXPECT_EQ(appTable()->model()->rowCount(), 10000);
    EXPECT_LT(wc->findChildren<QWidget*>().size(), 300) << "no widget per application";
    const int visibleRows = appTable()->viewport()->height() / 28 + 2;
    EXPECT_GT(workspace->requests, 0);
    EXPECT_LE(workspace->requests, visibleRows);

    clickApp(3);
    EXPECT_EQ(apps(0)[3].asArray()->at(1), Value(true));
    EXPECT_EQ(shownTick(3), Qt::Checked);
}

// From macOS 12 the window offers the owner's Shortcuts for switching Focus, keeps a
// chosen one that is gone in the list, and the Do Not Disturb row says which are
// missing; a choice that cannot be stored is told and not shown as made.
TEST_F(PreferencesWindow, OffersTheOwnersShortcutsForFocusFrom12AndSaysWhichAreMissing) {
    auto* focusRow = wc->findChild<QWidget*>(QStringLiteral("focusShortcuts"));
    ASSERT_NE(focusRow, nullptr);
    EXPECT_FALSE(focusRow->isVisible()) << "10.14 has no Focus";
    const QString caption = cell(rows::kDoNotDisturb)->title2->text();

    fakes.systemVersion->now = {14, 0};
    fakes.shell->answers["shortcuts list"] = "Lendmode Focus On\nWork Focus\nQuiet\n";
    wc->showWindow();
    EXPECT_TRUE(focusRow->isVisible());
    EXPECT_EQ(wc->focusOnShortcut->currentText(), "Lendmode Focus On");
    EXPECT_EQ(wc->focusOffShortcut->currentText(), "Lendmode Focus Off (missing)");
    EXPECT_EQ(wc->focusOffShortcut->count(), 4);
    const QString missing = cell(rows::kDoNotDisturb)->title2->text();
    EXPECT_TRUE(missing.contains(QStringLiteral("\u201cLendmode Focus Off\u201d"))) << missing.toStdString();
    EXPECT_FALSE(missing.contains(QStringLiteral("Lendmode Focus On"))) << "that one is there";

    wc->focusOffShortcut->setCurrentIndex(wc->focusOffShortcut->findData(QStringLiteral("Quiet")));
    emit wc->focusOffShortcut->activated(wc->focusOffShortcut->currentIndex());
    EXPECT_EQ(prefs->prefs().object(lendmode::keys::kFocusOffShortcut), Value("Quiet"));
    EXPECT_EQ(wc->focusOffShortcut->count(), 3) << "nothing missing left to show";
    EXPECT_EQ(cell(rows::kDoNotDisturb)->title2->text(), caption);

    fakes.store->failWrites();
    wc->focusOnShortcut->setCurrentIndex(wc->focusOnShortcut->findData(QStringLiteral("Work Focus")));
    emit wc->focusOnShortcut->activated(wc->focusOnShortcut->currentIndex());
    EXPECT_EQ(wc->focusOnShortcut->currentText(), "Lendmode Focus On") << "the one still stored";
    ASSERT_EQ(fakes.alerts->shown.size(), 1u);
    EXPECT_EQ(fakes.alerts->shown[0].messageText, lendmode::alerts::kFocusShortcutNotStored);
}

// The window shows what the system will do at login, including an approval still
// needed, and a click asks the system; the stored choice follows what it took.
TEST_F(PreferencesWindow, StartAtLoginShowsTheSystemsStateAndAsksTheSystem) {
    struct Login : platform::LaunchAtLogin {
        State now = State::Off;
        bool refuse = false;
        bool setEnabled(bool enabled) override {
            if (refuse) return false;
            now = enabled ? State::On : State::Off;
            return true;
        }
        State state() const override { return now; }
    };
    auto login = std::make_shared<Login>();
    platform::qt::qtPorts().launchAtLogin = login;
    login->now = Login::State::NeedsApproval;  // as left in System Settings
    wc->showWindow();
    EXPECT_TRUE(wc->launchAtLoginBox->isChecked());
    EXPECT_TRUE(wc->launchAtLoginBox->text().contains("needs approval"));
    EXPECT_TRUE(prefs->launchOnStartup());

    wc->launchAtLoginBox->click();
    EXPECT_EQ(login->now, Login::State::On) << "asked again, not switched off";
    wc->launchAtLoginBox->click();
    EXPECT_EQ(login->now, Login::State::Off);
    EXPECT_FALSE(wc->launchAtLoginBox->isChecked());
    EXPECT_FALSE(prefs->launchOnStartup());

    login->refuse = true;
    wc->launchAtLoginBox->click();
    EXPECT_FALSE(wc->launchAtLoginBox->isChecked()) << "the system did not take it";
    EXPECT_FALSE(prefs->launchOnStartup());
}

// While a switch runs (the interface with it), the window's rows and choices are held.
TEST_F(PreferencesWindow, ItsRowsAreHeldWhileASwitchRuns) {
    auto* rows = wc->findChild<QWidget*>(QStringLiteral("scrollView"));
    bool heldDuring = false;
    fakes.shell->duringNextRun = [&] { heldDuring = !rows->isEnabled() && !wc->ownerLockBox->isEnabled(); };
    prefs->switchLendmode(true, nullptr);
    EXPECT_TRUE(heldDuring);
    EXPECT_TRUE(rows->isEnabled() && wc->ownerLockBox->isEnabled()) << "back once it ended";
}
