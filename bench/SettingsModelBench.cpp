// The settings model with 10,000 installed applications: building the application
// list with its query process, as the program does (target < 20 ms; the parse of a
// ready-made answer is reported beside it), and storing both definition sets into the
// simulated Mac's preference file (target < 50 ms).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>

#include "bench/BenchSupport.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "sim/SimMac.h"

using lendmode::applicationRecords;
using lendmode::Preferences;

namespace {

constexpr int kApplications = 10000;

// A query output as mdfind gives it: unsorted, mostly in the two folders, some not.
std::string queryOutput() {
    std::mt19937 gen(42);
    const char* folders[] = {"/Applications/", "/System/Applications/", "/Applications/Utilities/",
                             "/Users/owner/Applications/", "/System/Library/CoreServices/"};
    std::string out;
    for (int i = 0; i < kApplications; ++i) {
        const char* folder = folders[i % 10 < 8 ? i % 3 : 3 + i % 2];
        out += folder;
        out += (gen() % 2 ? "App " : "app ") + std::to_string(gen() % 100000) + ".app\n";
    }
    return out;
}

bench::ScratchMac& mac() {
    static bench::ScratchMac m;
    return m;
}

// The shared Preferences on a simulated Mac with 10,000 installed applications and
// both sets loaded.
Preferences& loadedPreferences() {
    static Preferences* prefs = [] {
        const sim::SimMac simMac(mac().root());
        std::vector<sim::App> apps;
        apps.reserve(kApplications);
        for (int i = 0; i < kApplications; ++i) {
            apps.push_back(sim::App{"/Applications/Application " + std::to_string(i) + ".app", "",
                                    "com.example.app" + std::to_string(i), false});
        }
        simMac.setCatalogue(apps);
        Preferences& p = Preferences::resetShared(platform::simulated::portsFor(mac().root()));
        p.readCurrentDefinitionSets();
        return &p;
    }();
    return *prefs;
}

void BM_ApplicationRecords(benchmark::State& state) {
    const std::string output = queryOutput();
    for (auto _ : state) benchmark::DoNotOptimize(applicationRecords(output));
}
BENCHMARK(BM_ApplicationRecords)->Unit(benchmark::kMillisecond);

void BM_AppListOnSystemWithQueryProcess(benchmark::State& state) {
    Preferences& prefs = loadedPreferences();
    for (auto _ : state) benchmark::DoNotOptimize(prefs.appListOnSystem());
}
BENCHMARK(BM_AppListOnSystemWithQueryProcess)->Unit(benchmark::kMillisecond);

void BM_WriteDefinitionSets(benchmark::State& state) {
    Preferences& prefs = loadedPreferences();
    for (auto _ : state) prefs.write_definitionSets();
}
BENCHMARK(BM_WriteDefinitionSets)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    const std::string output = queryOutput();
    Preferences& prefs = loadedPreferences();
    std::printf("\nsets loaded: %zu applications in set 0, %zu in set 1\n", prefs.appDisabled()->size(),
                prefs.definitionSets()[1].asArray()->back().find("DisabledApp")->asArray()->size());
    std::printf("appListOnSystem's parse+filter+sort alone, 10,000 apps: %.2f ms (median of 31)\n",
                bench::medianMilliseconds([&] { benchmark::DoNotOptimize(applicationRecords(output)); }, 31));
    bench::reportTarget(
        "appListOnSystem with its query process, 10,000 apps",
        bench::medianMilliseconds([&] { benchmark::DoNotOptimize(prefs.appListOnSystem()); }, 31), 20.0,
        "ms");
    bench::reportTarget("write_definitionSets, 10,000 apps per set",
                        bench::medianMilliseconds([&] { prefs.write_definitionSets(); }, 31), 50.0, "ms");
    Preferences::resetShared();
    return 0;
}
