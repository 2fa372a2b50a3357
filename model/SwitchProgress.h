// How far a switch on or off has got, for whoever shows it (the popover, the status
// item, the command line's status). While a switch runs, the interface's event loop
// keeps going (platform/qt/ResponsiveRunners.h), so this is also what keeps a second
// switch, or an edit of what the switch reads, out until it ends. Each step and the end
// are posted as notifications::kSwitchProgress, on the thread of the switch.
#pragma once

#include <optional>
#include <string>

namespace lendmode {

class SwitchProgress {
public:
    struct Now {
        bool on = false;   // switching on, or off
        std::string step;  // what is happening now: "Quitting Slack…"
        int done = 0;      // steps begun so far, at most `total`
        int total = 0;     // as far as the switch knows yet
    };
    const std::optional<Now>& now() const { return now_; }
    bool underWay() const { return now_.has_value(); }

    // A switch under way for the life of the scope. A scope inside one (the apply
    // inside a switch-on) joins it and ends nothing.
    class Scope {
    public:
        Scope(SwitchProgress& progress, bool on, int steps);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        SwitchProgress& progress_;
        bool outer_;
    };

    // The next step begins; nothing outside a switch.
    void step(std::string text);
    // Steps found to come once the switch knows more (the applications to quit).
    void addSteps(int steps);

private:
    void post() const;
    std::optional<Now> now_;
};

}  // namespace lendmode
