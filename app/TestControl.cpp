#include "app/TestControl.h"

#include <csignal>
#include <cstdio>

#include "model/Preferences.h"

namespace lendmode {
namespace {

class PrintedAlert : public platform::qt::AlertPresenter {
public:
    int runModal(const platform::qt::Alert& alert) override {
        std::printf("ALERT %s | %s | %s\n", alert.messageText.toUtf8().constData(),
                    alert.informativeText.toUtf8().constData(), alert.buttons.join('|').toUtf8().constData());
        std::fflush(stdout);
        return 0;
    }
};

}  // namespace

TestControl::TestControl(AppDelegate& delegate) : delegate_(delegate) {
    platform::qt::qtPorts().alerts = std::make_shared<PrintedAlert>();
    signalNotifier_ = std::make_unique<SignalNotifier>(std::initializer_list<int>{SIGUSR1, SIGUSR2}, [this](int signal) {
        const bool on = signal == SIGUSR1;
        Preferences& prefs = *delegate_.prefs;
        prefs.setLendmode(on);
        if (on) {
            prefs.applaySelectedDefinitionCompletion(nullptr);
        } else {
            prefs.restoreDefinitionSetsCompletion(nullptr);
        }
        std::printf("%s\n", on ? "ON" : "OFF");
        std::fflush(stdout);
    });
}

void TestControl::ready() {
    std::printf("READY\n");
    std::fflush(stdout);
}

}  // namespace lendmode
