// Reading and making the fields of the simulated Mac's state dictionary: a field of
// the wrong type reads as absent and is replaced when written.
#pragma once

#include <string>
#include <string_view>

#include "base/plist/Value.h"

namespace sim::fields {

inline const plist::Dictionary* dictAt(const plist::Dictionary& d, std::string_view key) {
    auto it = d.find(key);
    return it == d.end() ? nullptr : it->second.asDictionary();
}

inline const plist::Array* arrayAt(const plist::Dictionary& d, std::string_view key) {
    auto it = d.find(key);
    return it == d.end() ? nullptr : it->second.asArray();
}

inline plist::Dictionary& dictSlot(plist::Dictionary& d, const std::string& key) {
    plist::Value& v = d[key];
    if (!v.isDictionary()) v = plist::Dictionary{};
    return *v.asDictionary();
}

inline plist::Array& arraySlot(plist::Dictionary& d, const std::string& key) {
    plist::Value& v = d[key];
    if (!v.isArray()) v = plist::Array{};
    return *v.asArray();
}

inline std::string stringAt(const plist::Dictionary& d, std::string_view key) {
    auto it = d.find(key);
    if (it == d.end() || !it->second.isString()) return {};
    return *it->second.asString();
}

}  // namespace sim::fields
