// URL-scheme handlers from the simulated Mac's handler table.
#pragma once

#include <memory>

#include "platform/UrlHandlers.h"
#include "sim/SimMac.h"

namespace platform::simulated {

class SimUrlHandlers : public UrlHandlers {
public:
    explicit SimUrlHandlers(std::shared_ptr<const sim::SimMac> mac) : mac_(std::move(mac)) {}
    std::optional<std::vector<std::string>> allHandlers(const std::string& scheme) override;
    std::optional<std::string> defaultHandler(const std::string& scheme) override;
    void setDefaultHandler(const std::string& scheme, const std::string& bundleIdentifier,
                           Done done) override;

private:
    std::shared_ptr<const sim::SimMac> mac_;
};

}  // namespace platform::simulated
