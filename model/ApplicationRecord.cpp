#include "model/ApplicationRecord.h"

namespace lendmode {
namespace {

constexpr std::size_t kName = 0;
constexpr std::size_t kDisabled = 1;
constexpr std::size_t kPath = 2;

const plist::Value* element(const plist::Value& record, std::size_t i) {
    const plist::Array* fields = record.asArray();
    return fields && i < fields->size() ? &(*fields)[i] : nullptr;
}

std::string_view textAt(const plist::Value& record, std::size_t i) {
    const plist::Value* v = element(record, i);
    const std::string* s = v ? v->asString() : nullptr;
    return s ? std::string_view(*s) : std::string_view();
}

}  // namespace

plist::Value ApplicationRecord::stored() && {
    // Built in place: a braced list would copy the texts.
    plist::Array fields;
    fields.reserve(3);
    fields.emplace_back(std::move(name));
    fields.emplace_back(disabled);
    fields.emplace_back(std::move(path));
    return plist::Value(std::move(fields));
}

std::string_view ApplicationRecord::storedName(const plist::Value& value) {
    return textAt(value, kName);
}

bool ApplicationRecord::storedDisabled(const plist::Value& value) {
    const plist::Value* flag = element(value, kDisabled);
    return flag && flag->truthValue();
}

std::string_view ApplicationRecord::storedPath(const plist::Value& value) {
    return textAt(value, kPath);
}

bool ApplicationRecord::isWellFormed(const plist::Value& value) {
    const plist::Array* fields = value.asArray();
    return fields && fields->size() > kPath && (*fields)[kName].isString() &&
           (*fields)[kDisabled].isNumber() && (*fields)[kPath].isString();
}

bool ApplicationRecord::setStoredDisabled(plist::Value& value, bool flag) {
    plist::Array* fields = value.asArray();
    if (!fields || fields->size() <= kDisabled) return false;
    (*fields)[kDisabled] = flag;
    return true;
}

}  // namespace lendmode
