// The owner snapshot: the owner's current system settings read into a definition set.
#include "engine/HotCornerText.h"

#include <utility>

#include "engine/CommandTexts.h"
#include "engine/DefaultBrowser.h"
#include "model/Keys.h"
#include "model/Preferences.h"

namespace lendmode {
namespace {

// The integer a command printed: its leading digits, 0 when there are none or when
// the command gave nothing.
std::int64_t integerOutput(const std::optional<std::string>& output) {
    return output ? plist::leadingInteger(*output) : 0;
}

bool contains(const std::optional<std::string>& output, const char* word) {
    return output && output->find(word) != std::string::npos;
}

// The first line of an output without its line break, as the appearance answers
// ("Dark\n", "1\n") are compared whole.
std::string firstLine(const std::optional<std::string>& output) {
    if (!output) return {};
    return output->substr(0, output->find('\n'));
}

// The hot-corner keys the listing holds, "0" for a value that is not plain digits;
// a key the owner does not have is left out.
plist::Dictionary hotCornersIn(std::string_view listing) {
    plist::Dictionary corners;
    for (const char* key : kHotCornerKeys) {
        if (dockListingHasKey(listing, key)) corners.emplace(key, "0");
    }
    readHotCornersFromDockListing(listing, corners);
    return corners;
}

}  // namespace

plist::Dictionary Preferences::hotCornersOLD() {
    return hotCornersIn(runShellScript(commands::kReadHotCorners).value_or(""));
}

plist::Array Preferences::snapshotApplications() {
    const auto output = runShellScript(kApplicationQuery);
    plist::Array* inPlace = definitionSets_.size() > 1 && definitionSets_[1].isArray()
                                ? applicationList(*definitionSets_[1].asArray())
                                : nullptr;
    if (output && inPlace && listsTheSameApplications(*inPlace, *output)) return std::exchange(*inPlace, {});
    return applicationRecords(output.value_or(""));
}

plist::Array Preferences::settingsUser(bool* allRead) {
    namespace k = rowkeys;
    bool answered = true;
    // A read that could not run, or gave what is not text, is not an owner's value.
    const auto read = [&](const char* command) {
        auto output = runShellScript(command);
        answered = answered && output.has_value();
        return output;
    };
    // Each command below reads one setting and none depends on another: they run at
    // once, in the order they are read.
    const RanAhead reads(
        *this, {kApplicationQuery, commands::kReadDoNotDisturb, commands::kReadHotCorners,
                commands::kReadScrollDirection, commands::kReadDockAutohide, commands::kReadDockOrientation,
                commands::kReadInterfaceStyle, commands::kReadInterfaceStyleAutomatic});
    // A copy of the default set that shares nothing with it; Value copies are deep.
    plist::Array snapshot = settingsDefault(snapshotApplications());
    for (plist::Value& rowValue : snapshot) {
        plist::Dictionary* row = rowValue.asDictionary();
        if (!row) continue;
        const auto idIt = row->find(k::kID);
        const std::int64_t id = idIt == row->end() ? -1 : idIt->second.integerValue();
        switch (id) {
            case rows::kWhenLendmodeIsOn: (*row)[k::kSegmentSelected] = 0; break;
            case rows::kDoNotDisturb:
                (*row)[k::kBox] = integerOutput(read(commands::kReadDoNotDisturb)) == 1 ? 1 : 0;
                break;
            case rows::kHotCornersOff:
                (*row)[k::kBox] = false;
                (*row)[k::kDictHotCorners] = hotCornersIn(read(commands::kReadHotCorners).value_or(""));
                break;
            case rows::kBrowser: {
                const auto name = DefaultBrowserName(*ports_.urlHandlers);
                (*row)[k::kBox] = name == kSafari;
                (*row)[k::kBrowser] = name && !name->empty() ? *name : std::string(kNoBrowser);
                break;
            }
            case rows::kDefaultScroll: {
                // No stored key is macOS's default: natural scrolling on.
                const auto direction = read(commands::kReadScrollDirection);
                const bool natural = !direction || direction->empty() || integerOutput(direction) == 1;
                (*row)[k::kBox] = natural ? 1 : 0;
                break;
            }
            case rows::kDockVisible:
                // The row says the Dock stays visible; the system stores whether it hides.
                (*row)[k::kBox] = integerOutput(read(commands::kReadDockAutohide)) != 1 ? 1 : 0;
                break;
            case rows::kDockLocation: {
                const auto orientation = read(commands::kReadDockOrientation);
                const unsigned edge = contains(orientation, "left")    ? 1u
                                      : contains(orientation, "right") ? 2u
                                                                       : 0u;
                (*row)[k::kSegmentSelected] = edge;
                break;
            }
            case rows::kDarkMode: {
                const auto style = read(commands::kReadInterfaceStyle);
                const auto automatic = read(commands::kReadInterfaceStyleAutomatic);
                // Automatic switching first: it may be dark at this moment, and the
                // owner's choice is still "automatic".
                unsigned appearance = 0;
                if (firstLine(automatic) == "1") {
                    appearance = 2;
                } else if (firstLine(style) == "Dark") {
                    appearance = 1;
                }
                (*row)[k::kSegmentSelected] = appearance;
                break;
            }
            default: break;
        }
    }
    if (allRead) *allRead = answered;
    return snapshot;
}

}  // namespace lendmode
