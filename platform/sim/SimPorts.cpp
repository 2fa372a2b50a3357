#include "platform/sim/SimPorts.h"

#include "model/BuildInfo.h"
#include "platform/posix/ManualMainThread.h"
#include "platform/posix/PosixShellRunner.h"
#include "platform/posix/RecordFile.h"
#include "platform/sim/SimAppleScriptRunner.h"
#include "platform/sim/SimAutomationConsent.h"
#include "platform/sim/SimSystemPorts.h"
#include "platform/sim/SimUrlHandlers.h"
#include "platform/sim/SimUserAccount.h"
#include "platform/sim/SimUserDefaultsStore.h"
#include "sim/SimEnvironment.h"
#include "sim/SimMac.h"

namespace platform {

namespace simulated {

Ports portsFor(const std::string& root) {
    auto mac = std::make_shared<const sim::SimMac>(root);
    Ports ports;
    ports.userDefaults = std::make_shared<SimUserDefaultsStore>(mac, lendmode::build::kBundleIdentifier);
    ports.shell = std::make_shared<PosixShellRunner>(sim::shellEnvironment(*mac));
    ports.appleScript = std::make_shared<SimAppleScriptRunner>(mac);
    ports.mainThread = std::make_shared<ManualMainThread>();
    ports.urlHandlers = std::make_shared<SimUrlHandlers>(mac);
    ports.account = std::make_shared<SimUserAccount>(mac);
    ports.automation = std::make_shared<SimAutomationConsent>(mac);
    ports.systemVersion = std::make_shared<SimSystemVersion>(mac);
    ports.scrollDirection = std::make_shared<SimScrollDirection>(mac);
    // Beside the single-instance lock, whose folder is the simulated Mac's.
    ports.recordCopy = std::make_shared<RecordFile>(root + "/" + kRecordFileName);
    return ports;
}

}  // namespace simulated

}  // namespace platform
