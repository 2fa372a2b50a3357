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
    settings::Env env{run_, *ports_.urlHandlers, sets_.all()};
    for (plist::Value& rowValue : snapshot) {
        plist::Dictionary* row = rowValue.asDictionary();
        const plist::Value* id = row ? rowValue.find(rowkeys::kID) : nullptr;
        if (!id) continue;
        const auto ident = static_cast<std::uint64_t>(id->integerValue());
        if (ident == rows::kWhenLendmodeIsOn) {
            (*row)[rowkeys::kSegmentSelected] = 0;
            continue;
        }
        const auto& all = settings::all();
        const auto at =
            std::find_if(all.begin(), all.end(), [&](const auto* s) { return s->rowId() == ident; });
        if (at == all.end()) continue;
        const auto index = static_cast<std::size_t>(at - all.begin());
        const std::size_t begin = firstOf[index];
        const std::size_t end = index + 1 < firstOf.size() ? firstOf[index + 1] : texts.size();
        const std::vector<std::optional<std::string>> own(
            outputs.begin() + static_cast<std::ptrdiff_t>(begin),
            outputs.begin() + static_cast<std::ptrdiff_t>(end));
        (*at)->readOwner(*row, own, env);
    }
    if (allRead) *allRead = answered;
    return snapshot;
}

}  // namespace lendmode
