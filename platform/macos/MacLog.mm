#include "platform/macos/MacLog.h"

#include <os/log.h>

#include "base/Log.h"

namespace platform::macos {
namespace {

os_log_type_t typeFor(lendmode::log::Level level) {
    switch (level) {
        case lendmode::log::Level::Error: return OS_LOG_TYPE_ERROR;
        // Default, not info: `log stream` leaves os_log info lines out unless asked.
        case lendmode::log::Level::Info: return OS_LOG_TYPE_DEFAULT;
        case lendmode::log::Level::Debug: return OS_LOG_TYPE_DEBUG;
    }
    return OS_LOG_TYPE_DEFAULT;
}

}  // namespace

void installUnifiedLogSink(const std::string& subsystem) {
    os_log_t log = os_log_create(subsystem.c_str(), "general");
    lendmode::log::setSink([log](lendmode::log::Level level, std::string_view message) {
        const std::string text(message);
        os_log_with_type(log, typeFor(level), "%{public}s", text.c_str());
    });
}

}  // namespace platform::macos
