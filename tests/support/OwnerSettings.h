// The values of a definition set that the owner snapshot reads from the system:
// what a switch-off must bring back. Keyed "<row ID>.<key>".
#pragma once

#include "base/plist/Value.h"

namespace testing_support {

inline plist::Dictionary settingsOf(const plist::Array& set) {
    plist::Dictionary seen;
    for (const plist::Value& row : set) {
        const plist::Value* idValue = row.find("ID");
        if (!idValue) continue;
        const std::string id = std::to_string(idValue->integerValue());
        if (id == "41" || id == "31") continue;
        for (const char* key : {"box", "segmentSelected", "dictHotCorners", "browser"}) {
            if (const plist::Value* v = row.find(key)) seen[id + "." + key] = *v;
        }
    }
    return seen;
}

}  // namespace testing_support
