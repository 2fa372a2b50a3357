// A whole switch-on and switch-off against the simulated Mac beside its floor: the
// processes a switch cannot avoid (every shell command text, and every `do shell
// script` of its AppleScript texts) run one after another with `sh -c`. AppleScript
// itself runs inside the program, on macOS too, and is not part of the floor.
//
// Measured with the seeded Mac's 30 applications, with 1,000 more and with 10,000
// more, three of them ticked (two running, so each switch quits and reopens them).
// Every round starts from a fresh copy of the same prepared Mac, for the switch and
// for the floor, so that both run the same texts on the same state. Targets: the
// switch's median within 1.25 times the floor's with 30 and with 1,000 more
// applications, and within 1.5 times with 10,000 more (a check of how it scales).
//
// The floor also holds the time the simulated store took for the changes the switch
// made (the record at switch-on, the cleared flags at switch-off): the simulated store
// encodes and writes its whole file, durably, in this process, where on a Mac
// cfprefsd writes the file in its own, so that time is the simulated Mac's, like the
// tools'. The ratio without it is printed beside the target.
//
// The switch runs the snapshot's reads at once. A second floor does the same with the
// texts the switch ran together; its ratio, printed beside the target, is the
// program's own share of the time alone. A SCALING line gives, for the switch and for
// its floor, what each application added costs from one size to the next.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>

#include "base/Log.h"
#include "base/Spawn.h"
#include "bench/BenchSupport.h"
#include "model/Preferences.h"
#include "platform/sim/SimPorts.h"
#include "sim/SimEnvironment.h"
#include "sim/SimMac.h"
#include "sim/applescript/Syntax.h"
#include "tests/support/Applications.h"

using lendmode::Preferences;

namespace {

// The process texts of one switch, in the order they ran: each group ran at once.
using Texts = std::vector<std::string>;
using Groups = std::vector<Texts>;

// The `do shell script` texts of a script, outside conditionals (where the program's
// scripts keep them).
void collectShellScripts(const std::vector<sim::applescript::Statement>& statements, Groups& into) {
    using Kind = sim::applescript::Statement::Kind;
    for (const auto& st : statements) {
        if (st.kind == Kind::ShellScript && st.value.value.isString())
            into.push_back({*st.value.value.asString()});
        if (st.kind == Kind::Tell) collectShellScripts(st.body, into);
    }
}

class RecordingShell : public platform::ShellRunner {
public:
    RecordingShell(std::shared_ptr<platform::ShellRunner> inner, Groups& texts)
        : inner_(std::move(inner)), texts_(texts) {}
    std::optional<std::string> run(const std::string& text) override {
        texts_.push_back({text});
        return inner_->run(text);
    }
    std::vector<std::optional<std::string>> runAll(const std::vector<std::string>& texts) override {
        texts_.push_back(texts);
        return inner_->runAll(texts);
    }

private:
    std::shared_ptr<platform::ShellRunner> inner_;
    Groups& texts_;
};

// Adds up the time the store's changes take.
class TimedStore : public platform::UserDefaultsStore {
public:
    TimedStore(std::shared_ptr<platform::UserDefaultsStore> inner, double& ms)
        : inner_(std::move(inner)), ms_(ms) {}
    std::optional<plist::Value> read(const std::string& key) override { return inner_->read(key); }
    bool write(const std::string& key, const plist::Value& value) override {
        return timed([&] { return inner_->write(key, value); });
    }
    bool remove(const std::string& key) override {
        return timed([&] { return inner_->remove(key); });
    }
    bool writeAll(const plist::Dictionary& values) override {
        return timed([&] { return inner_->writeAll(values); });
    }
    bool canStore() override {
        return timed([&] { return inner_->canStore(); });
    }
    std::optional<std::string> takeMovedAsideDamagedStore() override {
        return inner_->takeMovedAsideDamagedStore();
    }

private:
    template <typename F>
    bool timed(F f) {
        const auto start = std::chrono::steady_clock::now();
        const bool ok = f();
        ms_ += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        return ok;
    }
    std::shared_ptr<platform::UserDefaultsStore> inner_;
    double& ms_;
};

class RecordingAppleScript : public platform::AppleScriptRunner {
public:
    RecordingAppleScript(std::shared_ptr<platform::AppleScriptRunner> inner, Groups& texts)
        : inner_(std::move(inner)), texts_(texts) {}
    std::optional<std::vector<std::string>> execute(const std::string& source) override {
        collectShellScripts(sim::applescript::compile(source), texts_);
        return inner_->execute(source);
    }
    std::optional<std::vector<std::string>> execute(const std::string& source, std::string& error) override {
        collectShellScripts(sim::applescript::compile(source), texts_);
        return inner_->execute(source, error);
    }

private:
    std::shared_ptr<platform::AppleScriptRunner> inner_;
    Groups& texts_;
};

double millisecondsOf(const std::function<void()>& f) {
    const auto start = std::chrono::steady_clock::now();
    f();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

// A seeded Mac with `extra` more applications installed and three of them ticked.
void prepare(const std::string& root, int extra) {
    bench::addApplications(root, extra);
    Preferences& prefs = Preferences::resetShared(platform::simulated::portsFor(root));
    prefs.readCurrentDefinitionSets();
    for (const char* name : {"Slack", "Spotify", "Xcode"})
        testing_support::setApplicationDisabled(prefs, name);
    Preferences::resetShared();
}

struct Figures {
    double min, median, max;
};

Figures figures(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return {values.front(), bench::median(values), values.back()};
}

// The medians of one size, and the applications in the list.
struct SizeFigures {
    double applications, switchMs, floorMs;
};

SizeFigures measure(const char* size, int extra, int rounds, double limit) {
    bench::ScratchMac scratch;
    const std::string prepared = scratch.root() + "/prepared", mac = scratch.root() + "/mac";
    prepare(prepared, extra);

    std::vector<double> switches, floors, processFloors, groupedFloors, stores;
    std::size_t processes = 0, applications = 0;
    for (int round = 0; round < rounds; ++round) {
        bench::freshCopy(prepared, mac);
        Groups groups;
        platform::Ports ports = platform::simulated::portsFor(mac);
        ports.shell = std::make_shared<RecordingShell>(ports.shell, groups);
        ports.appleScript = std::make_shared<RecordingAppleScript>(ports.appleScript, groups);
        double storeMs = 0;
        ports.userDefaults = std::make_shared<TimedStore>(ports.userDefaults, storeMs);
        Preferences& prefs = Preferences::resetShared(ports);
        prefs.readCurrentDefinitionSets();
        applications = prefs.appDisabled() ? prefs.appDisabled()->size() : 0;
        groups.clear();
        storeMs = 0;
        switches.push_back(millisecondsOf([&] {
            prefs.switchLendmode(true, nullptr);
            prefs.switchLendmode(false, nullptr);
        }));
        Preferences::resetShared();
        stores.push_back(storeMs);
        processes = 0;
        for (const Texts& group : groups) processes += group.size();

        bench::freshCopy(prepared, mac);
        const auto env = sim::shellEnvironment(sim::SimMac(mac));
        floors.push_back(millisecondsOf([&] {
            for (const Texts& group : groups) {
                for (const std::string& text : group)
                    posix::runShell(text, env, /*waitForExit=*/true, "/bin/sh",
                                    posix::StandardError::Capture);
            }
        }));
        processFloors.push_back(floors.back());
        floors.back() += storeMs;
        bench::freshCopy(prepared, mac);
        groupedFloors.push_back(millisecondsOf([&] {
            for (const Texts& group : groups)
                posix::runShells(group, env, /*waitForExit=*/true, "/bin/sh", posix::StandardError::Capture);
        }));
    }
    const Figures s = figures(switches), f = figures(floors), g = figures(groupedFloors),
                  p = figures(processFloors), st = figures(stores);
    std::printf(
        "%s: %zu applications in the list, %zu process texts per switch-on and switch-off; %d rounds (min / "
        "median / max)\n",
        size, applications, processes, rounds);
    std::printf("  switch on+off %.1f / %.1f / %.1f ms; floor %.1f / %.1f / %.1f ms\n", s.min, s.median,
                s.max, f.min, f.median, f.max);
    std::printf(
        "  of the floor, the processes %.1f / %.1f / %.1f ms and the simulated store's changes %.1f / %.1f / "
        "%.1f ms; the switch over the processes alone: %.3f x\n",
        p.min, p.median, p.max, st.min, st.median, st.max, s.median / p.median);
    std::printf(
        "  floor with the texts the switch runs at once run at once: %.1f / %.1f / %.1f ms (%.3f x)\n", g.min,
        g.median, g.max, s.median / g.median);
    bench::reportTarget(std::string("switch on+off / floor, ") + size, s.median / f.median, limit, "x");
    return {static_cast<double>(applications), s.median, f.median};
}

}  // namespace

int main() {
    return bench::runReportingErrors([] {
        lendmode::log::setThreshold(lendmode::log::Level::Error);
        const SizeFigures sizes[] = {measure("30 apps", 0, 41, 1.25), measure("1,000 apps", 1000, 21, 1.25),
                                     measure("10,000 apps", 10000, 21, 1.5)};
        std::vector<bench::SizePoint> switches, floors;
        for (const SizeFigures& s : sizes) {
            switches.push_back({s.applications, s.switchMs});
            floors.push_back({s.applications, s.floorMs});
        }
        bench::reportScaling("switch on+off", switches, "ms");
        bench::reportScaling("floor", floors, "ms");
        return 0;
    });
}
