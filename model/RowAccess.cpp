// Reading and changing row values by row ID, and the disabled-application flags.
#include <utility>

#include "base/Log.h"
#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "model/Preferences.h"

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

}  // namespace

plist::Array* Preferences::currentDefinitionSet() {
    return const_cast<plist::Array*>(std::as_const(*this).currentDefinitionSet());
}

const plist::Array* Preferences::currentDefinitionSet() const {
    if (definitionSets_.empty()) return nullptr;
    std::uint64_t index = currentSet();
    // Only an outside edit can store another index; set 0 is the one launch blocking
    // reads, so it is the safe set to show and edit then.
    if (index >= definitionSets_.size()) index = 0;
    return definitionSets_[index].asArray();
}

void Preferences::setObject(const std::optional<plist::Value>& value, const std::string& key,
                            std::uint64_t ident) {
    plist::Array* set = currentDefinitionSet();
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

void Preferences::storeRowChange() {
    // The change stays in memory and goes out with the next store that succeeds.
    if (!write_definitionSets()) log::error("could not store a changed setting");
}

std::optional<plist::Value> Preferences::valueForKey(const std::string& key, std::uint64_t ident) const {
    const plist::Array* set = currentDefinitionSet();
    if (!set) return std::nullopt;
    const plist::Dictionary* row = findRow(*set, ident);
    if (!row) return std::nullopt;
    const auto it = row->find(key);
    if (it == row->end()) return std::nullopt;
    return it->second;
}

plist::Array* Preferences::applicationList(plist::Array& set) {
    plist::Dictionary* row = findRow(set, rows::kDisabledApps);
    if (!row) return nullptr;
    const auto it = row->find(rowkeys::kDisabledApp);
    return it == row->end() ? nullptr : it->second.asArray();
}

plist::Array* Preferences::appDisabled() {
    if (definitionSets_.empty()) return nullptr;
    plist::Array* lendmodeSet = definitionSets_[0].asArray();
    return lendmodeSet ? applicationList(*lendmodeSet) : nullptr;
}

void Preferences::setAppDisable(bool flag, std::uint64_t index) {
    plist::Array* apps = appDisabled();
    if (!apps || index >= apps->size()) return;
    plist::Array* record = (*apps)[index].asArray();
    if (!record || record->size() < 2) return;
    (*record)[1] = flag;
    NotificationCenter::defaultCenter().post(notifications::kRowValueChanged);
    storeRowChange();
}

}  // namespace lendmode
