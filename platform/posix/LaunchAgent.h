// The per-user launch agent that starts the program at login: a property list in
// ~/Library/LaunchAgents that launchd reads when the user logs in.
#pragma once

#include <functional>
#include <string>

#include "platform/LaunchAtLogin.h"

namespace platform::launchagent {

// The agent's label (reverse-domain), which is also the file name without ".plist".
inline constexpr const char* kLabel = "com.lendmode.Lendmode";
inline constexpr const char* kRunAtLoad = "RunAtLoad";
inline constexpr const char* kProgramArguments = "ProgramArguments";
inline constexpr const char* kDirectoryFailedLog = "create user's LaunchAgents directory failed %@";

// "%@/Library/LaunchAgents/" with the home folder: ends with a slash.
std::string agentsDirectory(const std::string& home);
// The template beside the program: the executable's path without its last two
// components, then "/Resources/" and the agent's file name.
std::string templatePath(const std::string& executablePath);

// Writes the agent into agentsDirectory with "RunAtLoad" set to runAtLoad and
// "ProgramArguments" naming the running program (wherever it is now), starting from
// the installed agent if there is one, else from the template; every other key is
// kept. Creates the folder if needed (logging a failure and going on). Does
// nothing more when neither file can be read as a dictionary. True when the agent
// was written; false when it could not be (no readable agent or template, or the
// write failed).
[[nodiscard]] bool install(const std::string& agentsDirectory, const std::string& templateFile,
                           const std::string& executablePath, bool runAtLoad);

// The installed agent's file in agentsDirectory.
std::string agentPath(const std::string& agentsDirectory);
// Whether the installed agent starts the program at login (its "RunAtLoad"); false
// when there is none or it cannot be read.
bool runsAtLoad(const std::string& agentsDirectory);

}  // namespace platform::launchagent

namespace platform {

// Launch at login through the agent in the user's home, naming the program's
// executable as it is when the agent is written (never where it was built).
class LaunchAgentLogin : public LaunchAtLogin {
public:
    LaunchAgentLogin(std::string home, std::function<std::string()> executablePath)
        : home_(std::move(home)), executablePath_(std::move(executablePath)) {}
    [[nodiscard]] bool setEnabled(bool enabled) override;
    State state() const override;

private:
    std::string home_;
    std::function<std::string()> executablePath_;
};

}  // namespace platform
