// The owner lock's question on the simulated Mac: a small modal dialog in the look of
// the program's alerts, with a headline, what the password is for, a password field
// that shows no characters, and OK and Cancel. Its widgets are named for tests:
// "headline", "reason", "passwordField", "okButton", "cancelButton".
#pragma once

#include <QDialog>
#include <optional>
#include <string>

class QLineEdit;

namespace platform::qt {

class PasswordDialog : public QDialog {
public:
    // reason: what the password is for, as a phrase that follows "to" ("turn Lendmode off").
    // again: the last answer was wrong, and the headline says so.
    explicit PasswordDialog(const QString& reason, bool again = false, QWidget* parent = nullptr);
    QString password() const;

private:
    QLineEdit* field_;
};

// Shows the dialog application-modal and returns the typed password, or nullopt when
// the owner cancels.
std::optional<std::string> askOwnerPassword(const std::string& reason, bool again = false);

}  // namespace platform::qt
