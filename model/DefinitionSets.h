// The two definition sets once loaded: 0 the Lendmode set, 1 the owner snapshot. Row
// access by row ID, the application list of a set, and loading and storing them
// under "LM007".
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "base/plist/Value.h"
#include "model/UserDefaults.h"

namespace lendmode {

class DefinitionSets {
public:
    explicit DefinitionSets(UserDefaults& prefs) : prefs_(prefs) {}

    // Empty until the sets are first loaded.
    plist::Array& all() { return sets_; }
    const plist::Array& all() const { return sets_; }
    void replace(plist::Array sets) { sets_ = std::move(sets); }
    // The two sets, moved in (a braced list would copy every application record).
    static plist::Array twoSets(plist::Value lendmodeSet, plist::Value ownerSnapshot);

    // The index of the set applied at switch-on ("LM008").
    std::uint64_t currentSet() const;
    void setCurrentSet(std::uint64_t index);
    // The set that row access reads and writes: currentSet, or set 0 when the stored
    // index names no loaded set. Nothing before the sets are loaded.
    plist::Array* current();
    const plist::Array* current() const;

    // Finds the row by "ID" in the current set, changes it in place (no value removes
    // the key), posts "VVVN1", then stores the sets. An unknown ID changes nothing.
    void setObject(const std::optional<plist::Value>& value, const std::string& key, std::uint64_t ident);
    std::optional<plist::Value> valueForKey(const std::string& key, std::uint64_t ident) const;
    // The first row of a set whose "ID" is ident; nullptr when there is none.
    static plist::Dictionary* row(plist::Array& set, std::uint64_t ident);
    static const plist::Dictionary* row(const plist::Array& set, std::uint64_t ident);
    // The application list of a set (row 41's "DisabledApp"); nullptr when it has none.
    static plist::Array* applicationList(plist::Array& set);
    // The live application list of set 0, which decides what is blocked whatever set
    // is current; nullptr when set 0 has none. Valid until the sets are next replaced.
    plist::Array* appDisabled();
    // Sets the disabled flag of the record at index in set 0's list, posts "VVVN1" and
    // stores. An index beyond the list is ignored.
    void setAppDisable(bool flag, std::uint64_t index);

    // Stores both sets; false when they could not be stored.
    bool write();
    // "28-<short version>(<build number>)": YES once this build has stored the sets.
    static std::string versionKey();

    // What a load makes afresh.
    struct Fresh {
        std::function<plist::Array()> defaultSet;
        std::function<plist::Array()> ownerSnapshot;
        std::function<plist::Array()> installedApplications;
    };
    // Loads set 0 from "LM007", on a new build too, with the rows added since it was
    // stored added unticked (from the defaults when it is not a well-formed set with
    // rows), and takes a fresh owner snapshot as set 1, unless the guest settings are
    // on the system: the stored snapshot is the owner's then.
    void load(const Fresh& fresh, bool guestSettingsApplied);

private:
    void storeRowChange();

    UserDefaults& prefs_;
    plist::Array sets_;
};

}  // namespace lendmode
