// The simulated Mac's macOS version (`lendmode-sim macos`) and its scroll direction,
// changed at once as the Mac's private function changes it.
#pragma once

#include <memory>

#include "platform/ScrollDirection.h"
#include "platform/SystemVersion.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimSystemVersion : public SystemVersion {
public:
    explicit SimSystemVersion(std::shared_ptr<const sim::SimMac> mac) : mac_(std::move(mac)) {}
    MacOSRelease release() const override {
        const sim::MacOSVersion version = mac_->macOSVersion();
        return {version.major, version.minor};
    }

private:
    std::shared_ptr<const sim::SimMac> mac_;
};

class SimScrollDirection : public ScrollDirection {
public:
    explicit SimScrollDirection(std::shared_ptr<const sim::SimMac> mac) : mac_(std::move(mac)) {}
    Change setNaturalScrolling(bool natural) override {
        return mac_->setNaturalScrolling(natural) ? Change::InEffect : Change::Failed;
    }

private:
    std::shared_ptr<const sim::SimMac> mac_;
};

}  // namespace platform::simulated
