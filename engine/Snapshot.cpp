#include "engine/Snapshot.h"

#include <algorithm>

#include "engine/settings/Registry.h"
#include "model/InstalledApplications.h"
#include "model/Keys.h"

namespace lendmode {

plist::Array OwnerSnapshot::take(bool* allRead) const {
    // The query first, then each setting's texts in row order.
    std::vector<std::string> texts{kApplicationQuery};
    std::vector<std::size_t> firstOf;  // where each setting's texts start
    for (const settings::Setting* setting : settings::all()) {
        firstOf.push_back(texts.size());
        for (std::string& text : setting->readTexts()) texts.push_back(std::move(text));
    }
    std::vector<std::optional<std::string>> outputs = run_.shellAll(texts);
    const bool answered = std::all_of(outputs.begin() + 1, outputs.end(),
                                      [](const auto& output) { return output.has_value(); });

    plist::Array snapshot = defaults_.make(applicationRecords(outputs[0].value_or("")));
    if (plist::Dictionary* first = DefinitionSets::row(snapshot, rows::kWhenLendmodeIsOn))
        (*first)[rowkeys::kSegmentSelected] = 0;
    settings::Env env(run_, ports_, sets_.all());
    const auto& all = settings::all();
    for (std::size_t i = 0; i < all.size(); ++i) {
        plist::Dictionary* row = DefinitionSets::row(snapshot, all[i]->rowId());
        if (!row) continue;
        const auto begin = outputs.begin() + static_cast<std::ptrdiff_t>(firstOf[i]);
        const auto end = i + 1 < all.size() ? outputs.begin() + static_cast<std::ptrdiff_t>(firstOf[i + 1])
                                            : outputs.end();
        all[i]->readOwner(*row, {begin, end}, env);
    }
    if (allRead) *allRead = answered;
    return snapshot;
}

}  // namespace lendmode
