#include "engine/DefaultSet.h"

#include "engine/settings/Registry.h"
#include "model/InstalledApplications.h"
#include "model/Keys.h"

namespace lendmode {

plist::Array DefaultSet::installedApplications() const {
    return applicationRecords(run_.shell(kApplicationQuery).value_or(""));
}

plist::Array DefaultSet::make() const {
    return make(installedApplications());
}

plist::Array DefaultSet::make(plist::Array applications) const {
    namespace k = rowkeys;
    settings::Env env(run_, ports_, sets_.all());
    const auto login = ports_.account ? ports_.account->loginName() : std::nullopt;

    plist::Array set;
    set.reserve(settings::all().size() + 2);
    set.emplace_back(plist::Dictionary{
        {k::kID, settings::rowTag(rows::kWhenLendmodeIsOn)},
        {k::kIdCell, cells::kSegment2Custom},
        {k::kTitle1, "When Lendmode is on:"},
        {"segment0", "Lendmode"},
        {"segment1", login.value_or("")},
        {k::kSegmentSelected, 0},
        {k::kSegmentID, settings::rowTag(rows::kWhenLendmodeIsOn)},
    });
    const auto& all = settings::all();
    const auto split = all.begin() + static_cast<std::ptrdiff_t>(settings::beforeApplicationList());
    for (auto it = all.begin(); it != split; ++it) set.emplace_back((*it)->defaultRow(env));
    plist::Dictionary apps{
        {k::kID, settings::rowTag(rows::kDisabledApps)},
        {k::kIdCell, cells::kAppListCell},
        {k::kTitle1, "Apps disabled in guest mode:"},
    };
    // Moved in: a braced list would copy every record.
    apps.emplace(k::kDisabledApp, std::move(applications));
    set.emplace_back(std::move(apps));
    for (auto it = split; it != all.end(); ++it) set.emplace_back((*it)->defaultRow(env));
    return set;
}

}  // namespace lendmode
