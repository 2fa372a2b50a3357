// A switch on and off on a simulated Mac as slow as a real one (`lendmode-sim latency
// realistic`), with the interface's event loop running beside it as in the program
// (ResponsiveRunners): a timer meant to fire every 10 ms measures the longest time the
// loop went without running. Targets: at most 50 ms, and the switch's wall time within
// 1.05 times the floor's: the same texts (every shell text, AppleScript and quit the
// switch ran) run one after another, with no event loop. Measured with the seeded
// Mac's 30 applications and with 1,000 more, three of them ticked and running, so that
// the switch quits and reopens them.
#include <QCoreApplication>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <memory>
#include <variant>

#include "base/Log.h"
#include "base/Quoting.h"
#include "base/Spawn.h"
#include "bench/BenchSupport.h"
#include "model/Preferences.h"
#include "platform/qt/QtMainThread.h"
#include "platform/qt/ResponsiveRunners.h"
#include "platform/sim/SimPorts.h"
#include "sim/SimEnvironment.h"
#include "sim/SimMac.h"
#include "sim/applescript/AppleScript.h"
#include "tests/support/Applications.h"

using lendmode::Preferences;
using Clock = std::chrono::steady_clock;

namespace {

// What the switch ran, in order: a shell text, or an AppleScript (run in the program,
// or through osascript when it may be given up).
struct Shell {
    std::string text;
};
struct Script {
    std::string source;
    bool throughOsascript = false;
};
using Ran = std::vector<std::variant<Shell, Script>>;

class RecordingShell : public platform::ShellRunner {
public:
    RecordingShell(std::shared_ptr<platform::ShellRunner> inner, Ran& ran)
        : inner_(std::move(inner)), ran_(ran) {}
    std::optional<std::string> run(const std::string& text) override {
        ran_.push_back(Shell{text});
        return inner_->run(text);
    }
    std::vector<std::optional<std::string>> runAll(const std::vector<std::string>& texts) override {
        for (const std::string& text : texts) ran_.push_back(Shell{text});
        return inner_->runAll(texts);
    }
    bool runSucceeded(const std::string& text) override {
        ran_.push_back(Shell{text});
        return inner_->runSucceeded(text);
    }

private:
    std::shared_ptr<platform::ShellRunner> inner_;
    Ran& ran_;
};

class RecordingAppleScript : public platform::AppleScriptRunner {
public:
    RecordingAppleScript(std::shared_ptr<platform::AppleScriptRunner> inner, Ran& ran)
        : inner_(std::move(inner)), ran_(ran) {}
    std::optional<std::vector<std::string>> execute(const std::string& source) override {
        ran_.push_back(Script{source});
        return inner_->execute(source);
    }
    std::optional<std::vector<std::string>> execute(const std::string& source, std::string& error) override {
        ran_.push_back(Script{source});
        return inner_->execute(source, error);
    }
    std::optional<std::vector<std::string>> executeUnless(const std::string& source,
                                                          const std::function<bool()>& stop) override {
        ran_.push_back(Script{source, true});
        return inner_->executeUnless(source, stop);
    }

private:
    std::shared_ptr<platform::AppleScriptRunner> inner_;
    Ran& ran_;
};

double millisecondsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// One switch on and off in the event loop: its wall time, the longest pause of the
// loop, and what it ran.
struct Switched {
    double wallMs = 0, longestPauseMs = 0;
    Ran ran;
};

Switched switchOnAndOff(const std::string& mac) {
    Switched result;
    platform::Ports ports = platform::simulated::portsFor(mac);
    ports.shell = std::make_shared<platform::qt::ResponsiveShellRunner>(
        std::make_shared<RecordingShell>(ports.shell, result.ran));
    ports.appleScript = std::make_shared<platform::qt::ResponsiveAppleScriptRunner>(
        std::make_shared<RecordingAppleScript>(ports.appleScript, result.ran));
    ports.automation = std::make_shared<platform::qt::ResponsiveAutomationConsent>(ports.automation);
    ports.mainThread = std::make_shared<platform::qt::QtMainThread>();
    Preferences& prefs = Preferences::resetShared(ports);
    prefs.readCurrentDefinitionSets();
    result.ran.clear();

    QTimer ticks;
    Clock::time_point last = Clock::now();
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        result.longestPauseMs =
            std::max(result.longestPauseMs, std::chrono::duration<double, std::milli>(now - last).count());
        last = now;
    });
    ticks.start(10);
    const Clock::time_point start = Clock::now();
    last = start;
    prefs.switchLendmode(true, nullptr);
    prefs.switchLendmode(false, nullptr);
    result.wallMs = millisecondsSince(start);
    ticks.stop();
    Preferences::resetShared();
    return result;
}

// The same texts one after another, with no event loop.
double floorOf(const Ran& ran, const std::string& mac) {
    const sim::SimMac simulated(mac);
    const auto environment = sim::shellEnvironment(simulated);
    const Clock::time_point start = Clock::now();
    for (const auto& item : ran) {
        if (const auto* shell = std::get_if<Shell>(&item)) {
            (void)posix::runShell(shell->text, environment, /*waitForExit=*/true);
        } else if (const auto& script = std::get<Script>(item); script.throughOsascript) {
            (void)posix::runShell("osascript -e " + lendmode::shellQuoted(script.source), environment, true);
        } else {
            (void)sim::applescript::run(script.source, simulated);
        }
    }
    return millisecondsSince(start);
}

bool measure(const char* size, int extra) {
    bench::ScratchMac scratch;
    const std::string prepared = scratch.root() + "/prepared", mac = scratch.root() + "/mac";
    bench::addApplications(prepared, extra);
    {
        Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(prepared));
        prefs.readCurrentDefinitionSets();
        for (const char* name : {"Slack", "Spotify", "Xcode"})
            testing_support::setApplicationDisabled(prefs, name);
        Preferences::resetShared();
        // All three running, so that the switch quits and reopens each.
        const sim::SimMac simulated(prepared);
        const auto xcode = simulated.findApp("Xcode");
        if (!xcode || !simulated.launch(*xcode) || !simulated.setLatency(sim::Latency::Realistic))
            throw std::runtime_error("cannot prepare the simulated Mac");
    }
    bench::freshCopy(prepared, mac);
    const Switched switched = switchOnAndOff(mac);
    bench::freshCopy(prepared, mac);
    const double floorMs = floorOf(switched.ran, mac);
    std::printf("  %s: switch on+off %.0f ms, %zu texts one after another %.0f ms\n", size, switched.wallMs,
                switched.ran.size(), floorMs);
    const bool pause = bench::reportTarget(
        std::string("longest event-loop pause during a switch on+off, realistic Mac, ") + size,
        switched.longestPauseMs, 50, "ms");
    const bool wall = bench::reportTarget(
        std::string("switch on+off / its texts one after another, realistic Mac, ") + size,
        switched.wallMs / floorMs, 1.05, "x");
    return pause && wall;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    lendmode::log::setThreshold(lendmode::log::Level::Error);
    return bench::runReportingErrors([] {
        const bool small = measure("30 apps", 0);
        const bool large = measure("1,000 apps", 1000);
        return small && large ? 0 : 1;
    });
}
