// How far a switch on or off has got, for whoever shows it (the popover, the status
// item, the command line's status). While a switch runs, the interface's event loop
// keeps going (platform/qt/ResponsiveRunners.h), so this is also what keeps a second
// switch, or an edit of what the switch reads, out until it ends. Each step and the end
// are posted as notifications::kSwitchProgress, on the thread of the switch.
#pragma once

#include <atomic>
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
        // The application whose quit the switch is waiting for, while it waits.
        std::string quitting;
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

    // The quit of one application, which may not come (it asks to save a document):
    // a step of its own while it is awaited. skipQuit() is the owner's Skip; the switch
    // asks quitSkipped() from the thread that waits.
    void beginQuit(const std::string& application);
    void endQuit();
    void skipQuit() { skip_ = true; }
    bool quitSkipped() const { return skip_; }

private:
    void post() const;
    std::optional<Now> now_;
    std::atomic<bool> skip_{false};
};

}  // namespace lendmode
