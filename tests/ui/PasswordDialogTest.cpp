// The owner's password dialog of the simulated Mac, as the owner lock shows it.
#include "platform/qt/PasswordDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

namespace {

// Runs `answer` on the dialog once askOwnerPassword has shown it.
std::optional<std::string> askAndAnswer(const std::string& reason,
                                        const std::function<void(QWidget& dialog)>& answer) {
    QTimer::singleShot(0, [&answer] {
        QWidget* dialog = QApplication::activeModalWidget();
        if (dialog == nullptr) {
            ADD_FAILURE() << "no modal dialog is shown";
            return;
        }
        answer(*dialog);
    });
    return platform::qt::askOwnerPassword(reason);
}

}  // namespace

TEST(PasswordDialog, HidesWhatIsTypedAndSaysWhatFor) {
    platform::qt::PasswordDialog dialog(QStringLiteral("turn Lendmode off"));
    auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("passwordField"));
    auto* ok = dialog.findChild<QPushButton*>(QStringLiteral("okButton"));
    auto* reason = dialog.findChild<QLabel*>(QStringLiteral("reason"));
    ASSERT_TRUE(field && ok && reason && dialog.findChild<QLabel*>(QStringLiteral("headline")));
    EXPECT_EQ(field->echoMode(), QLineEdit::Password);
    EXPECT_TRUE(reason->text().contains(QStringLiteral("to turn Lendmode off")));
    EXPECT_FALSE(ok->isEnabled()) << "nothing typed, nothing to check";
    QTest::keyClicks(field, QStringLiteral("x"));
    EXPECT_TRUE(ok->isEnabled());

    // After a wrong answer the headline says so.
    const auto headlineOf = [](bool again) {
        platform::qt::PasswordDialog d(QStringLiteral("quit Lendmode"), again);
        return d.findChild<QLabel*>(QStringLiteral("headline"))->text();
    };
    EXPECT_NE(headlineOf(true), headlineOf(false));
    EXPECT_TRUE(headlineOf(true).contains(QStringLiteral("Wrong password")));
}

TEST(PasswordDialog, OkGivesTheTypedTextAndCancelGivesNothing) {
    const auto typed = askAndAnswer("turn Lendmode off", [](QWidget& dialog) {
        auto* field = dialog.findChild<QLineEdit*>(QStringLiteral("passwordField"));
        QTest::keyClicks(field, QStringLiteral("s3same"));
        field->insert(QStringLiteral(" é"));  // beyond what key clicks can type
        dialog.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    });
    EXPECT_EQ(typed, std::optional<std::string>("s3same é"));

    const auto cancelled = askAndAnswer("quit", [](QWidget& dialog) {
        QTest::keyClicks(dialog.findChild<QLineEdit*>(QStringLiteral("passwordField")),
                         QStringLiteral("typed"));
        dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    });
    EXPECT_EQ(cancelled, std::nullopt);
}
