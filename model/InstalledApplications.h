// The installed applications, as the query lists them and as the sets keep them:
// application records (model/ApplicationRecord.h) in the stored form.
#pragma once

#include <string_view>

#include "base/plist/Value.h"

namespace lendmode {

// The query that lists every application bundle.
inline constexpr const char* kApplicationQuery =
    "mdfind \"kMDItemContentType == 'com.apple.application-bundle'\"";

// Records [name, NO, path] of every bundle in /Applications or /System/Applications
// that the query's output lists (one path per line), sorted by name (character codes,
// capitals first).
plist::Array applicationRecords(std::string_view queryOutput);

// A listed set of records brought up to date with the installed ones: every listed
// record is kept with its flag, except an unticked one whose application is gone;
// applications not listed yet are added unticked; the result is sorted by name as
// the query's records are (records of the same name keep their order). A record is
// known by its bundle path, or by its name when it has none. An empty installed
// list changes nothing: the query may have failed.
plist::Array mergedApplicationRecords(const plist::Array& listed, const plist::Array& installed);

}  // namespace lendmode
