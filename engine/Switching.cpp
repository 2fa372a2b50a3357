#include "engine/Switching.h"

#include <utility>

#include "base/Log.h"
#include "base/Strings.h"
#include "engine/ScreenLock.h"
#include "engine/ScriptTexts.h"
#include "engine/settings/Registry.h"
#include "model/AlertTexts.h"
#include "model/ApplicationRecord.h"
#include "model/Keys.h"
#include "model/SetValidation.h"
#include "model/ShowAlert.h"

namespace lendmode {

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
                if (ticked && ApplicationRecord::storedDisabled(record)) apps.push_back(record);
            }
            kept.emplace(key, std::move(apps));
        }
        copied.emplace_back(std::move(kept));
    }
    return copied;
}

}  // namespace

plist::Dictionary Switching::recordForCopy(const plist::Dictionary& record) {
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

void Switching::switchOn(const Completion& completion) {
    // Consent, the snapshot, its storing; the apply adds its own steps.
    const SwitchProgress::Scope underWay(progress_, /*on=*/true, 3);
    const auto finish = [&] {
        flag_.storeUnstored();  // when nothing carried it
        if (completion) completion();
    };
    if (guestSettingsApplied_) return finish();  // on already: the owner snapshot stays
    const auto refuse = [&](const std::string& text) {
        flag_.set(false);
        alert(alerts::kCannotSwitchOn, text);
        finish();
    };
    if (sets_.all().empty()) sets_.all().emplace_back(defaults_.make());
    if (sets_.all().size() < 2) sets_.all().emplace_back(plist::Array{});
    std::uint64_t index = sets_.currentSet();
    if (index >= sets_.all().size()) index = 0;  // as row access does
    // Every consent the switch needs is asked for before anything changes.
    progress_.step("Asking for permission\u2026");
    std::vector<std::string> running = applier_.runningDisabledApplications();
    settings::ApplyPlan plan = applier_.plan(index, /*lendmodeOn=*/true);
    if (const auto refused = applier_.prepare(plan, &running)) {
        return refuse(alerts::filledIn(alerts::kCannotSwitchOnAutomationText, *refused));
    }

    progress_.step("Reading your settings\u2026");
    bool allRead = true;
    plist::Array snapshot = snapshot_.take(&allRead);
    if (!allRead) return refuse(alerts::kCannotSwitchOnReadText);
    plist::Value previous = std::exchange(sets_.all()[1], plist::Value(std::move(snapshot)));
    // What a restore needs, stored in one change before anything changes: the
    // snapshot, the owner's https handler ("" for none), the running applications
    // about to be quit, what the settings keep for their switch-off, and the fact that
    // the guest settings are going on.
    progress_.step("Saving your settings\u2026");
    std::string https = ports_.urlHandlers->defaultHandler("https").value_or("");
    plist::Dictionary record = std::move(plan.record);
    record.insert_or_assign(keys::kOwnerHttpsHandler, https);
    record.insert_or_assign(keys::kAppsToReopen, plist::Array(running.begin(), running.end()));
    record.insert_or_assign(keys::kGuestSettingsApplied, true);
    // The loan's end, if it has one, counted from here.
    for (auto& [key, value] : loan_.begin()) record.insert_or_assign(key, std::move(value));
    // The sets are lent to the record and taken back after the write, not copied (as
    // an entry of the braced list above would be).
    record.emplace(keys::kDefinitionSets, plist::Value(std::move(sets_.all())));
    // The copy first: a record in the store alone could be lost with it. Neither
    // without the other.
    const auto& copy = ports_.recordCopy;
    const bool copied = !copy || copy->save(recordForCopy(record));
    flag_.addUnstored(record);
    bool stored = copied && prefs_.setObjects(record);
    if (copied && !stored && copy && !copy->clear()) log::error("could not remove the record copy");
    sets_.all() = std::move(*record[keys::kDefinitionSets].asArray());
    if (!stored) {
        loan_.end();
        sets_.all()[1] = std::move(previous);
        return refuse(alerts::kCannotSwitchOnStorageText);
    }
    flag_.stored();
    guestSettingsApplied_ = true;
    ownerHttpsHandler_ = std::move(https);

    const SetApplier::Result result = applier_.apply(std::move(plan), &running);
    log::info("switched on with set " + std::to_string(index) +
              (applier_.appNeedRun().empty() ? "" : "; quit: " + joined(applier_.appNeedRun(), ", ")));
    if (!result.stillRunning.empty()) {
        // Not to be reopened after a crash either: they never quit.
        const std::vector<std::string>& quit = applier_.appNeedRun();
        if (!prefs_.setObject(keys::kAppsToReopen, plist::Array(quit.begin(), quit.end())))
            log::error("could not store which applications were quit");
    }
    if (!result.notQuit.empty())
        alert(alerts::kNotQuit, alerts::filledIn(alerts::kNotQuitText, joined(result.notQuit, ", ")));
    if (!result.stillRunning.empty())
        alert(alerts::kNotQuit,
              alerts::filledIn(alerts::kStillRunningText, joined(result.stillRunning, ", ")));
    if (!result.notChanged.empty()) alert(alerts::kScriptFailed, joined(result.notChanged, "\n"));
    finish();
}

void Switching::switchOff(const Completion& completion) {
    const SwitchProgress::Scope underWay(progress_, /*on=*/false, 1);
    // Off already: applying the snapshot again would undo what the owner changed since.
    if (guestSettingsApplied_) {
        progress_.step("Asking for permission\u2026");
        if (putOwnerSettingsBack()) {
            log::info("switched off: the owner's settings are back");
        } else {
            flag_.set(true);
        }
    }
    flag_.storeUnstored();  // when nothing carried it
    if (completion) completion();
}

bool Switching::putOwnerSettingsBack() {
    settings::ApplyPlan plan = applier_.plan(1, /*lendmodeOn=*/false);
    if (const auto refused = applier_.prepare(plan, nullptr)) {
        alert(alerts::kCannotSwitchOff, alerts::filledIn(alerts::kCannotSwitchOffAutomationText, *refused));
        return false;
    }
    // On a full disk or in a folder that takes no new files the owner's settings would
    // be half written back: refused before anything changes.
    if (!prefs_.store().canStore()) {
        alert(alerts::kCannotSwitchOff, alerts::kCannotSwitchOffStorageText);
        return false;
    }
    // Applied as a switch-off whatever the flag says, so that the applications quit
    // at switch-on are reopened (a quit while on included). The browser step puts the
    // owner's own https handler back when it was another than the http one.
    const SetApplier::Result result =
        applier_.apply(std::move(plan), nullptr,
                       ownerHttpsHandler_.empty() ? std::nullopt : std::optional(ownerHttpsHandler_));
    if (result.settingsNotWritten) {
        // The record stays, so that the next switch-off or start tries again.
        alert(alerts::kCannotSwitchOff, alerts::kSettingsNotPutBackText);
        return false;
    }
    if (!prefs_.boolean(keys::kGuestSettingsApplied)) tellRecordLost();
    // This flag, with the Lendmode flag when the switch carries it, in one change: at
    // the next start the Lendmode flag is made from this one anyway.
    plist::Dictionary back{{keys::kGuestSettingsApplied, false}};
    flag_.addUnstored(back);
    if (prefs_.setObjects(back)) {
        flag_.stored();
    } else {
        // Harmless: the next start applies the owner's snapshot once more.
        log::error("could not record that the owner's settings are back");
    }
    if (ports_.recordCopy && !ports_.recordCopy->clear()) log::error("could not remove the record copy");
    guestSettingsApplied_ = false;
    loan_.end();
    if (!result.notChanged.empty()) alert(alerts::kScriptFailed, joined(result.notChanged, "\n"));
    return true;
}

std::optional<plist::Dictionary> Switching::leftOnRecord() {
    const auto usable = [](const plist::Dictionary& record) {
        const auto sets = record.find(keys::kDefinitionSets);
        const plist::Array* two = sets == record.end() ? nullptr : sets->second.asArray();
        return two && two->size() >= 2 && isUsableDefinitionSet((*two)[1]);
    };
    // The store's, when it says the guest settings are on and holds a usable snapshot.
    const bool storeSaysOn = prefs_.boolean(keys::kGuestSettingsApplied);
    plist::Dictionary stored;
    if (storeSaysOn) {
        for (const char* key : {keys::kDefinitionSets, keys::kAppsToReopen, keys::kOwnerHttpsHandler,
                                keys::kLoanEnd, keys::kLoanLength}) {
            if (auto value = prefs_.object(key)) stored.emplace(key, std::move(*value));
        }
        if (usable(stored)) return stored;
    }
    // Else the copy's, which a store damaged, replaced or removed does not take along.
    if (auto copy = ports_.recordCopy ? ports_.recordCopy->load() : std::nullopt; copy && usable(*copy)) {
        const auto applied = copy->find(keys::kGuestSettingsApplied);
        if (applied != copy->end() && applied->second.truthValue()) {
            // What the settings keep for their switch-off, which they read from the store.
            for (const char* key :
                 {keys::kFocusTurnedOn, keys::kSoundMutedBySwitch, keys::kDesktopIconsHiddenBySwitch}) {
                if (const auto kept = copy->find(key);
                    kept != copy->end() && !prefs_.setObject(key, kept->second))
                    log::error(std::string("could not store ") + key + " from the record copy");
            }
            return copy;
        }
    }
    // The store says on without a usable snapshot, and no copy has one: nothing to
    // put back, and the flag to clear.
    if (storeSaysOn) return stored;
    return std::nullopt;
}

void Switching::alert(const std::string& message, const std::string& informative) const {
    showAlert(ports_.alerts.get(), message, informative);
}

void Switching::tellRecordLost() {
    if (std::exchange(toldRecordLost_, true)) return;
    alert(alerts::kRecordLostMessage, alerts::kRecordLostText);
}

bool Switching::restoreLeftOn() {
    std::optional<plist::Dictionary> record = leftOnRecord();
    guestSettingsApplied_ = record.has_value();
    if (!record) return false;
    if (!loan_.resume(*record)) return !restoreOwnerSettingsLeftOn(std::move(*record));
    if (!loan_.over()) {
        if (takeRecord(*record)) {
            log::info("Lendmode is on for a while yet: the loan goes on");
            holdAgain();
            return true;
        }
        loan_.end();
        return !restoreOwnerSettingsLeftOn(std::move(*record));  // nothing to go on with
    }
    // Over while no Lendmode ran: ended as the timer would have.
    const bool stillOn = !restoreOwnerSettingsLeftOn(std::move(*record));
    (void)lockScreen(run_, ports_);
    return stillOn;
}

void Switching::holdAgain() {
    // The power assertion ended with the process that held it.
    std::uint64_t index = sets_.currentSet();
    if (index >= sets_.all().size()) index = 0;
    const plist::Array* set = sets_.all()[index].asArray();
    const plist::Dictionary* row = set ? DefinitionSets::row(*set, rows::kKeepAwake) : nullptr;
    if (!row || !settings::boxOf(*row)) return;
    settings::Env env(run_, ports_, sets_.all(), &prefs_);
    settings::keepAwake().applyNow(plist::Value(true), env);
}

bool Switching::changeLoan(std::optional<Loan::Seconds> length) {
    if (!guestSettingsApplied_) {
        loan_.choose(length);
        return true;
    }
    const Loan before = loan_;
    if (prefs_.setObjects(loan_.change(length))) return true;
    log::error("could not store the loan's new time");
    loan_ = before;
    return false;
}

bool Switching::takeRecord(plist::Dictionary& record) {
    const auto stored = record.find(keys::kDefinitionSets);
    plist::Array* sets = stored == record.end() ? nullptr : stored->second.asArray();
    if (!sets || sets->size() < 2 || !isUsableDefinitionSet((*sets)[1])) return false;
    // Set 0 tells which applications are still disabled, and so may be reopened.
    plist::Value lendmodeSet =
        isUsableDefinitionSet((*sets)[0]) ? std::move((*sets)[0]) : plist::Value(plist::Array{});
    sets_.all() = DefinitionSets::twoSets(std::move(lendmodeSet), std::move((*sets)[1]));
    applier_.appNeedRun().clear();
    if (const auto names = record.find(keys::kAppsToReopen);
        names != record.end() && names->second.isArray()) {
        for (const plist::Value& name : *names->second.asArray()) {
            if (name.isString()) applier_.appNeedRun().push_back(*name.asString());
        }
    }
    const auto https = record.find(keys::kOwnerHttpsHandler);
    ownerHttpsHandler_ = https != record.end() && https->second.isString() ? *https->second.asString() : "";
    return true;
}

bool Switching::restoreOwnerSettingsLeftOn(plist::Dictionary record) {
    if (!takeRecord(record)) {
        log::error("no usable owner snapshot is stored; nothing to put back");
        (void)prefs_.setBoolean(keys::kGuestSettingsApplied, false);
        if (ports_.recordCopy) (void)ports_.recordCopy->clear();
        guestSettingsApplied_ = false;
        loan_.end();
        return true;
    }
    if (!putOwnerSettingsBack()) return false;  // stays on, with the sets as stored
    log::info("switched off at start-up: the owner's settings, left on by an earlier run, are back");
    sets_.all().clear();
    applier_.appNeedRun().clear();
    return true;
}

}  // namespace lendmode
