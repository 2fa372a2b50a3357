// Port: a modal alert with one or more buttons.
#pragma once

#include <QString>
#include <QStringList>

namespace platform::qt {

struct Alert {
    enum class Style { Warning = 0, Informational = 1, Critical = 2 };
    Style style = Style::Warning;
    QString messageText;
    QString informativeText;
    QStringList buttons;
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    // Shows the alert and returns when a button is pressed: the button's index.
    virtual int runModal(const Alert& alert) = 0;
};

}  // namespace platform::qt
