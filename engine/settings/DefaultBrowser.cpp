// The default browser: Safari while Lendmode is on when the box is ticked; the owner's
// browser, by short name, in a snapshot.
#include "engine/DefaultBrowser.h"

#include "engine/settings/Registry.h"

namespace lendmode::settings {
namespace {

constexpr std::uint64_t kRow = rows::kBrowser;

std::string browserOrNone(const std::optional<std::string>& name) {
    return name && !name->empty() ? *name : std::string(kNoBrowser);
}

class DefaultBrowserSetting final : public Setting {
public:
    std::uint64_t rowId() const override { return kRow; }
    const char* name() const override { return "Default browser"; }

    plist::Dictionary defaultRow(Env& env) const override {
        plist::Dictionary row =
            checkboxRow(kRow, "Browser set to Safari", "Set Safari as default Browser", false);
        row.emplace(rowkeys::kBrowser, browserOrNone(DefaultBrowserName(env.urlHandlers)));
        return row;
    }

    // Read from the URL handlers, not by a text.
    void readOwner(plist::Dictionary& row, const std::vector<std::optional<std::string>>&,
                   Env& env) const override {
        const auto name = DefaultBrowserName(env.urlHandlers);
        row[rowkeys::kBox] = name == kSafari;
        row[rowkeys::kBrowser] = browserOrNone(name);
    }

    void addToApply(const plist::Dictionary& row, ApplyPlan& plan, Env&) const override {
        if (boxOf(row)) {
            plan.browser = std::string(kSafari);
            return;
        }
        const auto it = row.find(rowkeys::kBrowser);
        plan.browser =
            it != row.end() && it->second.isString() ? std::optional(*it->second.asString()) : std::nullopt;
    }
};

}  // namespace

const Setting& defaultBrowser() {
    static const DefaultBrowserSetting setting;
    return setting;
}

}  // namespace lendmode::settings
