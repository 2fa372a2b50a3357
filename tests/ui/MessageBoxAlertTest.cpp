// The alerts the program shows as Qt message boxes.
#include "platform/qt/MessageBoxAlert.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QMessageBox>

namespace {

// The platform's hook runs on the shown box, inside its modal loop, and the button
// pressed there is the one reported.
TEST(MessageBoxAlert, ThePlatformSeesTheShownBoxAndThePressedButtonIsReported) {
    bool shown = false;
    platform::qt::MessageBoxAlert alerts([&shown](QWidget& box) {
        shown = box.isVisible() && box.isModal();
        for (QAbstractButton* button : static_cast<QMessageBox&>(box).buttons()) {
            if (button->text() == QStringLiteral("Turn Off")) button->click();
        }
    });
    platform::Alert alert;
    alert.messageText = "Launch Chess";
    alert.buttons = {"I see", "Turn Off"};
    EXPECT_EQ(alerts.runModal(alert), 1);
    EXPECT_TRUE(shown);
}

}  // namespace
