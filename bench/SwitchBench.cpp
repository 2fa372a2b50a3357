// A whole switch-on and switch-off against the simulated Mac beside its floor: the
// same shell command texts run one after another with `sh -c`, the process starts a
// switch cannot avoid. (AppleScript runs inside the program and is not part of the
// floor.) Target: the switch within 1.25 times the floor.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>

#include "bench/BenchSupport.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "sim/SimEnvironment.h"
#include "sim/SimMac.h"
#include "tests/support/Applications.h"

using lendmode::Preferences;

namespace {

// Passes every command text on to the real shell runner and keeps a copy.
class RecordingShell : public platform::ShellRunner {
public:
    explicit RecordingShell(std::shared_ptr<platform::ShellRunner> inner) : inner_(std::move(inner)) {}
    std::optional<std::string> run(const std::string& text) override {
        if (recording) texts.push_back(text);
        return inner_->run(text);
    }
    bool recording = false;
    std::vector<std::string> texts;

private:
    std::shared_ptr<platform::ShellRunner> inner_;
};

bench::ScratchMac& mac() {
    static bench::ScratchMac m;
    return m;
}

std::shared_ptr<RecordingShell>& shell() {
    static std::shared_ptr<RecordingShell> s;
    return s;
}

Preferences& prefs() {
    static Preferences* p = [] {
        platform::Ports ports = platform::simulated::portsFor(mac().root());
        shell() = std::make_shared<RecordingShell>(ports.shell);
        ports.shell = shell();
        Preferences& prefs = Preferences::resetShared(ports);
        prefs.readCurrentDefinitionSets();
        // Slack is running in the seeded Mac: it is quit and reopened every time.
        testing_support::setApplicationDisabled(prefs, "Slack");
        return &prefs;
    }();
    return *p;
}

void switchOnAndOff() {
    Preferences& p = prefs();
    p.setLendmode(true);
    p.applaySelectedDefinitionCompletion(nullptr);
    p.setLendmode(false);
    p.restoreDefinitionSetsCompletion(nullptr);
}

void floorRun(const std::vector<std::string>& texts, const posix::EnvironmentOverrides& env) {
    for (const std::string& text : texts) posix::runShell(text, env, /*waitForExit=*/true);
}

void BM_SwitchOnAndOff(benchmark::State& state) {
    for (auto _ : state) switchOnAndOff();
}
BENCHMARK(BM_SwitchOnAndOff)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

int runBenchmark(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    prefs();
    shell()->recording = true;
    switchOnAndOff();
    shell()->recording = false;
    const std::vector<std::string> texts = shell()->texts;
    const auto env = sim::shellEnvironment(sim::SimMac(mac().root()));

    // Interleave the two so that drifts in machine load hit both alike.
    std::vector<double> lendmode, floor;
    for (int i = 0; i < 41; ++i) {
        lendmode.push_back(bench::medianMilliseconds(switchOnAndOff, 1));
        floor.push_back(bench::medianMilliseconds([&] { floorRun(texts, env); }, 1));
    }
    const double switchMs = bench::median(lendmode), floorMs = bench::median(floor);
    std::printf("\n%zu shell command texts per switch-on and switch-off\n", texts.size());
    std::printf("median of 41: switch on+off %.1f ms, floor (sh -c of the same texts) %.1f ms\n", switchMs,
                floorMs);
    bench::reportTarget("switch on+off / floor", switchMs / floorMs, 1.25, "x");
    Preferences::resetShared();
    return 0;
}

}  // namespace

// A benchmark that cannot set itself up says why instead of ending with an uncaught exception.
int main(int argc, char** argv) {
    try {
        return runBenchmark(argc, argv);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}
