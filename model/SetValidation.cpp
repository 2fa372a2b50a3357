#include "model/SetValidation.h"

#include <string_view>

#include "model/ApplicationRecord.h"
#include "model/Keys.h"

namespace lendmode {
namespace {

bool isIntegerNumber(const plist::Value& v) {
    return v.isInteger() || v.isBoolean();
}

bool hasValidType(std::string_view key, const plist::Value& v) {
    namespace k = rowkeys;
    if (key == k::kID || key == k::kBoxID || key == k::kSegmentID || key == k::kSliderID)
        return isIntegerNumber(v);
    if (key == k::kBox || key == k::kSegmentSelected || key == k::kSliderMin || key == k::kSliderMax ||
        key == k::kSliderValue) {
        return v.isNumber();
    }
    if (key == k::kIdCell || key == k::kTitle1 || key == k::kTitle2 || key == k::kBrowser ||
        key.starts_with("segment") || key.starts_with("title2-")) {
        return v.isString();
    }
    if (key == k::kDictHotCorners) {
        const plist::Dictionary* corners = v.asDictionary();
        if (!corners) return false;
        for (const auto& [name, value] : *corners) {
            if (!value.isString()) return false;
        }
        return true;
    }
    if (key == k::kDisabledApp) {
        const plist::Array* apps = v.asArray();
        if (!apps) return false;
        for (const plist::Value& record : *apps) {
            if (!ApplicationRecord::isWellFormed(record)) return false;
        }
        return true;
    }
    return true;
}

}  // namespace

bool isUsableDefinitionSet(const plist::Value& set) {
    const plist::Array* rowList = set.asArray();
    if (!rowList) return false;
    for (const plist::Value& row : *rowList) {
        const plist::Dictionary* dict = row.asDictionary();
        if (!dict || !dict->count(rowkeys::kID)) return false;
        for (const auto& [key, value] : *dict) {
            if (!hasValidType(key, value)) return false;
        }
    }
    return true;
}

}  // namespace lendmode
