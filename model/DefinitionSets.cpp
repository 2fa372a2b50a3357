#include "model/DefinitionSets.h"

#include <algorithm>
#include <iterator>
#include <optional>
#include <utility>

#include "base/Log.h"
#include "model/ApplicationRecord.h"
#include "model/BuildInfo.h"
#include "model/InstalledApplications.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/SetValidation.h"

namespace lendmode {

namespace {

// The first row of the set whose "ID" is ident (works on const and non-const sets).
template <typename Set>
auto findRow(Set& set, std::uint64_t ident) -> decltype(set.front().asDictionary()) {
    for (auto& row : set) {
        auto* dict = row.asDictionary();
        if (!dict) continue;
        const auto id = dict->find(rowkeys::kID);
        if (id != dict->end() && id->second.isNumber() &&
            static_cast<std::uint64_t>(id->second.integerValue()) == ident) {
            return dict;
        }
    }
    return nullptr;
}

// Rows that a set stored by an earlier build may lack, added unticked: unticked, each
// leaves the system alone, so adding it changes nothing the owner chose.
constexpr int kRowsAddedUnticked[] = {rows::kMuteSound, rows::kHideDesktopIcons, rows::kKeepAwake};

std::optional<std::uint64_t> idOf(const plist::Value& row) {
    const plist::Value* id = row.find(rowkeys::kID);
    if (!id || !id->isNumber()) return std::nullopt;
    return static_cast<std::uint64_t>(id->integerValue());
}

// Adds the rows above that the set lacks, from a default set (made only when one is
// lacking), each after the nearest row that comes before it there, else at the end.
// Every other row, known to this build or not, stays as it is.
void addRowsLackingFrom(plist::Array& set, const std::function<plist::Array()>& defaultSet) {
    std::optional<plist::Array> defaults;
    for (const int id : kRowsAddedUnticked) {
        if (findRow(set, static_cast<std::uint64_t>(id))) continue;
        if (!defaults) defaults = defaultSet();
        const auto added = std::find_if(defaults->begin(), defaults->end(), [id](const plist::Value& row) {
            return idOf(row) == static_cast<std::uint64_t>(id);
        });
        if (added == defaults->end() || !added->isDictionary()) continue;
        auto at = set.end();
        for (auto before = std::make_reverse_iterator(added); before != defaults->rend() && at == set.end();
             ++before) {
            const auto earlier = idOf(*before);
            at = std::find_if(set.begin(), set.end(),
                              [&](const plist::Value& row) { return earlier && idOf(row) == earlier; });
        }
        plist::Value row = *added;
        row.asDictionary()->insert_or_assign(rowkeys::kBox, false);
        set.insert(at == set.end() ? at : at + 1, std::move(row));
    }
}

// A stored Lendmode set that a load keeps: a well-formed set with rows.
bool isKeptLendmodeSet(const plist::Value& set) {
    return isUsableDefinitionSet(set) && !set.asArray()->empty();
}

}  // namespace

plist::Dictionary* DefinitionSets::row(plist::Array& set, std::uint64_t ident) {
    return findRow(set, ident);
}

const plist::Dictionary* DefinitionSets::row(const plist::Array& set, std::uint64_t ident) {
    return findRow(set, ident);
}

std::uint64_t DefinitionSets::currentSet() const {
    return static_cast<std::uint64_t>(prefs_.integer(keys::kCurrentSet));
}

void DefinitionSets::setCurrentSet(std::uint64_t index) {
    (void)prefs_.setInteger(keys::kCurrentSet, static_cast<std::int64_t>(index));
}

plist::Array* DefinitionSets::current() {
    return const_cast<plist::Array*>(std::as_const(*this).current());
}

const plist::Array* DefinitionSets::current() const {
    if (sets_.empty()) return nullptr;
    std::uint64_t index = currentSet();
    // Only an outside edit can store another index; set 0 is the one launch blocking
    // reads, so it is the safe set to show and edit then.
    if (index >= sets_.size()) index = 0;
    return sets_[index].asArray();
}

void DefinitionSets::setObject(const std::optional<plist::Value>& value, const std::string& key,
                               std::uint64_t ident) {
    plist::Array* set = current();
    plist::Dictionary* row = set ? findRow(*set, ident) : nullptr;
    if (!row) return;
    if (value) {
        row->insert_or_assign(key, *value);
    } else {
        row->erase(key);
    }
    NotificationCenter::defaultCenter().post(notifications::kRowValueChanged);
    storeRowChange();
}

void DefinitionSets::storeRowChange() {
    // The change stays in memory and goes out with the next store that succeeds.
    if (!write()) log::error("could not store a changed setting");
}

std::optional<plist::Value> DefinitionSets::valueForKey(const std::string& key, std::uint64_t ident) const {
    const plist::Array* set = current();
    if (!set) return std::nullopt;
    const plist::Dictionary* row = findRow(*set, ident);
    if (!row) return std::nullopt;
    const auto it = row->find(key);
    if (it == row->end()) return std::nullopt;
    return it->second;
}

plist::Array* DefinitionSets::applicationList(plist::Array& set) {
    plist::Dictionary* row = findRow(set, rows::kDisabledApps);
    if (!row) return nullptr;
    const auto it = row->find(rowkeys::kDisabledApp);
    return it == row->end() ? nullptr : it->second.asArray();
}

plist::Array* DefinitionSets::appDisabled() {
    if (sets_.empty()) return nullptr;
    plist::Array* lendmodeSet = sets_[0].asArray();
    return lendmodeSet ? applicationList(*lendmodeSet) : nullptr;
}

void DefinitionSets::setAppDisable(bool flag, std::uint64_t index) {
    plist::Array* apps = appDisabled();
    if (!apps || index >= apps->size()) return;
    if (!ApplicationRecord::setStoredDisabled((*apps)[index], flag)) return;
    NotificationCenter::defaultCenter().post(notifications::kRowValueChanged);
    storeRowChange();
}

std::string DefinitionSets::versionKey() {
    // The key is made with "28-%@(%@)" from the short version and the build number.
    return std::string("28-") + build::kShortVersion + "(" + build::kBuildNumber + ")";
}

void DefinitionSets::load(const Fresh& fresh, bool guestSettingsApplied) {
    const std::string version = versionKey();
    auto stored = prefs_.object(keys::kDefinitionSets);
    plist::Array* storedSets = stored ? stored->asArray() : nullptr;
    const bool storedByThisBuild = prefs_.boolean(version);
    // While the guest settings are on the system (a restore was refused), the live
    // system is the guest's: the owner snapshot stored at switch-on is kept.
    const bool keepsStoredSnapshot = guestSettingsApplied && storedSets && storedSets->size() > 1 &&
                                     isUsableDefinitionSet((*storedSets)[1]);
    const auto ownerSnapshot = [&]() -> plist::Value {
        return keepsStoredSnapshot ? (*storedSets)[1] : plist::Value(fresh.ownerSnapshot());
    };

    // The owner's choices outlive a new build: a well-formed stored Lendmode set with
    // rows is kept whichever build stored it, with the rows this build adds.
    if (storedSets && !storedSets->empty() && isKeptLendmodeSet(storedSets->front())) {
        plist::Array lendmodeSet = std::move(*storedSets->front().asArray());  // not needed again
        addRowsLackingFrom(lendmodeSet, fresh.defaultSet);
        sets_ = twoSets(std::move(lendmodeSet), ownerSnapshot());
        // Applications installed since the list was made can be blocked too. A fresh
        // snapshot has just listed the installed ones; a kept one is older.
        if (plist::Array* listed = appDisabled()) {
            const plist::Array* installed =
                keepsStoredSnapshot ? nullptr : applicationList(*sets_[1].asArray());
            *listed =
                mergedApplicationRecords(*listed, installed ? *installed : fresh.installedApplications());
        }
        // Unchanged choices: a failure loses nothing, and a new build tries again at
        // the next load.
        if (write() && !storedByThisBuild) (void)prefs_.setBoolean(version, true);
        return;
    }

    if (storedSets && !storedSets->empty() && storedByThisBuild) {
        // A stored Lendmode set that is not a well-formed set counts as a failed read:
        // the defaults serve this run and the stored value is left for the next load.
        sets_ = twoSets(fresh.defaultSet(), ownerSnapshot());
        return;
    }

    if (!stored) setCurrentSet(0);
    sets_ = twoSets(fresh.defaultSet(), ownerSnapshot());
    // The version key only once the sets it vouches for are stored.
    if (write()) (void)prefs_.setBoolean(version, true);
}

plist::Array DefinitionSets::twoSets(plist::Value lendmodeSet, plist::Value ownerSnapshot) {
    plist::Array sets;
    sets.reserve(2);
    sets.push_back(std::move(lendmodeSet));
    sets.push_back(std::move(ownerSnapshot));
    return sets;
}

bool DefinitionSets::write() {
    // Lent to the store for the write and taken back: thousands of applications are
    // not copied for it.
    plist::Value sets(std::move(sets_));
    const bool stored = prefs_.setObject(keys::kDefinitionSets, sets);
    sets_ = std::move(*sets.asArray());
    return stored;
}

}  // namespace lendmode
