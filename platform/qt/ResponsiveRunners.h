// Runners that leave the interface free: the command or script runs on a thread of its
// own while the calling thread's event loop keeps going, and the call returns its
// result as before. A switch on a real Mac spends seconds in them (each tool's start,
// an application's launch or quit, the Dock's restart); this way the popover repaints
// and answers, and the command line's status is served, meanwhile.
//
// The caller sees other events run during the call: what must not happen meanwhile
// (a second switch, an edit of the sets) is kept out by whoever starts the switch.
#pragma once

#include <functional>
#include <memory>

#include "platform/AppleScriptRunner.h"
#include "platform/AutomationConsent.h"
#include "platform/ShellRunner.h"

namespace platform::qt {

// Runs `work` on a thread of its own while this thread's event loop runs, when this is
// the application's thread; anywhere else (another thread, no application object)
// calls it directly.
void whileEventsRun(const std::function<void()>& work);

class ResponsiveShellRunner : public ShellRunner {
public:
    explicit ResponsiveShellRunner(std::shared_ptr<ShellRunner> inner) : inner_(std::move(inner)) {}
    std::optional<std::string> run(const std::string& commandText) override;
    std::vector<std::optional<std::string>> runAll(const std::vector<std::string>& commandTexts) override;
    [[nodiscard]] bool runSucceeded(const std::string& commandText) override;
    std::optional<std::string> runUnless(const std::string& commandText,
                                         const std::function<bool()>& stop) override;

private:
    std::shared_ptr<ShellRunner> inner_;
};

// For a runner that may be called from any thread (the Mac's hands NSAppleScript over
// to the main thread, which runs it between the loop's other events).
class ResponsiveAppleScriptRunner : public AppleScriptRunner {
public:
    explicit ResponsiveAppleScriptRunner(std::shared_ptr<AppleScriptRunner> inner)
        : inner_(std::move(inner)) {}
    std::optional<std::vector<std::string>> execute(const std::string& source) override;
    std::optional<std::vector<std::string>> execute(const std::string& source, std::string& error) override;
    std::optional<std::vector<std::string>> executeUnless(const std::string& source,
                                                          const std::function<bool()>& stop) override;

private:
    std::shared_ptr<AppleScriptRunner> inner_;
};

// The consent question beside the event loop: asking may start the target first (an
// application's launch).
class ResponsiveAutomationConsent : public AutomationConsent {
public:
    explicit ResponsiveAutomationConsent(std::shared_ptr<AutomationConsent> inner)
        : inner_(std::move(inner)) {}
    bool mayAutomate(const std::string& applicationName) override;
    bool accessibilityAllowed() override { return inner_->accessibilityAllowed(); }

private:
    std::shared_ptr<AutomationConsent> inner_;
};

}  // namespace platform::qt
