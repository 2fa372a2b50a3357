// Port: a modal alert with one or more buttons. The engine tells the owner through
// it why a switch was refused; the application shell announces blocked launches.
#pragma once

#include <string>
#include <vector>

namespace platform {

struct Alert {
    enum class Style { Warning = 0, Informational = 1, Critical = 2 };
    Style style = Style::Warning;
    std::string messageText;
    std::string informativeText;
    std::vector<std::string> buttons;
};

class AlertPresenter {
public:
    virtual ~AlertPresenter() = default;
    // Shows the alert and returns when a button is pressed: the button's index.
    virtual int runModal(const Alert& alert) = 0;
};

}  // namespace platform
