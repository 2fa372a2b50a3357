#include "platform/qt/SimQtPorts.h"

#include "platform/qt/MessageBoxAlert.h"
#include "platform/qt/QtPorts.h"
#include "platform/qt/RecordedActivationPolicy.h"
#include "platform/qt/SimWorkspace.h"
#include "platform/qt/TrayStatusItem.h"
#include "sim/SimMac.h"

namespace platform::qt {

void installSimulatedMacPorts(const std::string& root) {
    QtPorts& ports = qtPorts();
    ports.workspace = std::make_shared<SimWorkspace>(sim::SimMac(root).runDirectory());
    ports.makeStatusItem = [] { return std::make_shared<TrayStatusItem>(); };
    ports.alerts = std::make_shared<MessageBoxAlert>();
    ports.activationPolicy = std::make_shared<RecordedActivationPolicy>();
}

}  // namespace platform::qt
