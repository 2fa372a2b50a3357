#include "platform/macos/MacAppleScriptRunner.h"

#import <Foundation/Foundation.h>

#include <CoreServices/CoreServices.h>
#include <dispatch/dispatch.h>

#include <chrono>

#include "base/Log.h"
#include "platform/macos/FoundationValues.h"
#include "platform/posix/RunLog.h"

namespace platform::macos {
namespace {

// The result's items as texts: a list gives its items (from 1), anything else one
// item, and a script without a result none.
std::vector<std::string> resultItems(NSAppleEventDescriptor* result) {
    std::vector<std::string> items;
    if (!result || result.descriptorType == typeNull) return items;
    NSAppleEventDescriptor* list = [result coerceToDescriptorType:typeAEList];
    if (!list) {
        items.push_back(utf8String(result.stringValue));
        return items;
    }
    for (NSInteger i = 1; i <= list.numberOfItems; ++i) {
        items.push_back(utf8String([list descriptorAtIndex:i].stringValue));
    }
    return items;
}

// A failed run as osascript prints it: the message and the number.
struct ScriptError {
    std::string message;
    long number;
};

// AppleScript's own number for an error that gives none (`error "text"`).
constexpr long kUnknownError = -2700;

NSString* textEntry(NSDictionary* error, NSString* key) {
    id entry = [error objectForKey:key];
    return [entry isKindOfClass:[NSString class]] && [entry length] > 0 ? entry : nil;
}

// From NSAppleScript's error dictionary, which may hold any of its entries, or none:
// the message, else the brief one, and the number.
ScriptError scriptError(NSDictionary* error) {
    NSString* message = textEntry(error, NSAppleScriptErrorMessage);
    if (!message) message = textEntry(error, NSAppleScriptErrorBriefMessage);
    id number = [error objectForKey:NSAppleScriptErrorNumber];
    return {message ? utf8String(message) : std::string("The script stopped with an error."),
            [number isKindOfClass:[NSNumber class]] ? [number longValue] : kUnknownError};
}

std::optional<std::vector<std::string>> executeHere(const std::string& source, std::string& failure) {
    namespace log = lendmode::log;
    @autoreleasepool {
        const auto start = std::chrono::steady_clock::now();
        NSAppleScript* script = [[NSAppleScript alloc] initWithSource:foundationString(source)];
        if (!script) {
            failure = "The script could not be read.";
            return std::nullopt;
        }
        NSDictionary<NSString*, id>* errorInfo = nil;
        NSAppleEventDescriptor* result = [script executeAndReturnError:&errorInfo];
        // No result is Apple's sign of an error, with or without a dictionary.
        const auto error = result && !errorInfo ? std::nullopt : std::optional(scriptError(errorInfo));
        log::debug([&] {
            const auto number = error ? std::optional(error->number) : std::nullopt;
            return runlog::appleScriptRun(number, log::millisecondsSince(start), source);
        });
        if (error) {
            // -1743: the owner refused automation of the target; -1719: Accessibility.
            log::error(runlog::appleScriptFailure(error->number, error->message));
            failure = error->message + " (" + std::to_string(error->number) + ")";
            return std::nullopt;
        }
        return resultItems(result);
    }
}

}  // namespace

std::optional<std::vector<std::string>> MacAppleScriptRunner::execute(const std::string& source) {
    std::string error;
    return execute(source, error);
}

std::optional<std::vector<std::string>> MacAppleScriptRunner::execute(const std::string& source,
                                                                      std::string& error) {
    if (NSThread.isMainThread) return executeHere(source, error);
    __block std::optional<std::vector<std::string>> outcome;
    __block std::string failure;
    dispatch_sync(dispatch_get_main_queue(), ^{
      outcome = executeHere(source, failure);
    });
    if (!outcome) error = failure;
    return outcome;
}

}  // namespace platform::macos
