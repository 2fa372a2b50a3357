// The owner lock in the popover and the preferences window: setting it, and what it
// guards while Lendmode is on.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QTest>

#include "UiTestSupport.h"
#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "platform/QtPorts.h"
#include "tests/support/FakeOwnerAuthentication.h"
#include "ui/AppTableView.h"
#include "ui/ButtonHover.h"
#include "ui/ButtonYellow.h"
#include "ui/CellPrefChekbox.h"
#include "ui/OwnerLock.h"
#include "ui/PreferencesWC.h"
#include "ui/RowTableView.h"
#include "ui/ViewMainMenu.h"

using Outcome = platform::OwnerAuthentication::Outcome;
using plist::Value;
namespace rows = lendmode::rows;
namespace alerts = lendmode::alerts;

namespace {

class OwnerLock : public ui_testing::UiTest {
protected:
    void SetUp() override {
        UiTest::SetUp();
        platform::qt::qtPorts().ownerAuthentication = owner;
        view = std::make_unique<lendmode::ViewMainMenu>();
        view->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
    }
    void TearDown() override {
        view.reset();
        UiTest::TearDown();
    }
    // The lock set and Lendmode on, with the answers the owner will give.
    void engage(std::initializer_list<Outcome> answers) {
        ASSERT_TRUE(prefs->setOwnerLockRequired(true));
        prefs->setLendmode(true);
        view->updateUI();
        owner->answers = answers;
        owner->reasons.clear();
        fakes.appleScript->scripts.clear();
        fakes.shell->commands.clear();
    }
    void clickApp(int index) {
        const QRect r = view->tableApp->visualRect(view->tableApp->model()->index(index, 0));
        QTest::mouseClick(view->tableApp->viewport(), Qt::LeftButton, {}, r.center());
    }
    std::vector<std::string> alertTitles() const {
        std::vector<std::string> titles;
        for (const auto& alert : fakes.alerts->shown) titles.push_back(alert.messageText);
        return titles;
    }

    std::shared_ptr<testing_support::FakeOwnerAuthentication> owner =
        std::make_shared<testing_support::FakeOwnerAuthentication>();
    std::unique_ptr<lendmode::ViewMainMenu> view;
};

}  // namespace

TEST_F(OwnerLock, SettingItAsksTheOwnerAndItStaysSetWhileEngaged) {
    EXPECT_FALSE(view->ownerLockButton->isChecked()) << "off unless the owner sets it";
    // No way to ask (no password): a lock nobody could open is not set.
    owner->answers = {Outcome::Unavailable};
    QTest::mouseClick(view->ownerLockButton, Qt::LeftButton);
    EXPECT_FALSE(prefs->ownerLockRequired());
    EXPECT_EQ(alertTitles(), std::vector<std::string>{alerts::kOwnerLockNotSet});

    // A wrong password asks again; the right one sets it, and both places show it.
    owner->answers = {Outcome::Denied, Outcome::Granted};
    QTest::mouseClick(view->ownerLockButton, Qt::LeftButton);
    EXPECT_EQ(owner->reasons.size(), 3u);
    EXPECT_TRUE(prefs->ownerLockRequired());
    EXPECT_TRUE(view->ownerLockButton->isChecked());
    lendmode::PreferencesWC window;
    window.showWindow();
    EXPECT_TRUE(window.ownerLockBox->isChecked());

    // Engaged, it cannot be switched off, from either place.
    prefs->setLendmode(true);
    QTest::mouseClick(view->ownerLockButton, Qt::LeftButton);
    window.ownerLockBoxPressed();
    EXPECT_TRUE(prefs->ownerLockRequired());
    EXPECT_TRUE(view->ownerLockButton->isChecked());
    EXPECT_EQ(fakes.alerts->shown.back().messageText, alerts::kOwnerLockStays);

    // Off again, the owner clears it without being asked.
    prefs->setLendmode(false);
    owner->reasons.clear();
    QTest::mouseClick(view->ownerLockButton, Qt::LeftButton);
    EXPECT_FALSE(prefs->ownerLockRequired());
    EXPECT_TRUE(owner->reasons.empty());
}

TEST_F(OwnerLock, WhileEngagedEachWayOutAsksAndARefusalChangesNothing) {
    engage({Outcome::Cancelled, Outcome::Cancelled, Outcome::Cancelled, Outcome::Cancelled});
    const Value tickBefore = prefs->appDisabled()->at(0);
    QTest::mouseClick(view->lendmodeButtonOFF, Qt::LeftButton);
    clickApp(0);
    QTest::mouseClick(view->invertScrollBox, Qt::LeftButton, {},
                      QPoint(8, view->invertScrollBox->height() / 2));
    QTest::mouseClick(view->preferencesButton, Qt::LeftButton);

    EXPECT_EQ(owner->reasons, (std::vector<std::string>{
                                  lendmode::lock::kTurnOff, lendmode::lock::kChangeBlocked,
                                  lendmode::lock::kChangeQuickSettings, lendmode::lock::kOpenPreferences}));
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_EQ(view->lendmodeButtonON->state(), Qt::Checked) << "the switch shows on again";
    EXPECT_EQ(prefs->appDisabled()->at(0), tickBefore);
    EXPECT_EQ(view->tableApp->model()->index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(),
              tickBefore.asArray()->at(1).truthValue() ? Qt::Checked : Qt::Unchecked);
    EXPECT_EQ(*row(0, rows::kDefaultScroll).find("box"), Value(true));
    EXPECT_EQ(view->invertScrollBox->checkState(), Qt::Checked);
    EXPECT_EQ(view->preferencesWC(), nullptr);
    EXPECT_TRUE(fakes.appleScript->scripts.empty() && fakes.shell->commands.empty());
    EXPECT_TRUE(fakes.alerts->shown.empty()) << "a cancel needs no explaining";

    // The owner's password lets each through.
    owner->answers = {Outcome::Granted, Outcome::Granted};
    QTest::mouseClick(view->preferencesButton, Qt::LeftButton);
    ASSERT_NE(view->preferencesWC(), nullptr);
    EXPECT_TRUE(view->preferencesWC()->isVisible());
    QTest::mouseClick(view->lendmodeButtonOFF, Qt::LeftButton);
    EXPECT_FALSE(prefs->lendmode());
}

TEST_F(OwnerLock, ALoansTimeIsChosenFreelyWhileOffAndWhileOnOnlyWithThePassword) {
    QComboBox* choice = view->loanChoice;
    EXPECT_EQ(choice->currentText(), "until I switch off") << "the default";
    ASSERT_TRUE(prefs->setOwnerLockRequired(true));
    const auto pick = [choice](int index) {
        choice->setCurrentIndex(index);
        emit choice->activated(index);
    };
    pick(1);
    EXPECT_EQ(prefs->loan().chosen(), lendmode::Loan::Seconds(1800));
    EXPECT_TRUE(owner->reasons.empty()) << "nothing is guarded while off";

    prefs->switchLendmode(true, nullptr);
    view->updateUI();
    EXPECT_EQ(choice->currentText(), "for 30 min");
    owner->answers = {Outcome::Cancelled, Outcome::Granted};
    pick(3);
    EXPECT_EQ(owner->reasons, std::vector<std::string>{lendmode::lock::kChangeLoanTime});
    EXPECT_EQ(prefs->loan().length(), lendmode::Loan::Seconds(1800));
    EXPECT_EQ(choice->currentText(), "for 30 min") << "shown as it stays";
    pick(4);
    EXPECT_FALSE(prefs->loan().timed()) << "the owner took the time limit away";
    EXPECT_EQ(fakes.store->read(lendmode::keys::kLoanLength), Value(0));
    EXPECT_EQ(choice->currentText(), "until I switch off");
}

TEST_F(OwnerLock, TheThirdWrongPasswordStartsTheWaitAndSaysSo) {
    engage({Outcome::Denied, Outcome::Denied, Outcome::Denied, Outcome::Granted});
    QTest::mouseClick(view->lendmodeButtonOFF, Qt::LeftButton);
    EXPECT_EQ(owner->reasons.size(), 3u);
    EXPECT_TRUE(prefs->lendmode());
    ASSERT_EQ(alertTitles(), std::vector<std::string>{alerts::kOwnerLockWait});
    EXPECT_NE(fakes.alerts->shown[0].informativeText.find("30 seconds"), std::string::npos);
    // During the wait nobody is asked, even with the right password ready.
    QTest::mouseClick(view->lendmodeButtonOFF, Qt::LeftButton);
    EXPECT_EQ(owner->reasons.size(), 3u);
    EXPECT_TRUE(prefs->lendmode());
    EXPECT_EQ(lendmode::OwnerLock::shared()
                  .refusalText(lendmode::OwnerLockGate::Result::Waiting)
                  .rfind("locked", 0),
              0u);
}

TEST_F(OwnerLock, ThePreferencesWindowClosesWhenTheLockEngagesAndGuardsTheSetInUse) {
    ASSERT_TRUE(prefs->setOwnerLockRequired(true));
    lendmode::PreferencesWC window;
    window.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    prefs->setLendmode(true);
    EXPECT_FALSE(window.isVisible()) << "left open, it would let the borrower past the lock";

    owner->answers = {Outcome::Cancelled};
    window.showWindow();  // as after the owner's password
    const auto* which = qobject_cast<lendmode::CellPrefChekbox*>(window.tablePref->viewAtRow(0));
    ASSERT_TRUE(which && which->button2);
    QTest::mouseClick(which->button2, Qt::LeftButton);
    EXPECT_EQ(owner->reasons, std::vector<std::string>{lendmode::lock::kChangeSet});
    EXPECT_EQ(prefs->currentSet(), 0u);
}
