// The ports of the application shell and the windows, which need Qt. The program
// installs the platform's implementations at start; tests install fakes.
#pragma once

#include <functional>
#include <memory>

#include "platform/ActivationPolicy.h"
#include "platform/LaunchAtLogin.h"
#include "platform/OwnerAuthentication.h"
#include "platform/StatusItem.h"
#include "platform/Workspace.h"

class QWidget;

namespace platform::qt {

struct QtPorts {
    std::shared_ptr<Workspace> workspace;
    // Makes the status item; called once, when the item is first needed.
    std::function<std::shared_ptr<StatusItem>()> makeStatusItem;
    std::shared_ptr<ActivationPolicy> activationPolicy;
    // Whether the system uses the dark appearance, which the windows follow.
    std::function<bool()> darkAppearance;
    std::shared_ptr<LaunchAtLogin> launchAtLogin;
    // Asks for the owner before the owner lock lets an action through.
    std::shared_ptr<OwnerAuthentication> ownerAuthentication;
    // Keeps a shown notice in sight above other applications' windows, where the
    // platform needs more than Qt's stay-on-top (unset elsewhere).
    std::function<void(QWidget&)> floatAboveOtherApplications;
};

// The installed ports (empty pointers until installed).
QtPorts& qtPorts();

}  // namespace platform::qt
