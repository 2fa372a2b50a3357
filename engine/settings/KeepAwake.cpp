// Keep the Mac awake: neither the display nor the Mac sleeps while Lendmode is on. The
// power assertion is caffeinate's, watching Lendmode's own process (-w), so that it
// ends by itself however Lendmode ends; a switch-off ends exactly the one Lendmode
// started, never one of the owner's. Nothing of the owner's is read or put back.
#include <unistd.h>

#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kKeepAwake;

// Started apart from the shell, which prints its pid and ends at once.
std::string startText() {
    return "command -v caffeinate >/dev/null || exit 1\n"
           "caffeinate -d -i -w " +
           std::to_string(::getpid()) +
           " </dev/null >/dev/null 2>&1 &\n"
           "echo $!";
}

class KeepAwake final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Keep awake"; }

    plist::Dictionary defaultRow(Env&) const override {
        return checkboxRow(kRow, "Keep the Mac awake", "No sleep and no dark display while Lendmode is on",
                           false);
    }

    void readOwner(plist::Dictionary&, const std::vector<std::optional<std::string>>&, Env&) const override {}

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env& env) const override {
        const CommandRunners& run = env.run;
        if (plan.switchingOn) {
            if (boxOf(row)) plan.steps.push_back({name(), [this, &run] { return hold(run); }});
        } else if (held_) {
            plan.steps.push_back({name(), [this, &run] {
                                      release(run);
                                      return std::optional<std::string>();
                                  }});
        }
    }

    // Also what a restarted Lendmode that resumes guest mode calls.
    void applyNow(const plist::Value& value, Env& env) const override {
        if (value.truthValue()) {
            (void)hold(env.run);
        } else {
            release(env.run);
        }
    }

private:
    // Starts caffeinate unless the one started earlier still runs; why not, if it could not.
    std::optional<std::string> hold(const CommandRunners& run) const {
        if (held_ && run.shellSucceeded("kill -0 " + std::to_string(*held_))) return std::nullopt;
        held_.reset();
        const std::int64_t pid = integerOutput(run.shell(startText()));
        if (pid <= 0) return std::string("caffeinate could not be started");
        held_ = pid;
        return std::nullopt;
    }

    void release(const CommandRunners& run) const {
        if (!held_) return;
        (void)run.shellSucceeded("kill " + std::to_string(*held_));
        held_.reset();
    }

    // The caffeinate this process started: one per process, as it watches the process.
    mutable std::optional<std::int64_t> held_;
};

}  // namespace

const Setting& keepAwake() {
    static const KeepAwake setting;
    return setting;
}

}  // namespace lendmode::settings
