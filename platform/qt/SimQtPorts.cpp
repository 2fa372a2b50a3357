#include "platform/qt/SimQtPorts.h"

#include "platform/qt/QtPorts.h"
#include "platform/qt/RecordedActivationPolicy.h"
#include "platform/qt/SimWorkspace.h"
#include "platform/qt/TrayStatusItem.h"
#include "sim/SimMac.h"

namespace platform::qt {

void installSimulatedMacPorts(const std::string& root) {
    QtPorts& ports = qtPorts();
    ports.workspace = std::make_shared<SimWorkspace>(sim::SimMac(root));
    ports.makeStatusItem = [] { return std::make_shared<TrayStatusItem>(); };
    ports.activationPolicy = std::make_shared<RecordedActivationPolicy>();
    ports.darkAppearance = [root] {
        const auto global = sim::SimMac(root).readDomain("NSGlobalDomain");
        if (!global) return false;
        const auto style = global->find("AppleInterfaceStyle");
        return style != global->end() && style->second.isString() && *style->second.asString() == "Dark";
    };
}

}  // namespace platform::qt
