// The stand-in tools as whole processes beside /bin/true: every switch runs several of
// them, so each must cost close to starting any process at all (target: within 3
// times /bin/true; `mdfind` also with 1,000 and 10,000 applications installed).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "sim/SimMac.h"

namespace {

bench::ScratchMac& mac() {
    static bench::ScratchMac m;
    return m;
}

// Simulated Macs with many applications, for the query that lists them.
const std::string& macWithApplications(int count) {
    static bench::ScratchMac thousand;
    static bench::ScratchMac tenThousand;
    bench::ScratchMac& m = count == 1000 ? thousand : tenThousand;
    static bool filled[2] = {false, false};
    bool& done = filled[count == 1000 ? 0 : 1];
    if (!done) {
        std::vector<sim::App> apps;
        for (int i = 0; i < count; ++i) {
            const std::string name = "App " + std::to_string(i);
            apps.push_back({"/Applications/" + name + ".app", name, "com.example.app" + std::to_string(i)});
        }
        if (!sim::SimMac(m.root()).setCatalogue(apps))
            std::fprintf(stderr, "could not install %d apps\n", count);
        done = true;
    }
    return m.root();
}

struct Tool {
    std::string name;
    std::vector<std::string> argv;
    std::string root;
};

std::vector<Tool> tools() {
    const std::string bin = bench::toolsDirectory();
    const std::string query = "kMDItemContentType == 'com.apple.application-bundle'";
    return {
        {"/bin/true", {"/bin/true"}, mac().root()},
        {"defaults read", {bin + "/defaults", "read", "com.apple.dock", "orientation"}, mac().root()},
        {"defaults write",
         {bin + "/defaults", "write", "com.example.bench", "counter", "-int", "7"},
         mac().root()},
        // A name nobody runs: the tool reads the processes and says so.
        {"killall", {bin + "/killall", "NoSuchApplication"}, mac().root()},
        {"osascript", {bin + "/osascript", "-e", "return 1"}, mac().root()},
        // Starts Chess (already running after the first round: then it only activates).
        {"open -a", {bin + "/open", "-a", "Chess"}, mac().root()},
        {"mdfind, seeded Mac", {bin + "/mdfind", query}, mac().root()},
        {"mdfind, 1,000 apps", {bin + "/mdfind", query}, macWithApplications(1000)},
        {"mdfind, 10,000 apps", {bin + "/mdfind", query}, macWithApplications(10000)},
    };
}

void BM_Tool(benchmark::State& state, std::size_t which) {
    const Tool tool = tools()[which];
    for (auto _ : state) bench::spawnAndWait(tool.argv, tool.root);
}

// Whole-process wall times over many interleaved rounds, so that drifts in machine load
// hit every tool alike; the verdict is on the medians.
void verdict() {
    constexpr int kRounds = 201;
    const std::vector<Tool> all = tools();
    std::vector<std::vector<double>> times(all.size());
    for (int round = 0; round < kRounds; ++round) {
        for (std::size_t k = 0; k < all.size(); ++k) {
            const auto start = std::chrono::steady_clock::now();
            bench::spawnAndWait(all[k].argv, all[k].root);
            times[k].push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
    }
    std::printf("\n%-22s %9s %9s %9s   (us, %d rounds)\n", "process", "min", "median", "max", kRounds);
    std::vector<double> medians;
    for (std::size_t k = 0; k < all.size(); ++k) {
        std::vector<double>& t = times[k];
        const double median = bench::median(t);
        medians.push_back(median);
        std::printf("%-22s %9.0f %9.0f %9.0f\n", all[k].name.c_str(), *std::min_element(t.begin(), t.end()),
                    median, *std::max_element(t.begin(), t.end()));
    }
    for (std::size_t k = 1; k < all.size(); ++k) {
        bench::reportTarget(all[k].name + " / true", medians[k] / medians[0], 3.0, "x");
    }
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<Tool> all = tools();
    for (std::size_t k = 0; k < all.size(); ++k) {
        benchmark::RegisterBenchmark(("BM_Tool/" + all[k].name).c_str(), BM_Tool, k)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    verdict();
    return 0;
}
