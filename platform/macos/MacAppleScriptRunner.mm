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

std::optional<std::vector<std::string>> executeHere(const std::string& source, std::string& failure) {
    namespace log = lendmode::log;
    @autoreleasepool {
        const auto start = std::chrono::steady_clock::now();
        NSAppleScript* script = [[NSAppleScript alloc] initWithSource:foundationString(source)];
        if (!script) {
            failure = "The script could not be read.";
            return std::nullopt;
        }
        NSDictionary<NSString*, id>* error = nil;
        NSAppleEventDescriptor* result = [script executeAndReturnError:&error];
        const auto number =
            error ? std::optional<long>([error[NSAppleScriptErrorNumber] integerValue]) : std::nullopt;
        log::debug([&] { return runlog::appleScriptRun(number, log::millisecondsSince(start), source); });
        if (error) {
            // -1743: the owner refused automation of the target; -1719: Accessibility.
            const std::string message = utf8String(error[NSAppleScriptErrorMessage]);
            log::error(runlog::appleScriptFailure(*number, message));
            failure = message + " (" + std::to_string(*number) + ")";
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
