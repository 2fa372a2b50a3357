// The stand-in tools as whole processes beside /bin/true: switching Lendmode on runs
// several `defaults` processes, so their cost must stay close to the cost of
// starting any process at all (target: within 3 times /bin/true).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "bench/BenchSupport.h"

namespace {

bench::ScratchMac& mac() {
    static bench::ScratchMac m;
    return m;
}

std::vector<std::string> trueCommand() {
    return {"/bin/true"};
}
std::vector<std::string> defaultsRead() {
    return {bench::toolsDirectory() + "/defaults", "read", "com.apple.dock", "orientation"};
}
std::vector<std::string> defaultsWrite() {
    return {bench::toolsDirectory() + "/defaults", "write", "com.example.bench", "counter", "-int", "7"};
}

void BM_ProcessTrue(benchmark::State& state) {
    for (auto _ : state) bench::spawnAndWait(trueCommand(), mac().root());
}
void BM_DefaultsRead(benchmark::State& state) {
    for (auto _ : state) bench::spawnAndWait(defaultsRead(), mac().root());
}
void BM_DefaultsWrite(benchmark::State& state) {
    for (auto _ : state) bench::spawnAndWait(defaultsWrite(), mac().root());
}
BENCHMARK(BM_ProcessTrue)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DefaultsRead)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_DefaultsWrite)->Unit(benchmark::kMicrosecond);

// Median wall time of one whole process over many interleaved runs, so that drifts in
// machine load hit all three alike.
void verdict() {
    constexpr int kRuns = 301;
    std::vector<double> t[3];
    const std::vector<std::string> commands[3] = {trueCommand(), defaultsRead(), defaultsWrite()};
    for (int i = 0; i < kRuns; ++i) {
        for (int k = 0; k < 3; ++k) {
            const auto start = std::chrono::steady_clock::now();
            bench::spawnAndWait(commands[k], mac().root());
            t[k].push_back(
                std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count());
        }
    }
    const double median[3] = {bench::median(t[0]), bench::median(t[1]), bench::median(t[2])};
    std::printf("\nmedian of %d runs: /bin/true %.0f us, defaults read %.0f us, defaults write %.0f us\n",
                kRuns, median[0], median[1], median[2]);
    bench::reportTarget("defaults read / true", median[1] / median[0], 3.0, "x");
    bench::reportTarget("defaults write / true", median[2] / median[0], 3.0, "x");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    verdict();
    return 0;
}
