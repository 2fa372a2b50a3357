#include "bench/BenchSupport.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <stdexcept>

#include "sim/SimMac.h"
#include "tests/support/Process.h"

namespace bench {

ScratchMac::ScratchMac() {
    std::string pattern = "/tmp/lendmode-bench-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    root_ = pattern;
    const sim::SimMac mac(root_);  // seed it
}

ScratchMac::~ScratchMac() {
    std::error_code ec;
    std::filesystem::remove_all(root_, ec);
}

std::string toolsDirectory() {
    return LENDMODE_TOOLS_DIR;
}

void addApplications(const std::string& root, int count, int first) {
    const sim::SimMac mac(root);
    std::vector<sim::App> apps = mac.catalogue();
    for (int i = first; i < first + count; ++i) {
        apps.push_back(sim::App{"/Applications/Application " + std::to_string(i) + ".app", "",
                                "com.example.app" + std::to_string(i), false});
    }
    if (!mac.setCatalogue(apps)) throw std::runtime_error("cannot write the catalogue");
}

int spawnAndWait(const std::vector<std::string>& argv, const std::string& root) {
    testing_support::SpawnOptions options;
    options.setEnv["LENDMODE_SIM_ROOT"] = root;
    options.out = options.err = testing_support::SpawnOptions::Output::Null;
    return testing_support::runProcess(argv, options).exitStatus;
}

int runReportingErrors(const std::function<int()>& body) {
    try {
        return body();
    } catch (const std::exception& error) {
        std::fprintf(stderr, "%s\n", error.what());
        return 1;
    }
}

double median(std::vector<double>& values) {
    if (values.empty()) return 0;
    const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

double medianMilliseconds(const std::function<void()>& f, int runs) {
    std::vector<double> t;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        f();
        t.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    return median(t);
}

bool reportTarget(const std::string& name, double measured, double limit, const std::string& unit) {
    const bool pass = measured < limit;
    std::printf("TARGET %s: %.3f %s (target < %.3f %s) %s\n", name.c_str(), measured, unit.c_str(), limit,
                unit.c_str(), pass ? "PASS" : "FAIL");
    return pass;
}

void reportScaling(const std::string& name, const std::vector<SizePoint>& sizes, const std::string& unit) {
    std::printf("SCALING %s:", name.c_str());
    double previousPerApplication = 0;
    for (std::size_t i = 1; i < sizes.size(); ++i) {
        const SizePoint& from = sizes[i - 1];
        const SizePoint& to = sizes[i];
        const double perApplication = (to.value - from.value) / (to.applications - from.applications);
        std::printf("%s %.0f -> %.0f apps: %.4f %s/app (x%.2f for x%.1f the applications", i > 1 ? "," : "",
                    from.applications, to.applications, perApplication, unit.c_str(), to.value / from.value,
                    to.applications / from.applications);
        if (i > 1 && previousPerApplication > 0)
            std::printf("; x%.2f the step before's per app", perApplication / previousPerApplication);
        std::printf(")");
        previousPerApplication = perApplication;
    }
    std::printf("\n");
}

void freshCopy(const std::string& from, const std::string& to) {
    namespace fs = std::filesystem;
    fs::remove_all(to);
    fs::copy(from, to, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(from)) {
        if (entry.is_regular_file())
            fs::last_write_time(fs::path(to) / fs::relative(entry.path(), from), entry.last_write_time());
    }
}

}  // namespace bench
