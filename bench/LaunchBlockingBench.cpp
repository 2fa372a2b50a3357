// Launch blocking as the user meets it: from `open -a` of a disabled application to
// the simulated process being gone, with the real program running on a simulated
// Mac. Target: under 50 ms.
#include <csignal>
#include <cstdio>
#include <exception>
#include <thread>

#include "bench/BenchSupport.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "sim/SimMac.h"
#include "tests/support/AppProcess.h"
#include "tests/support/Applications.h"

using lendmode::Preferences;

namespace {

int runBenchmark() {
    bench::ScratchMac scratch;
    const sim::SimMac mac(scratch.root());
    {
        // The owner ticks Chess before starting the program.
        Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(scratch.root()));
        prefs.readCurrentDefinitionSets();
        testing_support::setApplicationDisabled(prefs, "Chess");
        Preferences::resetShared();
    }
    testing_support::AppProcess app(scratch.root());
    if (app.waitForLine("READY").empty()) return 1;
    app.signal(SIGUSR1);
    if (app.waitForLine("ON").empty()) return 1;

    const std::string open = bench::toolsDirectory() + "/open";
    std::vector<double> latencies;
    for (int i = 0; i < 51; ++i) {
        const auto start = std::chrono::steady_clock::now();
        bench::spawnAndWait({open, "-a", "Chess"}, scratch.root());
        // Gone once the program has heard of the launch and killed it.
        while (mac.isRunning("Chess")) std::this_thread::sleep_for(std::chrono::microseconds(200));
        latencies.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        app.waitForLine("ALERT");
    }
    std::vector<double> sorted = latencies;
    std::sort(sorted.begin(), sorted.end());
    std::printf("launch blocking over 51 launches: median %.1f ms, fastest %.1f ms, slowest %.1f ms\n",
                bench::median(latencies), sorted.front(), sorted.back());
    bench::reportTarget("open -a of a disabled app until it is gone", bench::median(latencies), 50.0, "ms");
    app.signal(SIGTERM);
    app.waitForExit();
    return 0;
}

}  // namespace

// A benchmark that cannot set itself up says why instead of ending with an uncaught exception.
int main() {
    return bench::runReportingErrors(runBenchmark);
}
