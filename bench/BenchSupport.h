// Helpers for the benchmarks: throwaway simulated Macs, whole-process timing, and a
// verdict line against a target.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace bench {

// A seeded simulated Mac in a temporary folder, removed at exit.
class ScratchMac {
public:
    ScratchMac();
    ~ScratchMac();
    const std::string& root() const { return root_; }

private:
    std::string root_;
};

std::string toolsDirectory();

// Installs `count` more applications ("Application N", N from `first`) on the
// simulated Mac at root, after those it has. Throws when the catalogue cannot be written.
void addApplications(const std::string& root, int count, int first = 0);

// A copy of the simulated Mac at `from` in `to` (emptied first), keeping each file's
// modification time: the Mac trusts its application index only when it is no older
// than the catalogue.
void freshCopy(const std::string& from, const std::string& to);

// Starts argv (argv[0] a path) with its output discarded and LENDMODE_SIM_ROOT set to
// root, and waits for it. Returns the exit status (128 + signal when a signal ended it,
// -1 when it could not be started).
int spawnAndWait(const std::vector<std::string>& argv, const std::string& root);

// Runs the benchmark's body; one that cannot set itself up (an exception) says why on
// standard error and exits 1.
int runReportingErrors(const std::function<int()>& body);

// Median wall time of `runs` calls of f, in milliseconds.
double medianMilliseconds(const std::function<void()>& f, int runs);
// The median of the values (reorders them).
double median(std::vector<double>& values);

// Prints "TARGET <name>: <measured> <unit> (target < <limit>) PASS|FAIL" and returns
// whether it passed.
bool reportTarget(const std::string& name, double measured, double limit, const std::string& unit);

// One measurement at one size: `applications` in the list, `value` in the unit given
// to reportScaling.
struct SizePoint {
    double applications;
    double value;
};

// Prints "SCALING <name>: a -> b apps: <d> <unit>/app (x<r> for x<n> the
// applications), ..." for each pair of consecutive sizes: what each application added
// costs over the step, and how the value grew beside the list. Steps after the first
// also give their cost per application as a multiple of the step before's, where a
// super-linear step shows. Informative, not a target.
void reportScaling(const std::string& name, const std::vector<SizePoint>& sizes, const std::string& unit);

}  // namespace bench
