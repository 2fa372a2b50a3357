#include "platform/QtPorts.h"

namespace platform::qt {

QtPorts& qtPorts() {
    static QtPorts ports;
    return ports;
}

}  // namespace platform::qt
