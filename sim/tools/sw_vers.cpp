// sw_vers stand-in: the simulated Mac's macOS version, in the real tool's form
// (ProductName, ProductVersion, BuildVersion; single tabs before 11, double from 11).
#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

#include "sim/Latency.h"
#include "sim/SimMac.h"

int main(int argc, char** argv) {
    try {
        const sim::SimMac mac(sim::SimMac::rootFromEnvironment());
        sim::spend(mac.latency(), sim::latency::kCommandLineTool);
        const sim::MacOSVersion version = mac.macOSVersion();
        if (argc == 1) {
            const char* tab = version.major == 10 ? "\t" : "\t\t";
            std::printf("ProductName:%s%s\nProductVersion:%s%s\nBuildVersion:%s%s\n", tab,
                        version.productName().c_str(), tab, version.text().c_str(), tab,
                        version.buildVersion().c_str());
            return 0;
        }
        const std::string_view option = argv[1];
        if (argc == 2 && option == "-productName") {
            std::printf("%s\n", version.productName().c_str());
        } else if (argc == 2 && option == "-productVersion") {
            std::printf("%s\n", version.text().c_str());
        } else if (argc == 2 && option == "-buildVersion") {
            std::printf("%s\n", version.buildVersion().c_str());
        } else {
            std::fputs("usage: sw_vers [-productName|-productVersion|-buildVersion]\n", stderr);
            return 1;
        }
        return 0;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "sw_vers: %s\n", e.what());
        return 1;
    }
}
