#include "engine/CommandTexts.h"

#include "base/Quoting.h"

namespace lendmode::commands {

std::string killallCommand(std::string_view applicationName) {
    return "killall " + shellQuoted(applicationName);
}

}  // namespace lendmode::commands
