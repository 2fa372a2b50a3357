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

std::string agentPath(const std::string& directory) {
    return directory + kLabel + ".plist";
}

bool runsAtLoad(const std::string& directory) {
    const auto agent = plist::readFile(agentPath(directory));
    const plist::Value* run = agent ? agent->find(kRunAtLoad) : nullptr;
    return run && run->isBoolean() && run->boolean();
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
    const std::string path = agentPath(directory);
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

LaunchAtLogin::State LaunchAgentLogin::state() const {
    return launchagent::runsAtLoad(launchagent::agentsDirectory(home_)) ? State::On : State::Off;
}

}  // namespace platform
