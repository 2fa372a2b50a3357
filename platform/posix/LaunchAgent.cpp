#include "platform/posix/LaunchAgent.h"

#include <filesystem>

#include "base/Log.h"
#include "base/plist/PlistFile.h"

namespace platform::launchagent {

std::string agentsDirectory(const std::string& home) {
    return home + "/Library/LaunchAgents/";
}

std::string templatePath(const std::string& executablePath) {
    std::filesystem::path contents(executablePath);
    contents = contents.parent_path().parent_path();
    return contents.string() + "/Resources/" + kLabel + ".plist";
}

bool install(const std::string& directory, const std::string& templateFile, const std::string& executablePath,
             bool runAtLoad) {
    std::error_code ec;
    if (!std::filesystem::exists(directory, ec)) {
        if (!std::filesystem::create_directories(directory, ec) && ec) {
            std::string message = kDirectoryFailedLog;
            message.replace(message.find("%@"), 2, ec.message());
            lendmode::log::error(message);
        }
    }
    const std::string path = directory + kLabel + ".plist";
    auto agent = std::filesystem::exists(path, ec) ? plist::readDictionaryFile(path)
                                                   : plist::readDictionaryFile(templateFile);
    if (!agent) return false;
    (*agent)[kRunAtLoad] = runAtLoad;
    (*agent)[kProgramArguments] = plist::Array{executablePath};
    return plist::writeFile(path, plist::Value(std::move(*agent)), plist::Format::Xml);
}

}  // namespace platform::launchagent

namespace platform {

bool LaunchAgentLogin::setEnabled(bool enabled) {
    const std::string executable = executablePath_();
    return launchagent::install(launchagent::agentsDirectory(home_), launchagent::templatePath(executable),
                                executable, enabled);
}

}  // namespace platform
