#include "platform/macos/FoundationValues.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstring>

namespace platform::macos {

NSString* foundationString(const std::string& text) {
    NSString* string = [[NSString alloc] initWithBytes:text.data()
                                                length:text.size()
                                              encoding:NSUTF8StringEncoding];
    return string ?: @"";
}

std::string utf8String(NSString* text) {
    const char* utf8 = text.UTF8String;
    return utf8 ? std::string(utf8) : std::string();
}

id foundationObject(const plist::Value& value) {
    switch (value.type()) {
        case plist::Value::Type::String: return foundationString(*value.asString());
        case plist::Value::Type::Integer: return [NSNumber numberWithLongLong:value.integer()];
        case plist::Value::Type::Real: return [NSNumber numberWithDouble:value.real()];
        case plist::Value::Type::Boolean:
            // The CFBoolean singletons, so that the stored value is a boolean, not 0 or 1.
            return (__bridge id)(value.boolean() ? kCFBooleanTrue : kCFBooleanFalse);
        case plist::Value::Type::DateType:
            return [NSDate dateWithTimeIntervalSince1970:value.asDate()->secondsSince1970];
        case plist::Value::Type::DataType: {
            const plist::Data& data = *value.asData();
            return [NSData dataWithBytes:data.data() length:data.size()];
        }
        case plist::Value::Type::ArrayType: {
            NSMutableArray* array = [NSMutableArray arrayWithCapacity:value.asArray()->size()];
            for (const plist::Value& item : *value.asArray()) [array addObject:foundationObject(item)];
            return array;
        }
        case plist::Value::Type::DictionaryType: {
            NSMutableDictionary* dictionary = [NSMutableDictionary dictionary];
            for (const auto& [key, item] : *value.asDictionary()) {
                dictionary[foundationString(key)] = foundationObject(item);
            }
            return dictionary;
        }
    }
    return @"";
}

namespace {

// Booleans and numbers are both NSNumber; only the type of the underlying CF object
// tells them apart (a boolean's objCType is a char, like a small integer's).
bool isBoolean(NSNumber* number) {
    return CFGetTypeID((__bridge CFTypeRef)number) == CFBooleanGetTypeID();
}

bool isReal(NSNumber* number) {
    const char* type = number.objCType;
    return std::strcmp(type, @encode(double)) == 0 || std::strcmp(type, @encode(float)) == 0;
}

}  // namespace

std::optional<plist::Value> plistValue(id object) {
    if ([object isKindOfClass:[NSString class]]) return plist::Value(utf8String(object));
    if ([object isKindOfClass:[NSNumber class]]) {
        NSNumber* number = object;
        if (isBoolean(number)) return plist::Value(static_cast<bool>(number.boolValue));
        if (isReal(number)) return plist::Value(number.doubleValue);
        return plist::Value(static_cast<long long>(number.longLongValue));
    }
    if ([object isKindOfClass:[NSDate class]]) {
        return plist::Value(plist::Date{[(NSDate*)object timeIntervalSince1970]});
    }
    if ([object isKindOfClass:[NSData class]]) {
        NSData* data = object;
        const auto* bytes = static_cast<const std::uint8_t*>(data.bytes);
        return plist::Value(plist::Data(bytes, bytes + data.length));
    }
    if ([object isKindOfClass:[NSArray class]]) {
        plist::Array array;
        for (id item in (NSArray*)object) {
            auto converted = plistValue(item);
            if (!converted) return std::nullopt;
            array.push_back(std::move(*converted));
        }
        return plist::Value(std::move(array));
    }
    if ([object isKindOfClass:[NSDictionary class]]) {
        plist::Dictionary dictionary;
        for (id key in (NSDictionary*)object) {
            if (![key isKindOfClass:[NSString class]]) return std::nullopt;
            auto converted = plistValue(((NSDictionary*)object)[key]);
            if (!converted) return std::nullopt;
            dictionary.emplace(utf8String(key), std::move(*converted));
        }
        return plist::Value(std::move(dictionary));
    }
    return std::nullopt;
}

}  // namespace platform::macos
