// Switching Lendmode on and off: the owner snapshot, the record a restore after a
// crash needs, and the two applies. Both switches keep to one rule: one that cannot
// be undone safely is refused before it changes anything.
#include <memory>
#include <utility>

#include "base/Log.h"
#include "base/Strings.h"
#include "engine/ScriptTexts.h"
#include "model/AlertTexts.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "model/SetValidation.h"

namespace lendmode {

// Keeps each alert and answers it with its first button.
class Preferences::CollectedAlerts::Gatherer : public platform::AlertPresenter {
public:
    std::vector<platform::Alert> alerts;
    int runModal(const platform::Alert& alert) override {
        alerts.push_back(alert);
        return 0;
    }
};

Preferences::CollectedAlerts::CollectedAlerts(Preferences& prefs)
    : prefs_(prefs), gatherer_(std::make_shared<Gatherer>()), shown_(std::move(prefs.ports_.alerts)) {
    prefs_.ports_.alerts = gatherer_;
}

Preferences::CollectedAlerts::~CollectedAlerts() {
    prefs_.ports_.alerts = std::move(shown_);
}

const std::vector<platform::Alert>& Preferences::CollectedAlerts::alerts() const {
    return gatherer_->alerts;
}

namespace {

// A set's rows with its application list cut to the ticked records (none when
// `ticked` is false): what a restore needs of the list is which applications are
// disabled, so that thousands of installed ones are not written twice.
plist::Value setForCopy(const plist::Value& set, bool ticked) {
    const plist::Array* rows = set.asArray();
    if (!rows) return set;
    plist::Array copied;
    copied.reserve(rows->size());
    for (const plist::Value& row : *rows) {
        const plist::Dictionary* entries = row.asDictionary();
        if (!entries) {
            copied.push_back(row);
            continue;
        }
        plist::Dictionary kept;
        for (const auto& [key, value] : *entries) {
            if (key != rowkeys::kDisabledApp || !value.isArray()) {
                kept.emplace(key, value);
                continue;
            }
            plist::Array apps;
            for (const plist::Value& record : *value.asArray()) {
                const plist::Array* fields = record.asArray();
                if (ticked && fields && fields->size() >= 2 && (*fields)[1].truthValue())
                    apps.push_back(record);
            }
            kept.emplace(key, std::move(apps));
        }
        copied.emplace_back(std::move(kept));
    }
    return copied;
}

}  // namespace

plist::Dictionary Preferences::recordForCopy(const plist::Dictionary& record) {
    plist::Dictionary copy;
    for (const auto& [key, value] : record) {
        if (key != keys::kDefinitionSets || !value.isArray()) {
            copy.emplace(key, value);
            continue;
        }
        plist::Array sets;
        for (std::size_t i = 0; i < value.asArray()->size(); ++i)
            sets.push_back(setForCopy((*value.asArray())[i], /*ticked=*/i == 0));
        copy.emplace(key, std::move(sets));
    }
    return copy;
}

std::optional<std::string> Preferences::refusedAutomationTarget() const {
    if (!ports_.automation) return std::nullopt;
    for (const char* target : texts::kAutomatedApplications) {
        if (!ports_.automation->mayAutomate(target)) return std::string(target);
    }
    return std::nullopt;
}

void Preferences::applaySelectedDefinitionCompletion(const Completion& completion) {
    const auto finish = [&] {
        storeUnstoredFlag();  // when nothing carried it
        if (completion) completion();
    };
    if (guestSettingsApplied()) return finish();  // on already: the owner snapshot stays
    const auto refuse = [&](const std::string& text) {
        setLendmode(false);
        showAlert(alerts::kCannotSwitchOn, text);
        finish();
    };
    if (const auto refused = refusedAutomationTarget()) {
        return refuse(alerts::filledIn(alerts::kCannotSwitchOnAutomationText, *refused));
    }

    bool allRead = true;
    plist::Array snapshot = settingsUser(&allRead);
    if (!allRead) return refuse(alerts::kCannotSwitchOnReadText);
    if (definitionSets_.empty()) definitionSets_.emplace_back(settingsDefault());
    if (definitionSets_.size() < 2) definitionSets_.emplace_back(plist::Array{});
    plist::Value previous = std::exchange(definitionSets_[1], plist::Value(std::move(snapshot)));
    // What a restore needs, stored in one change before anything changes: the
    // snapshot, the owner's https handler ("" for none), the running applications
    // about to be quit, and the fact that the guest settings are going on.
    const std::vector<std::string> running = runningDisabledApplications();
    std::string https = ports_.urlHandlers->defaultHandler("https").value_or("");
    plist::Dictionary record{
        {keys::kOwnerHttpsHandler, https},
        {keys::kAppsToReopen, plist::Array(running.begin(), running.end())},
        {keys::kGuestSettingsApplied, true},
    };
    // The sets are lent to the record and taken back after the write, not copied (as
    // an entry of the braced list above would be).
    record.emplace(keys::kDefinitionSets, plist::Value(std::move(definitionSets_)));
    // The copy first: a record in the store alone could be lost with it. Neither
    // without the other.
    const auto& copy = ports_.recordCopy;
    const bool copied = !copy || copy->save(recordForCopy(record));
    addUnstoredFlag(record);
    bool stored = copied && prefs_.setObjects(record);
    if (copied && !stored && copy && !copy->clear()) log::error("could not remove the record copy");
    definitionSets_ = std::move(*record[keys::kDefinitionSets].asArray());
    if (stored) {
        unstoredLendmode_.reset();
        guestSettingsApplied_ = true;
        ownerHttpsHandler_ = std::move(https);
    } else {
        // The snapshot may have taken over the application list of the one it was to
        // replace: the list goes back with it.
        plist::Array* taken =
            definitionSets_[1].isArray() ? applicationList(*definitionSets_[1].asArray()) : nullptr;
        plist::Array* left = previous.isArray() ? applicationList(*previous.asArray()) : nullptr;
        if (taken && left && left->empty()) std::swap(*taken, *left);
        definitionSets_[1] = std::move(previous);
        return refuse(alerts::kCannotSwitchOnStorageText);
    }

    std::uint64_t index = currentSet();
    if (index >= definitionSets_.size()) index = 0;  // as row access does
    const ApplyResult result = applySet(index, /*lendmodeOn=*/true, &running);
    log::info("switched on with set " + std::to_string(index) +
              (appNeedRun_.empty() ? "" : "; quit: " + joined(appNeedRun_, ", ")));
    if (!result.notQuit.empty())
        showAlert(alerts::kNotQuit, alerts::filledIn(alerts::kNotQuitText, joined(result.notQuit, ", ")));
    if (result.scriptFailed) showAlert(alerts::kScriptFailed, alerts::kScriptFailedText);
    finish();
}

void Preferences::restoreDefinitionSetsCompletion(const Completion& completion) {
    // Off already: applying the snapshot again would undo what the owner changed since.
    if (guestSettingsApplied()) {
        if (putOwnerSettingsBack()) {
            log::info("switched off: the owner's settings are back");
        } else {
            setLendmode(true);
        }
    }
    storeUnstoredFlag();  // when nothing carried it
    if (completion) completion();
}

bool Preferences::putOwnerSettingsBack() {
    if (const auto refused = refusedAutomationTarget()) {
        showAlert(alerts::kCannotSwitchOff,
                  alerts::filledIn(alerts::kCannotSwitchOffAutomationText, *refused));
        return false;
    }
    // A full disk or a folder that takes no new files would let the owner's settings
    // fail to be written while the record of them, cleared in place, is lost.
    if (!prefs_.store().canStore()) {
        showAlert(alerts::kCannotSwitchOff, alerts::kCannotSwitchOffStorageText);
        return false;
    }
    // Applied as a switch-off whatever the flag says, so that the applications quit
    // at switch-on are reopened (a quit while on included).
    const ApplyResult result = applySet(1, /*lendmodeOn=*/false);
    if (result.settingsNotWritten) {
        // The record stays, so that the next switch-off or start tries again.
        showAlert(alerts::kCannotSwitchOff, alerts::kSettingsNotPutBackText);
        return false;
    }
    // The browser step sets https to the http browser; the owner's own https handler
    // goes back when it was another.
    if (!ownerHttpsHandler_.empty() && ports_.urlHandlers->defaultHandler("https") != ownerHttpsHandler_) {
        ports_.urlHandlers->setDefaultHandler("https", ownerHttpsHandler_);
    }
    if (!prefs_.boolean(keys::kGuestSettingsApplied)) tellRecordLost();
    // A flag alone, so that its byte is turned over in the file rather than the file
    // written anew. The Lendmode flag follows on its own (the caller stores it): at
    // the next start the flag is made from this one, so a crash between the two
    // leaves nothing wrong.
    if (!prefs_.setBoolean(keys::kGuestSettingsApplied, false)) {
        // Harmless: the next start applies the owner's snapshot once more.
        log::error("could not record that the owner's settings are back");
    }
    if (ports_.recordCopy && !ports_.recordCopy->clear()) log::error("could not remove the record copy");
    guestSettingsApplied_ = false;
    if (result.scriptFailed) showAlert(alerts::kScriptFailed, alerts::kScriptFailedText);
    return true;
}

std::optional<plist::Dictionary> Preferences::leftOnRecord() {
    const auto usable = [](const plist::Dictionary& record) {
        const auto sets = record.find(keys::kDefinitionSets);
        const plist::Array* two = sets == record.end() ? nullptr : sets->second.asArray();
        return two && two->size() >= 2 && isUsableDefinitionSet((*two)[1]);
    };
    // The store's, when it says the guest settings are on and holds a usable snapshot.
    const bool storeSaysOn = prefs_.boolean(keys::kGuestSettingsApplied);
    plist::Dictionary stored;
    if (storeSaysOn) {
        for (const char* key : {keys::kDefinitionSets, keys::kAppsToReopen, keys::kOwnerHttpsHandler}) {
            if (auto value = prefs_.object(key)) stored.emplace(key, std::move(*value));
        }
        if (usable(stored)) return stored;
    }
    // Else the copy's, which a store damaged, replaced or removed does not take along.
    if (auto copy = ports_.recordCopy ? ports_.recordCopy->load() : std::nullopt; copy && usable(*copy)) {
        const auto applied = copy->find(keys::kGuestSettingsApplied);
        if (applied != copy->end() && applied->second.truthValue()) return copy;
    }
    // The store says on without a usable snapshot, and no copy has one: nothing to
    // put back, and the flag to clear.
    if (storeSaysOn) return stored;
    return std::nullopt;
}

void Preferences::tellRecordLost() {
    if (std::exchange(toldRecordLost_, true)) return;
    showAlert(alerts::kRecordLostMessage, alerts::kRecordLostText);
}

bool Preferences::restoreOwnerSettingsLeftOn(plist::Dictionary record) {
    const auto stored = record.find(keys::kDefinitionSets);
    plist::Array* sets = stored == record.end() ? nullptr : stored->second.asArray();
    if (!sets || sets->size() < 2 || !isUsableDefinitionSet((*sets)[1])) {
        log::error("no usable owner snapshot is stored; nothing to put back");
        (void)prefs_.setBoolean(keys::kGuestSettingsApplied, false);
        if (ports_.recordCopy) (void)ports_.recordCopy->clear();
        guestSettingsApplied_ = false;
        return true;
    }
    // Set 0 tells which applications are still disabled, and so may be reopened.
    plist::Value lendmodeSet =
        isUsableDefinitionSet((*sets)[0]) ? std::move((*sets)[0]) : plist::Value(plist::Array{});
    definitionSets_ = twoSets(std::move(lendmodeSet), std::move((*sets)[1]));
    appNeedRun_.clear();
    if (const auto names = record.find(keys::kAppsToReopen);
        names != record.end() && names->second.isArray()) {
        for (const plist::Value& name : *names->second.asArray()) {
            if (name.isString()) appNeedRun_.push_back(*name.asString());
        }
    }
    const auto https = record.find(keys::kOwnerHttpsHandler);
    ownerHttpsHandler_ = https != record.end() && https->second.isString() ? *https->second.asString() : "";
    if (!putOwnerSettingsBack()) return false;  // stays on, with the sets as stored
    log::info("switched off at start-up: the owner's settings, left on by an earlier run, are back");
    definitionSets_.clear();
    appNeedRun_.clear();
    return true;
}

}  // namespace lendmode
