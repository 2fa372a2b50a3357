// Lenient readings of definition rows and application records for the windows. Rows
// come from stored data that an outside edit may have damaged, so every reading has a
// safe answer: a missing or odd value reads as absent, empty or off.
#pragma once

#include <QString>
#include <cstdint>
#include <optional>
#include <string_view>

#include "base/plist/Value.h"
#include "model/ApplicationRecord.h"

namespace lendmode::ui {

// The member of a row under a key; nullptr when the row is no dictionary or lacks it.
inline const plist::Value* member(const plist::Value& row, std::string_view key) {
    return row.find(key);
}

// Text of a string value; the empty text for anything else.
inline QString textOf(const plist::Value* value) {
    const std::string* s = value ? value->asString() : nullptr;
    return s ? QString::fromStdString(*s) : QString();
}

// A number (or a text holding one) as an integer; absent for other kinds of value.
inline std::optional<std::int64_t> integerOf(const plist::Value* value) {
    if (!value || !(value->isNumber() || value->isString())) return std::nullopt;
    if (value->isReal() && !(value->real() == value->real())) return std::nullopt;  // NaN
    return value->integerValue();
}

inline std::optional<double> doubleOf(const plist::Value* value) {
    if (!value || !(value->isNumber() || value->isString())) return std::nullopt;
    const double d = value->doubleValue();
    if (!(d == d)) return std::nullopt;  // NaN
    return d;
}

// A truth value: any non-zero number; absent reads as off.
inline bool truthOf(const plist::Value* value) {
    return value && value->truthValue();
}

// The same for a value read through Preferences::valueForKey.
inline std::optional<std::int64_t> integerOf(const std::optional<plist::Value>& value) {
    return integerOf(value ? &*value : nullptr);
}
inline bool truthOf(const std::optional<plist::Value>& value) {
    return truthOf(value ? &*value : nullptr);
}

// An application record's name, disabled flag and bundle path (ApplicationRecord's
// lenient readings).
inline QString recordName(const plist::Value& record) {
    const std::string_view name = ApplicationRecord::storedName(record);
    return QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()));
}
inline bool recordFlag(const plist::Value& record) {
    return ApplicationRecord::storedDisabled(record);
}
inline QString recordPath(const plist::Value& record) {
    const std::string_view path = ApplicationRecord::storedPath(record);
    return QString::fromUtf8(path.data(), static_cast<qsizetype>(path.size()));
}

}  // namespace lendmode::ui
