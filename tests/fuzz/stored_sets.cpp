// The stored definition sets: their validation (model/SetValidation), the load that
// takes them at start-up (model/DefinitionSets.cpp) and the merge of their application
// list with the installed applications (mergedApplicationRecords), with
// the ports faked in memory.
//
// The input is Lendmode's own store: a property-list file (a dictionary: the whole
// store; an array: the sets under "LM007"), or otherwise bytes made into a store
// shaped like one, with the application query's output. What must hold:
//   - a set 0 with rows the validation accepts is the set the load takes, whichever
//     build stored it: the same rows in their order, its application list merged with
//     the installed applications, and the rows for presenting it lacks added as a new
//     set has them, unticked; stored again, it is accepted again;
//   - a set 0 it refuses (or one without rows) is not taken (the defaults serve); this
//     build's stays stored as it was;
//   - the merge keeps every ticked record, adds every installed application not
//     listed yet, makes nothing up, changes nothing when nothing is installed, and is
//     sorted by name;
//   - applying either set, and reading and ticking rows, works on whatever was loaded.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/Log.h"
#include "base/plist/BinaryReader.h"
#include "base/plist/PlistFile.h"
#include "model/Keys.h"
#include "model/Preferences.h"
#include "model/SetValidation.h"
#include "tests/fuzz/support/FuzzInput.h"
#include "tests/support/Fakes.h"

namespace {

using lendmode::applicationRecords;
using lendmode::DefinitionSets;
using lendmode::mergedApplicationRecords;
using lendmode::Preferences;
using plist::Array;
using plist::Dictionary;
using plist::Value;

namespace keys = lendmode::keys;
namespace rowkeys = lendmode::rowkeys;

// What the query prints for a store read from a file.
constexpr const char* kInstalled =
    "/Applications/Safari.app\n/System/Applications/Chess.app\n/Applications/Google Chrome.app\n"
    "/System/Applications/Utilities/Terminal.app\n/Users/owner/Applications/Tool.app\n";

const std::vector<std::string_view>& rowKeys() {
    static const std::vector<std::string_view> words = {rowkeys::kID,
                                                        rowkeys::kIdCell,
                                                        rowkeys::kTitle1,
                                                        rowkeys::kTitle2,
                                                        rowkeys::kBox,
                                                        rowkeys::kBoxID,
                                                        rowkeys::kSegmentSelected,
                                                        rowkeys::kSegmentID,
                                                        rowkeys::kDictHotCorners,
                                                        rowkeys::kBrowser,
                                                        rowkeys::kDisabledApp,
                                                        rowkeys::kSliderMin,
                                                        rowkeys::kSliderMax,
                                                        rowkeys::kSliderValue,
                                                        rowkeys::kSliderID,
                                                        "segment0",
                                                        "segment2",
                                                        "title2-1",
                                                        "other"};
    return words;
}

const std::vector<std::string_view>& names() {
    static const std::vector<std::string_view> words = {
        "Chess", "Safari", "Google Chrome", "Terminal", "Tool", "Mail", ""};
    return words;
}

std::string pathFor(fuzz::Input& in, const std::string& name) {
    static constexpr const char* kFolders[] = {"/Applications/", "/System/Applications/",
                                               "/System/Applications/Utilities/",
                                               "/Users/owner/Applications/"};
    return kFolders[in.below(4)] + name + ".app";
}

Value record(fuzz::Input& in) {
    const std::string name = in.wordOr(names(), 12);
    Array fields{Value(name), in.flag() ? Value(in.flag()) : Value(static_cast<int>(in.byte() % 3)),
                 Value(pathFor(in, name))};
    switch (in.byte() % 16) {
        case 0: fields.pop_back(); break;                                         // made by an older version
        case 1: fields[in.below(3)] = Value(static_cast<int>(in.byte())); break;  // a field of another type
        case 2: fields.push_back(Value("extra")); break;
        default: break;
    }
    return Value(std::move(fields));
}

Value rowValue(fuzz::Input& in, std::string_view key) {
    fuzz::ValueOptions options;
    options.maxDepth = 2;
    options.maxItems = 3;
    if (in.byte() % 16 == 0) return fuzz::makeValue(in, options);  // any type
    if (key == rowkeys::kDisabledApp) {
        Array records;
        for (std::size_t n = in.below(8); n > 0; --n) records.push_back(record(in));
        return Value(std::move(records));
    }
    if (key == rowkeys::kDictHotCorners) {
        Dictionary corners;
        for (const char* corner : lendmode::kHotCornerKeys) {
            if (in.flag()) corners.emplace(corner, std::to_string(in.byte() % 14));
        }
        return Value(std::move(corners));
    }
    if (key == rowkeys::kID || key == rowkeys::kBoxID || key == rowkeys::kSegmentID ||
        key == rowkeys::kSliderID) {
        static constexpr int kIds[] = {31, 3, 5, 8, 4, 9, 32, 33, 41, 51, 52, 53};
        return Value(in.flag() ? kIds[in.below(12)] : static_cast<int>(in.byte()));
    }
    if (key == rowkeys::kBox) return Value(in.flag());
    if (key == rowkeys::kSegmentSelected || key.starts_with("slider"))
        return Value(static_cast<int>(in.byte() % 4));
    return Value(in.text(12));
}

Value shapedSet(fuzz::Input& in) {
    Array rows;
    for (std::size_t n = in.below(12); n > 0; --n) {
        if (in.byte() % 16 == 0) {
            fuzz::ValueOptions options;
            options.maxDepth = 2;
            rows.push_back(fuzz::makeValue(in, options));  // not a row at all
            continue;
        }
        Dictionary row;
        if (in.byte() % 8 != 0) row.emplace(rowkeys::kID, rowValue(in, rowkeys::kID));
        for (std::size_t k = in.below(6); k > 0; --k) {
            const std::string key = in.wordOr(rowKeys(), 10);
            row.insert_or_assign(key, rowValue(in, key));
        }
        rows.push_back(Value(std::move(row)));
    }
    return Value(std::move(rows));
}

std::string queryOutput(fuzz::Input& in) {
    std::string output;
    for (std::size_t n = in.below(8); n > 0; --n) {
        output += in.byte() % 8 == 0 ? in.text(20) : pathFor(in, in.wordOr(names(), 12));
        output += '\n';
    }
    return output;
}

// The first row whose ID is this number, as row access finds it.
Dictionary* findRow(Array& set, std::uint64_t id) {
    for (Value& row : set) {
        Dictionary* d = row.asDictionary();
        const auto it = d ? d->find(rowkeys::kID) : Dictionary::iterator{};
        if (d && it != d->end() && it->second.isNumber() &&
            static_cast<std::uint64_t>(it->second.integerValue()) == id)
            return d;
    }
    return nullptr;
}

std::string_view nameOf(const Value& record) {
    const Array* fields = record.asArray();
    return fields && !fields->empty() && (*fields)[0].isString() ? std::string_view(*(*fields)[0].asString())
                                                                 : std::string_view();
}
std::string_view pathOf(const Value& record) {
    const Array* fields = record.asArray();
    return fields && fields->size() > 2 && (*fields)[2].isString()
               ? std::string_view(*(*fields)[2].asString())
               : std::string_view();
}

std::size_t count(const Array& records, const Value& record) {
    return static_cast<std::size_t>(std::count_if(
        records.begin(), records.end(), [&](const Value& r) { return fuzz::sameValue(r, record); }));
}

void mergeHolds(const Array& listed, const Array& installed) {
    const Array merged = mergedApplicationRecords(listed, installed);
    const std::string what = "listed " + fuzz::show(Value(listed)) + "\ninstalled " +
                             fuzz::show(Value(installed)) + "\nmerged " + fuzz::show(Value(merged));
    if (installed.empty()) {
        fuzz::require(fuzz::sameValue(Value(merged), Value(listed)),
                      "a merge with nothing installed changes nothing", what);
        return;
    }
    fuzz::require(std::is_sorted(merged.begin(), merged.end(),
                                 [](const Value& a, const Value& b) { return nameOf(a) < nameOf(b); }),
                  "a merge is sorted by name", what);
    for (const Value& r : listed) {
        const Array* fields = r.asArray();
        const bool ticked = fields && fields->size() > 1 && (*fields)[1].truthValue();
        if (ticked)
            fuzz::require(count(merged, r) >= count(listed, r), "a merge keeps every ticked record", what);
    }
    for (const Value& r : installed) {
        const bool known = std::any_of(listed.begin(), listed.end(), [&](const Value& l) {
            return pathOf(l) == pathOf(r) || (pathOf(l).empty() && nameOf(l) == nameOf(r));
        });
        if (!known)
            fuzz::require(count(merged, r) >= 1, "a merge adds every installed application not listed", what);
    }
    for (const Value& r : merged)
        fuzz::require(count(listed, r) + count(installed, r) > 0, "a merge makes no record up", what);
    fuzz::require(merged.size() <= listed.size() + installed.size(), "a merge makes no record up", what);
}

void loadHolds(const Dictionary& stored, const std::string& query) {
    testing_support::FakePorts fakes;
    fakes.shell->installApplications(query);
    fakes.urlHandlers->installThreeBrowsersWithChromeTheDefault();
    // The restore after a process that ended while on is another matter; this is the load.
    Dictionary contents = stored;
    contents.erase(keys::kGuestSettingsApplied);
    (void)fakes.store->writeAll(contents);

    const auto it = contents.find(keys::kDefinitionSets);
    const Array* sets = it != contents.end() ? it->second.asArray() : nullptr;
    const auto version = contents.find(DefinitionSets::versionKey());
    const bool sameBuild = version != contents.end() && version->second.truthValue();
    const bool usable = sets && !sets->empty() && lendmode::isUsableDefinitionSet(sets->front()) &&
                        !sets->front().asArray()->empty();

    Preferences prefs(fakes.ports());
    prefs.readCurrentDefinitionSets();
    fuzz::require(prefs.definitionSets().size() == 2, "the load makes two sets");
    const Value& loaded = prefs.definitionSets()[0];
    const std::string what = "stored " + fuzz::show(Value(contents)) + "\nloaded " + fuzz::show(loaded);

    if (usable) {
        Value expected = sets->front();
        if (Dictionary* row =
                findRow(*expected.asArray(), static_cast<std::uint64_t>(lendmode::rows::kDisabledApps))) {
            const auto list = row->find(rowkeys::kDisabledApp);
            if (list != row->end() && list->second.isArray()) {
                mergeHolds(*list->second.asArray(), applicationRecords(query));
                list->second = mergedApplicationRecords(*list->second.asArray(), applicationRecords(query));
            }
        }
        // The rows the load added, each as a new set has it, unticked; the others as stored.
        Array kept;
        Array defaults = prefs.settingsDefault();
        Array loadedRows = *loaded.asArray();
        for (const Value& row : loadedRows) {
            const Value* id = row.find(rowkeys::kID);
            const auto number = id && id->isNumber() ? static_cast<std::uint64_t>(id->integerValue()) : 0;
            if (number < 51 || number > 53 || findRow(*expected.asArray(), number)) {
                kept.push_back(row);
                continue;
            }
            Value added = *findRow(defaults, number);
            *added.find(rowkeys::kBox) = Value(false);
            fuzz::require(fuzz::sameValue(row, added), "a row the load adds is a new set's, unticked", what);
        }
        for (const std::uint64_t id : {51, 52, 53})
            fuzz::require(findRow(loadedRows, id) != nullptr,
                          "a set the load takes has the rows for presenting", what);
        fuzz::require(fuzz::sameValue(Value(kept), expected),
                      "a set 0 the validation accepts is the set the load takes",
                      what + "\nexpected " + fuzz::show(expected));
        const auto again = fakes.store->read(keys::kDefinitionSets);
        fuzz::require(again && again->isArray() && !again->asArray()->empty() &&
                          lendmode::isUsableDefinitionSet(again->asArray()->front()),
                      "a set taken and stored again is accepted again", what);
    } else {
        fuzz::require(fuzz::sameValue(loaded, Value(prefs.settingsDefault())),
                      "a set 0 that is refused or not reusable gives way to the defaults", what);
        if (sets && !sets->empty() && sameBuild) {
            const auto kept = fakes.store->read(keys::kDefinitionSets);
            fuzz::require(kept && fuzz::sameValue(*kept, it->second), "a refused set stays stored as it was",
                          what);
        }
    }

    // Whatever was loaded is applied, read and ticked without harm.
    (void)prefs.applySet(0, true);
    (void)prefs.applySet(1, false);
    (void)prefs.disabledApplicationNames();
    for (const std::uint64_t id : {31, 3, 5, 8, 4, 9, 32, 33, 41, 51, 52, 53}) {
        (void)prefs.valueForKey(rowkeys::kBox, id);
        (void)prefs.valueForKey(rowkeys::kSegmentSelected, id);
    }
    prefs.setAppDisable(true, 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = [] {
        lendmode::log::setSink([](lendmode::log::Level, std::string_view) {});
        return true;
    }();
    (void)quiet;

    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Dictionary stored;
    std::string query = kInstalled;
    if (plist::isBinaryPropertyList(bytes) || bytes.starts_with("<")) {
        const auto value = plist::parse(bytes);
        if (!value) return 0;
        if (const Dictionary* d = value->asDictionary()) {
            stored = *d;
        } else {
            stored.emplace(keys::kDefinitionSets, *value);
            stored.emplace(DefinitionSets::versionKey(), true);
        }
    } else {
        fuzz::Input in(data, size);
        Array sets{shapedSet(in)};
        if (in.byte() % 4 != 0) sets.push_back(shapedSet(in));
        stored.emplace(keys::kDefinitionSets, std::move(sets));
        if (in.byte() % 8 != 0) stored.emplace(DefinitionSets::versionKey(), in.byte() % 8 != 0);
        if (in.flag()) stored.emplace(keys::kCurrentSet, static_cast<int>(in.byte() % 3));
        query = queryOutput(in);
        Array listed, installed;
        for (std::size_t n = in.below(6); n > 0; --n) listed.push_back(record(in));
        installed = applicationRecords(queryOutput(in));
        mergeHolds(listed, installed);
    }
    loadHolds(stored, query);
    return 0;
}
