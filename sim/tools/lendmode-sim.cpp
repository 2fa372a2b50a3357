// lendmode-sim: inspect and adjust the simulated Mac by hand.
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

#include "base/Quoting.h"
#include "sim/Latency.h"
#include "sim/OwnerPassword.h"
#include "sim/SimEnvironment.h"
#include "sim/SimMac.h"
#include "sim/Status.h"

namespace {

// Exit statuses: done, failed, and a command line that makes no sense.
constexpr int kFailed = 1;
constexpr int kUsage = 2;

void usage() {
    std::fputs(
        "usage: lendmode-sim [command]\n"
        "  status                     the simulated settings as a table (default)\n"
        "  root                       the simulated Mac's folder\n"
        "  env                        shell lines that point a shell at the simulated Mac\n"
        "  apps                       installed applications, * marks running ones\n"
        "  add-app PATH [BUNDLE_ID]   install an application (e.g. /Applications/Chess 2.app)\n"
        "  automation allow|deny [APP]  the owner's answer when asked about Apple events to APP\n"
        "                             (default: every app)\n"
        "  automation reset           forget which targets the owner was asked about: each\n"
        "                             is asked again (as tccutil reset AppleEvents)\n"
        "  browser-answer use|keep|later  the owner's answer when an app asks to become the\n"
        "                             default browser; use and keep also answer the requests\n"
        "                             waiting, later leaves the dialog up\n"
        "  accessibility allow|deny   allow or refuse UI scripting (clicks through System Events)\n"
        "  shortcut add NAME focus-on|focus-off  install a Shortcut that switches Focus (12+)\n"
        "  unlock                     the owner unlocks the screen with their password\n"
        "  password-after-sleep on|off  whether the display's sleep (pmset displaysleepnow)\n"
        "                             locks the screen (seeded on)\n"
        "  login                      the owner logs in again: the stored scroll direction\n"
        "                             takes effect\n"
        "  macos [VERSION]            print the macOS version, or set it: 10.14 to 27 (from 11\n"
        "                             the Do Not Disturb key does nothing; from 13 System\n"
        "                             Preferences is System Settings)\n"
        "  latency [realistic|none]   print how long the Mac's steps take, or set it: realistic\n"
        "                             sleeps what a real Mac takes (docs/latency.md), none\n"
        "                             (a new Mac's) nothing\n"
        "  app NAME unsaved           the running application NAME gets an unsaved document:\n"
        "                             a quit of it asks whether to save it and waits\n"
        "  app NAME answer save|discard|cancel  answer the question NAME asks: save and\n"
        "                             discard let it quit, cancel keeps it running (the quit\n"
        "                             fails with -128)\n"
        "  password                   set the owner's password; one that is set is replaced\n"
        "                             only after the current one is given. From standard\n"
        "                             input: the new password on the first line, or, when one\n"
        "                             is set, the current one on the first and the new one on\n"
        "                             the second. At a terminal: typed unseen, the new one twice\n"
        "  password --clear           remove the owner's password, given the current one (the\n"
        "                             first line of standard input, or typed unseen)\n"
        "  reset                      throw the simulated Mac away and seed a new one\n"
        "The folder is $LENDMODE_SIM_ROOT, or ~/.local/share/lendmode/simulated-mac.\n",
        stderr);
}

// Says that a change failed, errno saying why; the exit status.
int cannotUpdate(const sim::SimMac& mac) {
    std::fprintf(stderr, "%s\n", sim::cannotUpdateMessage("lendmode-sim", mac, errno).c_str());
    return kFailed;
}

// `app NAME unsaved` and `app NAME answer save|discard|cancel`.
int application(const sim::SimMac& mac, int argc, char** argv) {
    using Change = sim::SimMac::DocumentChange;
    using Answer = sim::SimState::SaveAnswer;
    const std::string_view verb = argc >= 4 ? argv[3] : "";
    const std::string_view answer = argc == 5 ? argv[4] : "";
    const bool unsaved = argc == 4 && verb == "unsaved";
    const bool answering =
        verb == "answer" && (answer == "save" || answer == "discard" || answer == "cancel");
    if (!unsaved && !answering) {
        usage();
        return kUsage;
    }
    const char* name = argv[2];
    const Change change = unsaved ? mac.addUnsavedDocument(name)
                                  : mac.answerSaveQuestion(name, answer == "save"      ? Answer::Save
                                                                 : answer == "discard" ? Answer::Discard
                                                                                       : Answer::Cancel);
    switch (change) {
        case Change::Done: return 0;
        case Change::NotUpdated: return cannotUpdate(mac);
        case Change::NoSuchProcess: break;
    }
    std::fprintf(stderr,
                 unsaved ? "lendmode-sim: %s is not running; nothing changed\n"
                         : "lendmode-sim: %s is not asking whether to save; nothing changed\n",
                 name);
    return kUsage;
}

// The terminal's settings while a password is typed unseen, put back by signal
// handlers too, so that an interrupted prompt does not leave the terminal silent.
termios savedTerminal{};

void restoreTerminalAndDie(int signal) {
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

// One line from standard input, without its line ending; nullopt at the end of input.
std::optional<std::string> readLine() {
    std::string line;
    if (!std::getline(std::cin, line) && line.empty()) return std::nullopt;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

// Turns echo off, then shows the prompt on standard error and reads a line. In that
// order: what is typed once the prompt shows is never echoed, and never thrown away
// with what was typed ahead of it.
std::optional<std::string> readUnseen(const char* prompt) {
    termios quiet = savedTerminal;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    quiet.c_lflag |= ECHONL;
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signal, restoreTerminalAndDie);
    ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    std::fputs(prompt, stderr);
    std::fflush(stderr);
    std::optional<std::string> line = readLine();
    ::tcsetattr(STDIN_FILENO, TCSANOW, &savedTerminal);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(signal, SIG_DFL);
    return line;
}

// Whether standard input is a terminal (whose settings are then saved).
bool atTerminal() {
    return ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &savedTerminal) == 0;
}

constexpr const char* kWrongPassword = "lendmode-sim: the current password is wrong; nothing changed\n";

// The password set now: the next line of standard input, or, at a terminal, typed
// unseen. nullopt (after saying why) when there is none, or when it is not the one
// set (checked again, under the lock, by the change itself).
std::optional<std::string> currentPassword(const sim::OwnerPassword& owner) {
    std::optional<std::string> line;
    if (atTerminal()) {
        line = readUnseen("Current owner password: ");
        if (!line) std::fputs("lendmode-sim: no password typed; nothing changed\n", stderr);
    } else {
        line = readLine();
        if (!line)
            std::fputs("lendmode-sim: no current password on standard input; nothing changed\n", stderr);
    }
    if (line && owner.matches(*line) == false) {
        std::fputs(kWrongPassword, stderr);
        return std::nullopt;
    }
    return line;
}

// The new password: the next line of standard input, or, at a terminal, typed twice
// unseen. nullopt (after saying why) when there is none or the two differ.
std::optional<std::string> newPassword() {
    if (!atTerminal()) {
        std::optional<std::string> line = readLine();
        if (!line) std::fputs("lendmode-sim: no password on standard input; nothing changed\n", stderr);
        return line;
    }
    std::optional<std::string> first = readUnseen("New owner password: ");
    if (!first) {
        std::fputs("lendmode-sim: no password typed; nothing changed\n", stderr);
        return std::nullopt;
    }
    if (const char* problem = sim::passwordProblem(*first)) {
        std::fprintf(stderr, "lendmode-sim: %s; nothing changed\n", problem);
        return std::nullopt;
    }
    const std::optional<std::string> again = readUnseen("Again: ");
    if (!again || *again != *first) {
        std::fputs("lendmode-sim: the passwords do not match; nothing changed\n", stderr);
        return std::nullopt;
    }
    return first;
}

// The exit status of a change that named the current password.
int reportChange(const sim::SimMac& mac, sim::OwnerPassword::Change change, const char* done) {
    switch (change) {
        case sim::OwnerPassword::Change::Done: std::puts(done); return 0;
        case sim::OwnerPassword::Change::WrongPassword: std::fputs(kWrongPassword, stderr); return kFailed;
        case sim::OwnerPassword::Change::Failed: break;
    }
    return cannotUpdate(mac);
}

int password(const sim::SimMac& mac, int argc, char** argv) {
    const sim::OwnerPassword owner(mac);
    const bool clearing = argc == 3 && std::string_view(argv[2]) == "--clear";
    if (argc != 2 && !clearing) {
        usage();
        return kUsage;
    }
    // A password that is set is changed only by whoever knows it.
    std::optional<std::string> current;
    if (owner.isSet()) {
        current = currentPassword(owner);
        if (!current) return kFailed;
    }
    if (clearing) {
        if (!current) {
            std::puts("There was no owner's password to remove.");
            return 0;
        }
        return reportChange(mac, owner.remove(*current), "The owner's password is removed.");
    }
    const std::optional<std::string> text = newPassword();
    if (!text) return kFailed;
    if (const char* problem = sim::passwordProblem(*text)) {
        std::fprintf(stderr, "lendmode-sim: %s; nothing changed\n", problem);
        return kFailed;
    }
    return reportChange(mac, owner.change(current, *text), "The owner's password is set.");
}

// The commands that need the simulated Mac; the exit status.
int run(const sim::SimMac& mac, std::string_view command, int argc, char** argv) {
    const auto failed = [&mac] { return cannotUpdate(mac); };
    if (command == "status") {
        std::printf("Simulated Mac at %s\n\n%s", mac.root().c_str(), sim::statusTable(mac).c_str());
    } else if (command == "root") {
        std::printf("%s\n", mac.root().c_str());
    } else if (command == "env") {
        std::printf("export %s=%s\nexport PATH=%s:\"$PATH\"\n", sim::kRootVariable,
                    lendmode::shellQuoted(mac.root()).c_str(),
                    lendmode::shellQuoted(sim::toolsDirectory()).c_str());
    } else if (command == "apps") {
        for (const sim::App& app : mac.catalogue()) {
            std::printf("%s %-60s %s%s\n", mac.isRunning(app.name) ? "*" : " ", app.path.c_str(),
                        app.bundleIdentifier.c_str(), app.agent ? " (agent)" : "");
        }
    } else if (command == "add-app" && argc >= 3) {
        auto apps = mac.catalogue();
        sim::App app;
        app.path = argv[2];
        app.bundleIdentifier = argc >= 4 ? argv[3] : "com.example." + std::to_string(apps.size());
        apps.push_back(app);
        if (!mac.setCatalogue(apps)) return failed();
    } else if (command == "automation" && argc == 3 && std::string_view(argv[2]) == "reset") {
        if (!mac.resetAutomationAsked()) return failed();
    } else if (command == "automation" && argc >= 3) {
        const std::string_view verb = argv[2];
        if (verb != "allow" && verb != "deny") {
            usage();
            return kUsage;
        }
        if (!mac.setAutomationAllowed(argc >= 4 ? argv[3] : "*", verb == "allow")) return failed();
    } else if (command == "browser-answer" && argc == 3) {
        using Answer = sim::SimState::BrowserAnswer;
        const std::string_view verb = argv[2];
        if (verb != "use" && verb != "keep" && verb != "later") {
            usage();
            return kUsage;
        }
        if (!mac.setBrowserAnswer(verb == "use"    ? Answer::Use
                                  : verb == "keep" ? Answer::Keep
                                                   : Answer::Later))
            return failed();
    } else if (command == "accessibility" && argc == 3) {
        const std::string_view verb = argv[2];
        if (verb != "allow" && verb != "deny") {
            usage();
            return kUsage;
        }
        if (!mac.setAccessibilityAllowed(verb == "allow")) return failed();
    } else if (command == "shortcut" && argc == 5 && std::string_view(argv[2]) == "add") {
        const std::string_view action = argv[4];
        if (action != "focus-on" && action != "focus-off") {
            usage();
            return kUsage;
        }
        using Action = sim::SimState::ShortcutAction;
        if (!mac.addShortcut(argv[3], action == "focus-on" ? Action::FocusOn : Action::FocusOff))
            return failed();
    } else if (command == "unlock" && argc == 2) {
        if (!mac.setScreenLocked(false)) return failed();
    } else if (command == "password-after-sleep" && argc == 3) {
        const std::string_view verb = argv[2];
        if (verb != "on" && verb != "off") {
            usage();
            return kUsage;
        }
        if (!mac.setPasswordAfterSleep(verb == "on")) return failed();
    } else if (command == "login" && argc == 2) {
        if (!mac.login()) return failed();
    } else if (command == "macos" && argc == 2) {
        std::printf("%s\n", mac.macOSVersion().text().c_str());
    } else if (command == "macos" && argc == 3) {
        const auto version = sim::MacOSVersion::parse(argv[2]);
        if (!version) {
            std::fprintf(stderr,
                         "lendmode-sim: %s is no macOS release from 10.14 to 27 (10.14, 10.15, 11 to 15, 26, "
                         "27, with an update number if you like: 14.5)\n",
                         argv[2]);
            return kUsage;
        }
        if (!mac.setMacOSVersion(*version)) return failed();
    } else if (command == "latency" && argc == 2) {
        std::printf("%s\n", std::string(sim::latencyName(mac.latency())).c_str());
    } else if (command == "latency" && argc == 3) {
        const std::string_view choice = argv[2];
        if (choice != "realistic" && choice != "none") {
            usage();
            return kUsage;
        }
        if (!mac.setLatency(choice == "realistic" ? sim::Latency::Realistic : sim::Latency::None))
            return failed();
    } else if (command == "app" && argc >= 3) {
        return application(mac, argc, argv);
    } else if (command == "password") {
        return password(mac, argc, argv);
    } else {
        usage();
        return kUsage;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string_view command = argc > 1 ? argv[1] : "status";
    const std::string root = sim::SimMac::rootFromEnvironment();
    if (command == "-h" || command == "--help" || command == "help") {
        usage();
        return 0;
    }
    try {
        if (command == "reset") {
            std::error_code ec;
            std::filesystem::remove_all(root, ec);
            const sim::SimMac mac(root);
            std::printf("Seeded a new simulated Mac in %s\n", mac.root().c_str());
            return 0;
        }
        const sim::SimMac mac(root);
        return run(mac, command, argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "lendmode-sim: %s\n", e.what());
        return kFailed;
    }
}
