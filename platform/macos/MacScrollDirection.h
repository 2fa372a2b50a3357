// The scroll direction on macOS: the stored key in the global domain, and the private
// function System Settings itself calls to put a new direction into effect at once.
#pragma once

#include "platform/ScrollDirection.h"
#include "platform/macos/MacUserDefaultsStore.h"

namespace platform::macos {

class MacScrollDirection : public ScrollDirection {
public:
    MacScrollDirection();
    // The key first, so that the stored value always matches the one in effect; then
    // the function, when this macOS has it.
    Change setNaturalScrolling(bool natural) override;

private:
    MacUserDefaultsStore global_;
};

}  // namespace platform::macos
