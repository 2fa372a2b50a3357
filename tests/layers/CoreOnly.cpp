// The core with ports of its own and nothing else linked: a switch-on and a
// switch-off run, and the owner's setting comes back.
#include <cstdio>
#include <map>

#include "model/Keys.h"
#include "model/Preferences.h"

namespace {

struct Store : platform::UserDefaultsStore {
    plist::Dictionary values;
    std::optional<plist::Value> read(const std::string& key) override {
        const auto it = values.find(key);
        return it == values.end() ? std::nullopt : std::optional(it->second);
    }
    bool write(const std::string& key, const plist::Value& value) override {
        values.insert_or_assign(key, value);
        return true;
    }
    bool remove(const std::string& key) override {
        values.erase(key);
        return true;
    }
};

// The Dock hides while the guest's settings are on: the shell answers from a table.
struct Shell : platform::ShellRunner {
    std::string autohide = "1\n";
    std::optional<std::string> run(const std::string& text) override {
        if (text == "defaults read com.apple.dock autohide") return autohide;
        return std::string();
    }
};

struct Script : platform::AppleScriptRunner {
    using platform::AppleScriptRunner::execute;
    std::optional<std::vector<std::string>> execute(const std::string& source) override {
        if (source.find("set the autohide to false") != std::string::npos) owner_->autohide = "0\n";
        if (source.find("set the autohide to true") != std::string::npos) owner_->autohide = "1\n";
        return std::vector<std::string>{};
    }
    Shell* owner_ = nullptr;
};

struct Handlers : platform::UrlHandlers {
    std::optional<std::vector<std::string>> allHandlers(const std::string&) override { return std::nullopt; }
    std::optional<std::string> defaultHandler(const std::string&) override { return std::nullopt; }
    void setDefaultHandler(const std::string&, const std::string&, Done) override {}
};

struct Thread : platform::MainThread {
    bool isMainThread() const override { return true; }
    void post(std::function<void()> block) override { block(); }
};

struct Account : platform::UserAccount {
    std::optional<std::string> loginName() override { return "owner"; }
    std::string homeDirectory() override { return "/Users/owner"; }
};

}  // namespace

int main() {
    auto shell = std::make_shared<Shell>();
    auto script = std::make_shared<Script>();
    script->owner_ = shell.get();
    platform::Ports ports{std::make_shared<Store>(),
                          shell,
                          script,
                          std::make_shared<Thread>(),
                          std::make_shared<Handlers>(),
                          std::make_shared<Account>(),
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr,
                          nullptr};
    lendmode::Preferences& prefs = lendmode::Preferences::resetShared(ports);
    prefs.readCurrentDefinitionSets();
    prefs.setLendmode(true);
    prefs.applaySelectedDefinitionCompletion(nullptr);
    const bool guestDockVisible = shell->autohide == "0\n";
    prefs.setLendmode(false);
    prefs.restoreDefinitionSetsCompletion(nullptr);
    const bool ownerDockHidesAgain = shell->autohide == "1\n";
    lendmode::Preferences::resetShared();
    std::printf("guest Dock visible: %d, owner's Dock hides again: %d\n", guestDockVisible,
                ownerDockHidesAgain);
    return guestDockVisible && ownerDockHidesAgain ? 0 : 1;
}
