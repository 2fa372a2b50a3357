// The command text that ends a disabled application as it starts. (Each setting's
// reading texts are in its own file, engine/settings.)
#pragma once

#include <string>
#include <string_view>

namespace lendmode::commands {

// Ends a disabled application that is starting: "killall %@", the name quoted so the
// shell passes it on as one word, whatever it holds.
std::string killallCommand(std::string_view applicationName);

}  // namespace lendmode::commands
