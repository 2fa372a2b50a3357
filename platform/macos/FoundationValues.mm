#include "platform/macos/FoundationValues.h"

#include <CoreFoundation/CoreFoundation.h>

#include <cstring>

namespace platform::macos {

namespace {

// nil when the text is not UTF-8.
NSString* stringOrNil(const std::string& text) {
    return [[NSString alloc] initWithBytes:text.data() length:text.size() encoding:NSUTF8StringEncoding];
}

}  // namespace

NSString* foundationString(const std::string& text) {
    NSString* string = stringOrNil(text);
    return string ?: @"";
}

std::string utf8String(NSString* text) {
    // Not UTF8String, which is a C string and would end the text at its first NUL.
    NSData* data = [text dataUsingEncoding:NSUTF8StringEncoding];
    if (!data) return std::string();
    return std::string(static_cast<const char*>(data.bytes), data.length);
}

id foundationObject(const plist::Value& value) {
    switch (value.type()) {
        case plist::Value::Type::String: return stringOrNil(*value.asString());
        case plist::Value::Type::Integer: return [NSNumber numberWithLongLong:value.integer()];
        case plist::Value::Type::Real:
            // A 4-byte real (what `defaults write -float` stores) stays one.
            return value.isSingleReal() ? [NSNumber numberWithFloat:static_cast<float>(value.real())]
                                        : [NSNumber numberWithDouble:value.real()];
        case plist::Value::Type::Boolean:
            // On macOS these are the CFBoolean singletons (kCFBooleanTrue and
            // kCFBooleanFalse), so that the stored value is a boolean, not 0 or 1.
            return [NSNumber numberWithBool:value.boolean()];
        case plist::Value::Type::DateType:
            return [NSDate dateWithTimeIntervalSince1970:value.asDate()->secondsSince1970];
        case plist::Value::Type::DataType: {
            const plist::Data& data = *value.asData();
            return [NSData dataWithBytes:data.data() length:data.size()];
        }
        case plist::Value::Type::ArrayType: {
            NSMutableArray* array = [NSMutableArray arrayWithCapacity:value.asArray()->size()];
            for (const plist::Value& item : *value.asArray()) {
                id object = foundationObject(item);
                if (!object) return nil;
                [array addObject:object];
            }
            return array;
        }
        case plist::Value::Type::DictionaryType: {
            NSMutableDictionary* dictionary = [NSMutableDictionary dictionary];
            for (const auto& [key, item] : *value.asDictionary()) {
                NSString* name = stringOrNil(key);
                id object = foundationObject(item);
                if (!name || !object) return nil;
                [dictionary setObject:object forKey:name];
            }
            return dictionary;
        }
    }
    return nil;
}

namespace {

// Booleans and numbers are both NSNumber; only the type of the underlying CF object
// tells them apart (a boolean's objCType is a char, like a small integer's).
bool isBoolean(NSNumber* number) {
    return CFGetTypeID((__bridge CFTypeRef)number) == CFBooleanGetTypeID();
}

bool isDouble(NSNumber* number) {
    return std::strcmp(number.objCType, @encode(double)) == 0;
}

bool isFloat(NSNumber* number) {
    return std::strcmp(number.objCType, @encode(float)) == 0;
}

}  // namespace

std::optional<plist::Value> plistValue(id object) {
    if ([object isKindOfClass:[NSString class]]) return plist::Value(utf8String(object));
    if ([object isKindOfClass:[NSNumber class]]) {
        NSNumber* number = object;
        if (isBoolean(number)) return plist::Value(static_cast<bool>(number.boolValue));
        if (isFloat(number)) return plist::Value::singleReal(number.floatValue);
        if (isDouble(number)) return plist::Value(number.doubleValue);
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
            auto converted = plistValue([(NSDictionary*)object objectForKey:key]);
            if (!converted) return std::nullopt;
            dictionary.emplace(utf8String(key), std::move(*converted));
        }
        return plist::Value(std::move(dictionary));
    }
    return std::nullopt;
}

}  // namespace platform::macos
