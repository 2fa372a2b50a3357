// The popover's view against a settings model on fake ports: what it shows, what its
// controls write, and the ON/OFF switch with what it sends to the system.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFrame>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>

#include "UiTestSupport.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "ui/AppListModel.h"
#include "ui/AppTableView.h"
#include "ui/ButtonHover.h"
#include "ui/ButtonYellow.h"
#include "ui/CellCheck.h"
#include "ui/PreferencesWC.h"
#include "ui/SegmentedControl.h"
#include "ui/ViewMainMenu.h"

using lendmode::ViewMainMenu;
using plist::Array;
using plist::Value;
using Policy = platform::qt::ActivationPolicy::Policy;
namespace rows = lendmode::rows;
namespace notifications = lendmode::notifications;

namespace {

// A shell that lets a test look at the view while an apply is running.
class WatchedShell : public testing_support::FakeShell {
public:
    std::function<void()> onRun;
    std::optional<std::string> run(const std::string& text) override {
        if (onRun) onRun();
        return FakeShell::run(text);
    }
};

class Popover : public ui_testing::UiTest {
protected:
    void SetUp() override {
        shell = std::make_shared<WatchedShell>();
        fakes.shell = shell;
        UiTest::SetUp();
    }
    void TearDown() override {
        view.reset();
        UiTest::TearDown();
    }
    void open() {
        if (!view) view = std::make_unique<ViewMainMenu>();
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    void clickApp(int index) {
        const QRect r = view->tableApp->visualRect(view->tableApp->model()->index(index, 0));
        QTest::mouseClick(view->tableApp->viewport(), Qt::LeftButton, {}, r.center());
    }
    Qt::CheckState shownTick(int index) {
        return view->tableApp->model()->index(index, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
    }
    void clickSegment(int segment) {
        lendmode::SegmentedControl* c = view->dockLocationSegmentControl;
        const int w = c->width() / c->segmentCount();
        QTest::mouseClick(c, Qt::LeftButton, {}, QPoint(w * segment + w / 2, c->height() / 2));
    }
    // Clicks a check box on its indicator (a box is wider than what it draws).
    static void tick(QCheckBox* box) {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    void forgetSentCommands() {
        fakes.shell->commands.clear();
        fakes.appleScript->scripts.clear();
    }
    bool nothingSent() const { return fakes.shell->commands.empty() && fakes.appleScript->scripts.empty(); }

    std::shared_ptr<WatchedShell> shell;
    std::unique_ptr<ViewMainMenu> view;
};

}  // namespace

TEST_F(Popover, ControlsAreNamedAfterTheirOutlets) {
    open();
    EXPECT_EQ(view->findChild<lendmode::ButtonYellow*>("lendmodeButtonON"), view->lendmodeButtonON);
    EXPECT_EQ(view->findChild<lendmode::ButtonYellow*>("lendmodeButtonOFF"), view->lendmodeButtonOFF);
    EXPECT_EQ(view->findChild<QCheckBox*>("invertScrollBox"), view->invertScrollBox);
    EXPECT_EQ(view->findChild<QCheckBox*>("hotCornersBox"), view->hotCornersBox);
    EXPECT_EQ(view->findChild<QCheckBox*>("dockVisibilityBox"), view->dockVisibilityBox);
    EXPECT_EQ(view->findChild<lendmode::SegmentedControl*>("dockLocationSegmentControl"),
              view->dockLocationSegmentControl);
    EXPECT_EQ(view->findChild<lendmode::AppTableView*>("tableApp"), view->tableApp);
    EXPECT_EQ(view->lendmodeButtonON->tag(), 1);
    EXPECT_NE(view->lendmodeButtonOFF->tag(), 1);
    EXPECT_GE(view->width(), 320);
    EXPECT_LE(view->width(), 360);
}

TEST_F(Popover, UpdateUIShowsTheFlagAndTheCurrentSetsQuickRows) {
    *row(0, rows::kDefaultScroll).find("box") = false;
    *row(0, rows::kDockVisible).find("box") = "junk";
    *row(1, rows::kDefaultScroll).find("box") = 1;  // the snapshot stores some boxes as integers
    open();
    EXPECT_EQ(view->lendmodeButtonON->state(), Qt::Unchecked);
    EXPECT_EQ(view->lendmodeButtonOFF->state(), Qt::Checked);
    EXPECT_EQ(view->invertScrollBox->checkState(), Qt::Unchecked);
    EXPECT_EQ(view->hotCornersBox->checkState(), Qt::Checked);
    EXPECT_EQ(view->dockVisibilityBox->checkState(), Qt::Unchecked) << "an odd value reads as off";

    prefs->setLendmode(true);
    prefs->setCurrentSet(1);
    view->updateUI();
    EXPECT_EQ(view->lendmodeButtonON->state(), Qt::Checked);
    EXPECT_EQ(view->lendmodeButtonOFF->state(), Qt::Unchecked);
    EXPECT_EQ(view->invertScrollBox->checkState(), Qt::Checked) << "set 1 is shown";
    EXPECT_EQ(view->dockVisibilityBox->checkState(), Qt::Checked);

    // A missing row reads as off.
    Array& set1 = *prefs->definitionSets()[1].asArray();
    std::erase_if(set1, [](const Value& r) { return r.find("ID")->integerValue() == rows::kHotCornersOff; });
    view->updateUI();
    EXPECT_EQ(view->hotCornersBox->checkState(), Qt::Unchecked);
}

TEST_F(Popover, DockLocationShowsTheStoredChoiceWhoeverChangedIt) {
    *row(0, rows::kDockLocation).find("segmentSelected") = 2;
    open();
    EXPECT_EQ(view->dockLocationSegmentControl->selectedSegment(), 2);
    // The preferences window stores another location: the popover follows it.
    prefs->setObject(Value(0), "segmentSelected", rows::kDockLocation);
    EXPECT_EQ(view->dockLocationSegmentControl->selectedSegment(), 0) << "never a value that is not stored";

    clickSegment(1);
    const Value* stored = row(0, rows::kDockLocation).find("segmentSelected");
    ASSERT_TRUE(stored && stored->isInteger());
    EXPECT_EQ(stored->integer(), 1);
    EXPECT_TRUE(nothingSent()) << "Lendmode is off: only stored";
}

TEST_F(Popover, SwitchingOnStoresTheFlagFirstThenDisablesAppliesAndReenables) {
    open();
    *row(1, rows::kDoNotDisturb).find("title1") = "stale snapshot";
    struct {
        bool flag = false;
        Qt::CheckState onState = Qt::Checked;
        bool enabled = false;
    } atPost;
    int token = 0;
    lendmode::NotificationCenter::defaultCenter().addObserver(&token, notifications::kLendmodeChanged, [&] {
        atPost = {prefs->lendmode(), view->lendmodeButtonON->state(), view->lendmodeButtonON->isEnabled()};
    });
    bool checked = false;
    shell->onRun = [&] {
        if (checked) return;
        checked = true;
        EXPECT_EQ(view->lendmodeButtonON->state(), Qt::Checked);
        EXPECT_EQ(view->lendmodeButtonOFF->state(), Qt::Unchecked);
        EXPECT_FALSE(view->lendmodeButtonON->isEnabled());
        EXPECT_FALSE(view->lendmodeButtonOFF->isEnabled());
        EXPECT_FALSE(view->invertScrollBox->isEnabled());
        EXPECT_FALSE(view->hotCornersBox->isEnabled());
        // The interface runs during the switch: what the switch reads is held too.
        EXPECT_FALSE(view->dockVisibilityBox->isEnabled());
        EXPECT_FALSE(view->dockLocationSegmentControl->isEnabled());
        EXPECT_FALSE(view->tableApp->isEnabled());
        // The header says what the switch is doing.
        const auto* status = view->findChild<QLabel*>(QStringLiteral("statusLabel"));
        EXPECT_TRUE(status->text().startsWith(QStringLiteral("Switching on: ")))
            << status->text().toStdString();
        EXPECT_TRUE(view->findChild<QWidget*>(QStringLiteral("switchProgress"))->isVisibleTo(view.get()));
    };

    QTest::mouseClick(view->lendmodeButtonON, Qt::LeftButton);
    lendmode::NotificationCenter::defaultCenter().removeObserver(&token);

    EXPECT_TRUE(atPost.flag);
    EXPECT_EQ(atPost.onState, Qt::Unchecked) << "the flag is stored before the buttons change";
    EXPECT_TRUE(atPost.enabled);
    EXPECT_TRUE(checked) << "the switch ran commands";
    EXPECT_FALSE(fakes.appleScript->scripts.empty());
    EXPECT_EQ(*row(1, rows::kDoNotDisturb).find("title1"), Value("Do not Disturb"))
        << "a new snapshot in set 1";
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_TRUE(view->lendmodeButtonON->isEnabled() && view->lendmodeButtonOFF->isEnabled());
    EXPECT_TRUE(view->invertScrollBox->isEnabled() && view->hotCornersBox->isEnabled());
    EXPECT_EQ(view->lendmodeButtonON->state(), Qt::Checked);
    EXPECT_EQ(view->lendmodeButtonOFF->state(), Qt::Unchecked);
    EXPECT_FALSE(view->findChild<QWidget*>(QStringLiteral("switchProgress"))->isVisibleTo(view.get()));
    EXPECT_TRUE(view->dockVisibilityBox->isEnabled() && view->tableApp->isEnabled()) << "all back";
}

TEST_F(Popover, OnWhileOnIsIgnoredSoTheOwnerSnapshotSurvives) {
    open();
    QTest::mouseClick(view->lendmodeButtonON, Qt::LeftButton);
    ASSERT_TRUE(prefs->guestSettingsApplied());
    forgetSentCommands();
    const Array before = prefs->definitionSets();
    ui_testing::PostCounter flagChanges(notifications::kLendmodeChanged);
    ui_testing::PostCounter rowChanges(notifications::kRowValueChanged);

    QTest::mouseClick(view->lendmodeButtonON, Qt::LeftButton);
    EXPECT_TRUE(nothingSent());
    EXPECT_EQ(prefs->definitionSets(), before);
    EXPECT_EQ(flagChanges.count, 0);
    EXPECT_EQ(rowChanges.count, 0);
    EXPECT_TRUE(view->lendmodeButtonON->isEnabled());
    EXPECT_EQ(view->lendmodeButtonON->state(), Qt::Checked);
}

TEST_F(Popover, OffWhileOffIsIgnoredSoWhatTheOwnerChangedSinceStays) {
    open();
    forgetSentCommands();
    ui_testing::PostCounter flagChanges(notifications::kLendmodeChanged);
    QTest::mouseClick(view->lendmodeButtonOFF, Qt::LeftButton);
    EXPECT_EQ(flagChanges.count, 0);
    EXPECT_TRUE(nothingSent()) << "the snapshot is not applied again";
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(view->lendmodeButtonON->isEnabled());
    EXPECT_EQ(view->lendmodeButtonOFF->state(), Qt::Checked);

    QTest::mouseClick(view->lendmodeButtonON, Qt::LeftButton);
    QTest::mouseClick(view->lendmodeButtonOFF, Qt::LeftButton);
    EXPECT_EQ(flagChanges.count, 2);
    EXPECT_FALSE(prefs->lendmode());
}

TEST_F(Popover, QuickControlsApplyAtOnceOnlyWhileLendmodeIsOn) {
    open();
    tick(view->invertScrollBox);
    tick(view->hotCornersBox);
    tick(view->dockVisibilityBox);
    clickSegment(2);
    EXPECT_EQ(*row(0, rows::kDefaultScroll).find("box"), Value(false));
    EXPECT_EQ(*row(0, rows::kHotCornersOff).find("box"), Value(false));
    EXPECT_EQ(*row(0, rows::kDockVisible).find("box"), Value(false));
    EXPECT_EQ(*row(0, rows::kDockLocation).find("segmentSelected"), Value(2));
    EXPECT_TRUE(nothingSent());

    prefs->setLendmode(true);
    tick(view->invertScrollBox);
    EXPECT_EQ(*row(0, rows::kDefaultScroll).find("box"), Value(true));
    EXPECT_EQ(fakes.appleScript->scripts.size(), 1u);
    tick(view->hotCornersBox);
    EXPECT_EQ(fakes.shell->commands.size(), 1u);
    EXPECT_NE(fakes.shell->commands.back().find("killall Dock"), std::string::npos);
    tick(view->dockVisibilityBox);
    clickSegment(1);
    EXPECT_EQ(fakes.appleScript->scripts.size(), 3u);
    EXPECT_NE(fakes.appleScript->scripts.back().find("left"), std::string::npos);
}

TEST_F(Popover, FurtherBoxesWriteTheirTaggedRowAndMixedStoresFalse) {
    open();
    QCheckBox extra;
    extra.setProperty("tag", rows::kDoNotDisturb);
    extra.setCheckState(Qt::PartiallyChecked);
    view->boxPressed(&extra);
    EXPECT_EQ(*row(0, rows::kDoNotDisturb).find("box"), Value(false));
    extra.setCheckState(Qt::Checked);
    view->boxPressed(&extra);
    EXPECT_EQ(*row(0, rows::kDoNotDisturb).find("box"), Value(true));
    prefs->setLendmode(true);
    forgetSentCommands();
    const std::size_t before = stores();
    extra.setProperty("tag", 7);  // no such row
    view->boxPressed(&extra);
    EXPECT_EQ(stores(), before);
    EXPECT_TRUE(nothingSent()) << "further boxes never apply at once";

    view->invertScrollBox->setCheckState(Qt::PartiallyChecked);
    view->invertScrollBoxPressed(view->invertScrollBox);
    EXPECT_EQ(*row(0, rows::kDefaultScroll).find("box"), Value(false));
}

TEST_F(Popover, TickingAnApplicationChangesSetZerosRecordAndTheListShowsIt) {
    apps(0)[0] = Array{5, false, "/Applications/Nameless.app"};  // a record without a name
    apps(1).erase(apps(1).begin());
    prefs->setCurrentSet(1);
    open();
    ASSERT_EQ(view->tableApp->model()->rowCount(), 4) << "set 0's list, whatever set is current";
    lendmode::CellCheck cell;
    view->fillApplicationCell(cell, 0);
    EXPECT_EQ(cell.title1->text(), "");
    EXPECT_EQ(cell.buttonCheck->property("tag").toInt(), 0);

    ui_testing::PostCounter changes(notifications::kRowValueChanged);
    clickApp(0);
    EXPECT_EQ(changes.count, 1);
    EXPECT_EQ(apps(0)[0].asArray()->at(1), Value(true));
    EXPECT_EQ(shownTick(0), Qt::Checked);
    clickApp(3);
    EXPECT_EQ(apps(0)[3], Value(Array{"Safari", true, "/Applications/Safari.app"}));
    EXPECT_EQ(apps(1)[2], Value(Array{"Safari", false, "/Applications/Safari.app"}));
    // The space bar on the current row works as a click.
    view->tableApp->setCurrentIndex(view->tableApp->model()->index(3, 0));
    QTest::keyClick(view->tableApp, Qt::Key_Space);
    EXPECT_EQ(shownTick(3), Qt::Unchecked);
    EXPECT_TRUE(nothingSent()) << "a tick only stores";
}

TEST_F(Popover, TheKeyboardsRowIsShownFullNamesOnHoverAndAnEmptyListSaysSo) {
    open();
    lendmode::AppTableView* list = view->tableApp;
    const QRect first = list->visualRect(list->model()->index(0, 0));
    const QImage before = list->viewport()->grab(first).toImage();
    // Tabbing into the list lands on its first row, drawn so, which Space toggles.
    view->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(view.get()));
    list->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(list->currentIndex().row(), 0);
    EXPECT_NE(list->viewport()->grab(first).toImage(), before) << "the current row is marked";
    QTest::keyClick(list, Qt::Key_Space);
    EXPECT_EQ(shownTick(0), Qt::Checked);

    const QString tip = list->model()->index(3, 0).data(Qt::ToolTipRole).toString();
    EXPECT_EQ(tip, "Safari\n/Applications/Safari.app");

    apps(0).clear();
    view->updateUI();
    const QImage empty = list->viewport()->grab().toImage();
    const QColor background = empty.pixelColor(0, 0);
    int textPixels = 0;
    for (int y = 0; y < empty.height(); ++y) {
        for (int x = 0; x < empty.width(); ++x) textPixels += empty.pixelColor(x, y) != background;
    }
    EXPECT_GT(textPixels, 20) << "'" << lendmode::AppTableView::emptyText().toStdString() << "' is written";
}

TEST_F(Popover, WithoutRowFortyOneTheListKeepsWhatItHad) {
    open();
    Array& set0 = *prefs->definitionSets()[0].asArray();
    set0.pop_back();
    view->updateUI();
    EXPECT_EQ(view->numberOfRowsInTableView(), 4);
}

TEST_F(Popover, ListensForRowChangesOnlyWhileShown) {
    const auto observers = [] {
        return lendmode::NotificationCenter::defaultCenter().observerCount(notifications::kRowValueChanged);
    };
    view = std::make_unique<ViewMainMenu>();
    EXPECT_EQ(observers(), 0u);
    open();
    EXPECT_EQ(observers(), 1u);
    prefs->setObject(Value(false), "box", rows::kDockVisible);
    EXPECT_EQ(view->dockVisibilityBox->checkState(), Qt::Unchecked);
    view->hide();
    EXPECT_EQ(observers(), 0u);
    prefs->setObject(Value(true), "box", rows::kDockVisible);
    EXPECT_EQ(view->dockVisibilityBox->checkState(), Qt::Unchecked);
    open();
    EXPECT_EQ(view->dockVisibilityBox->checkState(), Qt::Checked) << "refreshed on appearing";
}

TEST_F(Popover, EmbeddedInAPopupItAppearsAndDisappearsWithThePopup) {
    const auto observers = [] {
        return lendmode::NotificationCenter::defaultCenter().observerCount(notifications::kRowValueChanged);
    };
    QFrame popup(nullptr, Qt::Popup);
    auto* layout = new QVBoxLayout(&popup);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(new ViewMainMenu);
    EXPECT_EQ(observers(), 0u);
    popup.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&popup));
    EXPECT_EQ(observers(), 1u);
    popup.close();
    EXPECT_EQ(observers(), 0u);
    popup.show();
    EXPECT_EQ(observers(), 1u);
}

TEST_F(Popover, PreferencesOpenOnceAndTheQuitButtonAsksToQuit) {
    open();
    EXPECT_EQ(view->preferencesWC(), nullptr);
    QTest::mouseClick(view->preferencesButton, Qt::LeftButton);
    lendmode::PreferencesWC* first = view->preferencesWC();
    ASSERT_NE(first, nullptr);
    EXPECT_TRUE(first->isVisible());
    EXPECT_EQ(policy->activationPolicy(), Policy::Regular);
    EXPECT_EQ(policy->activations(), 1);
    first->close();
    EXPECT_EQ(policy->activationPolicy(), Policy::Accessory);
    view->preferencesPressed();
    EXPECT_EQ(view->preferencesWC(), first) << "kept and reused";

    // Both windows follow one edit.
    prefs->setObject(Value(false), "box", rows::kDefaultScroll);
    EXPECT_EQ(view->invertScrollBox->checkState(), Qt::Unchecked);

    QSignalSpy quit(view.get(), &ViewMainMenu::quitRequested);
    QTest::mouseClick(view->quitButton, Qt::LeftButton);
    EXPECT_EQ(quit.count(), 1);
}

TEST_F(Popover, TenThousandApplicationsDrawOnlyTheVisibleRows) {
    installApplications(10000);
    workspace->requests = 0;
    open();
    QCoreApplication::processEvents();  // the list lays its rows out
    (void)view->grab();
    EXPECT_EQ(view->tableApp->model()->rowCount(), 10000);
    const int visibleRows = view->tableApp->viewport()->height() / 28 + 2;
    EXPECT_GT(workspace->requests, 0);
    EXPECT_LE(workspace->requests, visibleRows);
    EXPECT_LT(view->findChildren<QWidget*>().size(), 100) << "no widget per application";

    view->tableApp->scrollToBottom();
    QCoreApplication::processEvents();
    (void)view->grab();
    EXPECT_LE(workspace->requests, 2 * visibleRows);
    clickApp(9999);
    EXPECT_EQ(apps(0)[9999].asArray()->at(1), Value(true));
}
