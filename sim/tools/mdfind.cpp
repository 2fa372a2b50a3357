// mdfind stand-in: answers the application-bundle query from the simulated Mac's
// catalogue, one path per line. Any other query finds nothing.
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "sim/Latency.h"
#include "sim/SimMac.h"

namespace {

bool isApplicationQuery(std::string_view query) {
    std::string compact;
    for (char c : query) {
        if (c != ' ' && c != '\t') compact += c;
    }
    return compact == "kMDItemContentType=='com.apple.application-bundle'" ||
           compact == "kMDItemContentType==\"com.apple.application-bundle\"" || compact == "kind:application";
}

}  // namespace

int main(int argc, char** argv) {
    std::string onlyIn;
    std::string query;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-onlyin" && i + 1 < argc) {
            onlyIn = argv[++i];
            if (!onlyIn.empty() && onlyIn.back() != '/') onlyIn += '/';
        } else if (!arg.empty() && arg.front() == '-') {
            // Other options change nothing here.
        } else {
            query = arg;
        }
    }
    if (query.empty()) {
        std::fputs("mdfind: no query specified.\n", stderr);
        return 1;
    }
    std::string out;
    try {
        const sim::SimMac mac;
        // Any query asks the metadata server; this one answers with many paths.
        if (!isApplicationQuery(query)) {
            sim::spend(mac.latency(), sim::latency::kCommandLineTool);
            return 0;
        }
        sim::spend(mac.latency(), sim::latency::kMdfindQuery);
        out = mac.applicationPaths();
        if (!onlyIn.empty()) {
            std::string kept;
            std::string_view rest = out;
            while (!rest.empty()) {
                const std::size_t end = rest.find('\n');
                const std::string_view line =
                    rest.substr(0, end == std::string_view::npos ? rest.size() : end + 1);
                if (line.starts_with(onlyIn)) kept += line;
                rest.remove_prefix(line.size());
            }
            out = std::move(kept);
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "mdfind: %s\n", e.what());
        return 1;
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    return 0;
}
