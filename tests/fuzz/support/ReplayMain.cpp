// The main of a fuzz target in builds without libFuzzer: runs LLVMFuzzerTestOneInput
// once over every file of the folders (or the files) named on the command line, in
// name order, so that ctest replays a target's seeds and kept findings. A broken
// property aborts, which fails the test; the input's name is printed before it runs.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "base/plist/PlistFile.h"
#include "tests/fuzz/support/FuzzInput.h"

namespace {

// Hidden files (a folder's placeholder, an editor's) are no inputs.
bool isInput(const std::filesystem::directory_entry& entry) {
    std::error_code error;
    return entry.is_regular_file(error) && !entry.path().filename().string().starts_with(".");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::filesystem::path> inputs;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        std::error_code error;
        if (std::filesystem::is_directory(path, error)) {
            std::vector<std::filesystem::path> found;
            for (const auto& entry : std::filesystem::directory_iterator(path, error)) {
                if (isInput(entry)) found.push_back(entry.path());
            }
            std::sort(found.begin(), found.end());
            inputs.insert(inputs.end(), found.begin(), found.end());
        } else if (std::filesystem::is_regular_file(path, error)) {
            inputs.push_back(path);
        } else {
            // A target without kept findings has no regressions folder.
            std::printf("%s: not there, skipped\n", argv[i]);
        }
    }
    if (inputs.empty()) {
        std::fprintf(stderr, "%s: nothing to replay (give folders or files of inputs)\n", argv[0]);
        return 1;
    }
    for (const auto& path : inputs) {
        const auto bytes = plist::readBytes(path.string());
        if (!bytes) {
            std::fprintf(stderr, "%s: cannot read\n", path.c_str());
            return 1;
        }
        std::printf("%s (%zu bytes)\n", path.c_str(), bytes->size());
        std::fflush(stdout);
        LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size());
    }
    std::printf("replayed %zu inputs\n", inputs.size());
    return 0;
}
