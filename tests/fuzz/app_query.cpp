// The application query's output (mdfind's bundle paths, one a line) as the model
// reads it: applicationRecords.
//
// The records made of any output are [name, NO, path] for each line in /Applications
// or /System/Applications, sorted by name, and their paths are exactly those lines.
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "base/BundleName.h"
#include "model/Preferences.h"
#include "tests/fuzz/support/FuzzInput.h"

namespace {

// The output's application lines, sorted.
std::vector<std::string_view> applicationLines(std::string_view output) {
    std::vector<std::string_view> lines;
    for (std::size_t start = 0; start < output.size();) {
        const std::size_t end = std::min(output.find('\n', start), output.size());
        const std::string_view line = output.substr(start, end - start);
        if (line.starts_with("/Applications/") || line.starts_with("/System/Applications/"))
            lines.push_back(line);
        start = end + 1;
    }
    std::sort(lines.begin(), lines.end());
    return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view output(reinterpret_cast<const char*>(data), size);
    const plist::Array records = lendmode::applicationRecords(output);

    const std::vector<std::string_view> lines = applicationLines(output);
    fuzz::require(records.size() == lines.size(), "one record for each application line",
                  fuzz::showBytes(output));
    std::vector<std::string_view> paths;
    std::string_view previous;
    for (const plist::Value& record : records) {
        const plist::Array* fields = record.asArray();
        fuzz::require(fields && fields->size() == 3 && (*fields)[0].isString() &&
                          (*fields)[1] == plist::Value(false) && (*fields)[2].isString(),
                      "a record is [name, NO, path]", fuzz::show(record));
        const std::string& name = *(*fields)[0].asString();
        fuzz::require(name == lendmode::bundleDisplayName(*(*fields)[2].asString()),
                      "a record's name is its bundle's", fuzz::show(record));
        fuzz::require(previous <= name, "records are sorted by name", fuzz::showBytes(output));
        previous = name;
        paths.push_back(*(*fields)[2].asString());
    }
    std::sort(paths.begin(), paths.end());
    fuzz::require(paths == lines, "the records' paths are the output's application lines",
                  fuzz::showBytes(output));
    return 0;
}
