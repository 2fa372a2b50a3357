// Remote control for tests that drive the real program as a process (built only into
// lendmode-testable): SIGUSR1 switches Lendmode on and SIGUSR2 off, as the popover's
// switch does; alerts are printed instead of shown; start-up and each switch are
// reported on standard output.
#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>

#include "app/AppDelegate.h"
#include "app/SignalNotifier.h"
#include "platform/Ports.h"

namespace lendmode {

class TestControl {
public:
    // Alerts go to standard output too (and only there without a display). Call
    // before the ports are handed to the settings.
    static void instrument(platform::Ports& ports);
    explicit TestControl(AppDelegate& delegate);
    ~TestControl();
    void ready();

private:
    AppDelegate& delegate_;
    bool preferencesShown_ = false;
    QPointer<QWidget> passwordShown_;
    std::unique_ptr<SignalNotifier> signalNotifier_;
};

}  // namespace lendmode
