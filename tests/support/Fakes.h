// In-memory stand-ins for the ports, for unit tests that need exact control of what
// the system answers and a record of what was asked.
#pragma once

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/Ports.h"
#include "platform/posix/ManualMainThread.h"
#include "tests/support/MemoryUserDefaultsStore.h"

namespace testing_support {

// The text the program lists installed applications with.
inline constexpr const char* kApplicationQuery =
    "mdfind \"kMDItemContentType == 'com.apple.application-bundle'\"";

// Answers each command text from a table ("" for unknown texts) and records them.
class FakeShell : public platform::ShellRunner {
public:
    std::map<std::string, std::string> answers;
    // The installed applications, one bundle path per line, as the query prints them.
    void installApplications(const std::string& paths) { answers[kApplicationQuery] = paths; }
    std::vector<std::string> commands;
    std::vector<std::vector<std::string>> batches;  // the texts handed over to run at once
    std::vector<std::string> unanswered;            // texts whose shell cannot start
    // Runs once, at the next command: what happens while a switch runs one.
    std::function<void()> duringNextRun;
    std::optional<std::string> run(const std::string& text) override {
        if (auto once = std::exchange(duringNextRun, nullptr)) once();
        commands.push_back(text);
        if (std::find(unanswered.begin(), unanswered.end(), text) != unanswered.end()) return std::nullopt;
        auto it = answers.find(text);
        return it == answers.end() ? std::string() : it->second;
    }
    std::vector<std::optional<std::string>> runAll(const std::vector<std::string>& texts) override {
        batches.push_back(texts);
        return ShellRunner::runAll(texts);
    }
    // A text run for its effect fails when it holds one of these lines.
    std::vector<std::string> failingLines;
    bool runSucceeded(const std::string& text) override {
        (void)run(text);
        return std::none_of(failingLines.begin(), failingLines.end(),
                            [&](const std::string& line) { return text.find(line) != std::string::npos; });
    }
};

// The record copy in memory; `failSaves` makes saving it fail.
class MemoryRecordCopy : public platform::RecordCopy {
public:
    std::optional<plist::Dictionary> record;
    bool failSaves = false;
    std::optional<plist::Dictionary> load() override { return record; }
    bool save(const plist::Dictionary& value) override {
        if (failSaves) return false;
        record = value;
        return true;
    }
    bool clear() override {
        record.reset();
        return true;
    }
};

// Records every script; answers with `next` (nullopt: the script failed).
class FakeAppleScript : public platform::AppleScriptRunner {
public:
    using platform::AppleScriptRunner::execute;
    std::vector<std::string> scripts;
    std::optional<std::vector<std::string>> next = std::vector<std::string>{};
    // Called with each script before it is answered, to look at the world then.
    std::function<void(const std::string&)> onExecute;
    std::optional<std::vector<std::string>> execute(const std::string& source) override {
        scripts.push_back(source);
        if (onExecute) onExecute(source);
        return next;
    }
};

class FakeUrlHandlers : public platform::UrlHandlers {
public:
    std::optional<std::vector<std::string>> all;
    std::map<std::string, std::string> defaults;  // scheme -> bundle identifier
    int setCount = 0;
    std::optional<std::vector<std::string>> allHandlers(const std::string&) override { return all; }
    std::optional<std::string> defaultHandler(const std::string& scheme) override {
        auto it = defaults.find(scheme);
        if (it == defaults.end()) return std::nullopt;
        return it->second;
    }
    // Safari, Chrome and Firefox registered, Chrome the default for both schemes.
    void installThreeBrowsersWithChromeTheDefault() {
        all = std::vector<std::string>{"com.apple.Safari", "com.google.Chrome", "org.mozilla.firefox"};
        defaults["http"] = defaults["https"] = "com.google.Chrome";
    }
    // What the owner answers each confirmation: true "use", false "keep", nullopt
    // leaves it open (its completion kept in `open`).
    std::optional<bool> answer = true;
    std::vector<Done> open;
    void setDefaultHandler(const std::string& scheme, const std::string& id, Done done) override {
        ++setCount;
        if (!answer) {
            open.push_back(std::move(done));
            return;
        }
        if (*answer) defaults[scheme] = id;
        done(*answer);
    }
};

class FakeAccount : public platform::UserAccount {
public:
    std::optional<std::string> name = "owner";
    std::string home = "/Users/owner";
    std::optional<std::string> loginName() override { return name; }
    std::string homeDirectory() override { return home; }
};

// Every application may be automated unless named in `refused`.
class FakeAutomation : public platform::AutomationConsent {
public:
    std::vector<std::string> refused;
    std::vector<std::string> asked;
    bool accessibility = true;
    bool mayAutomate(const std::string& name) override {
        asked.push_back(name);
        return std::find(refused.begin(), refused.end(), name) == refused.end();
    }
    bool accessibilityAllowed() override { return accessibility; }
};

class RecordingAlerts : public platform::AlertPresenter {
public:
    std::vector<platform::Alert> shown;
    // Runs while the alert is up, as events do in a modal alert's own event loop.
    std::function<void()> whileShown;
    int runModal(const platform::Alert& alert) override {
        shown.push_back(alert);
        if (whileShown) std::exchange(whileShown, nullptr)();
        return 0;
    }
};

class FakeSystemVersion : public platform::SystemVersion {
public:
    platform::MacOSRelease now{10, 14};
    platform::MacOSRelease release() const override { return now; }
};

// Records each change; answers with `answer`.
class FakeScrollDirection : public platform::ScrollDirection {
public:
    std::vector<bool> changes;
    Change answer = Change::InEffect;
    Change setNaturalScrolling(bool natural) override {
        changes.push_back(natural);
        return answer;
    }
};

// A complete set of fakes, kept by shared pointer so a test can reach each one.
struct FakePorts {
    std::shared_ptr<testing_support::MemoryUserDefaultsStore> store =
        std::make_shared<testing_support::MemoryUserDefaultsStore>();
    std::shared_ptr<FakeShell> shell = std::make_shared<FakeShell>();
    std::shared_ptr<FakeAppleScript> appleScript = std::make_shared<FakeAppleScript>();
    std::shared_ptr<platform::ManualMainThread> mainThread = std::make_shared<platform::ManualMainThread>();
    std::shared_ptr<FakeUrlHandlers> urlHandlers = std::make_shared<FakeUrlHandlers>();
    std::shared_ptr<FakeAccount> account = std::make_shared<FakeAccount>();
    std::shared_ptr<FakeAutomation> automation = std::make_shared<FakeAutomation>();
    std::shared_ptr<RecordingAlerts> alerts = std::make_shared<RecordingAlerts>();
    std::shared_ptr<MemoryRecordCopy> recordCopy = std::make_shared<MemoryRecordCopy>();
    std::shared_ptr<FakeSystemVersion> systemVersion = std::make_shared<FakeSystemVersion>();
    std::shared_ptr<FakeScrollDirection> scrollDirection = std::make_shared<FakeScrollDirection>();

    platform::Ports ports() const {
        return platform::Ports{store,      shell,  appleScript, mainThread,    urlHandlers,    account,
                               automation, alerts, recordCopy,  systemVersion, scrollDirection};
    }
};

}  // namespace testing_support
