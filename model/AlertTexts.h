// What the program tells the owner when it refuses a switch or finds its own data
// damaged. Each text is defined here once; "%@" is replaced as named.
#pragma once

#include <string>
#include <string_view>

namespace lendmode::alerts {

// The text with its "%@" replaced by the value.
inline std::string filledIn(std::string_view format, std::string_view value) {
    const std::size_t at = format.find("%@");
    if (at == std::string_view::npos) return std::string(format);
    std::string text(format.substr(0, at));
    text += value;
    text += format.substr(at + 2);
    return text;
}

inline constexpr const char* kOK = "OK";

// Apple events refused: "%@" is the application ("System Events").
inline constexpr const char* kCannotSwitchOn = "Lendmode could not switch on";
inline constexpr const char* kCannotSwitchOnAutomationText =
    "Lendmode is not allowed to control \u201c%@\u201d, so it changed nothing. Allow Lendmode to control it "
    "in "
    "System Settings \u203a Privacy & Security \u203a Automation, then switch Lendmode on again.";
inline constexpr const char* kCannotSwitchOff = "Lendmode could not put your settings back";
inline constexpr const char* kCannotSwitchOffAutomationText =
    "Lendmode is not allowed to control \u201c%@\u201d, so it changed nothing and stays on. Allow Lendmode "
    "to "
    "control it in System Settings \u203a Privacy & Security \u203a Automation, then switch Lendmode off.";

// The owner's settings could not be stored before switching on.
inline constexpr const char* kCannotSwitchOnStorageText =
    "Lendmode could not save your current settings (the disk may be full, or its settings folder read-only), "
    "so it "
    "changed nothing: switching on without them could lose your settings.";

// A read of the owner's settings gave no answer before switching on.
inline constexpr const char* kCannotSwitchOnReadText =
    "Lendmode could not read all of your current settings, so it changed nothing: switching on without them "
    "could lose your settings.";

// Putting the owner's settings back could not be done safely, or not all of them
// could be written: Lendmode stays on and keeps what it needs for a later try.
inline constexpr const char* kCannotSwitchOffStorageText =
    "Lendmode could not save files (the disk may be full, or its settings folder read-only), so it changed "
    "nothing and stays on: putting your settings back now could lose them. Make room on the disk, then "
    "switch "
    "Lendmode off again.";
inline constexpr const char* kSettingsNotPutBackText =
    "Some of your settings could not be written back (the disk may be full, or a settings folder read-only), "
    "so Lendmode stays on and keeps your settings for another try. Make room on the disk, then switch "
    "Lendmode off again.";

// The store lost the record of the owner's settings while Lendmode was on.
inline constexpr const char* kRecordLostMessage =
    "Lendmode's settings file was changed while Lendmode was on";
inline constexpr const char* kRecordLostText =
    "Its record of your own settings was damaged, changed or removed. Lendmode put your settings back from "
    "the copy it keeps.";

// Settings a switch could not change; the informative text names each, one per line,
// with why and where to allow it. The others were changed.
inline constexpr const char* kScriptFailed = "Some settings could not be changed";

// The owner kept their default browser when macOS asked to confirm the change.
inline constexpr const char* kBrowserKept = "The default browser did not change";
inline std::string browserKept(const std::string& kept, const std::string& wanted) {
    return "you kept " + kept + " as the default web browser, so " + (wanted.empty() ? "the other" : wanted) +
           " did not become the default";
}

// Applications left running because the list of those to reopen could not be stored.
inline constexpr const char* kNotQuit = "Some applications were left running";
// "%@": the applications. They stay running, unblocked: blocking ends new launches only.
inline constexpr const char* kStillRunningText =
    "%@ did not quit (it may be asking to save a document), so Lendmode left it running. It is not blocked "
    "while it runs; once it quits, it cannot be opened again until Lendmode is off.";
inline constexpr const char* kNotQuitText =
    "Lendmode could not save the list of applications to reopen (the disk may be full), so it did not quit: "
    "%@.";

// The owner lock. "%@" is a number of seconds.
inline constexpr const char* kOwnerLockWait = "Too many wrong passwords";
inline constexpr const char* kOwnerLockWaitText =
    "Lendmode stays as it is. It asks for the owner's password again in %@ seconds.";
inline constexpr const char* kOwnerLockUnavailable = "Lendmode cannot check the owner's password";
inline constexpr const char* kOwnerLockUnavailableText =
    "No way to check the owner's password is set up on this computer, so Lendmode stays as it is.";
inline constexpr const char* kOwnerLockNotSet = "The owner lock was not set";
inline constexpr const char* kOwnerLockNotSetText =
    "Lendmode could not check the owner's password, so it did not set a lock nobody could open. Set a "
    "password for this account, then try again.";
inline constexpr const char* kOwnerLockStays = "The owner lock stays on while Lendmode is on";
inline constexpr const char* kOwnerLockStaysText = "Turn Lendmode off first, then switch the lock off.";
inline constexpr const char* kOwnerLockNotStored = "Lendmode could not save the owner lock";
inline constexpr const char* kOwnerLockNotStoredText =
    "The disk may be full, or Lendmode's settings folder read-only, so the lock setting is unchanged.";
inline constexpr const char* kFocusShortcutNotStored = "Lendmode could not save the Shortcut you chose";
inline constexpr const char* kFocusShortcutNotStoredText =
    "The disk may be full, or Lendmode's settings folder read-only, so Focus is still switched by the "
    "Shortcut shown.";

// "%@" is where the damaged file now is.
inline constexpr const char* kDamagedStoreMessage = "Lendmode's settings file was damaged";
inline constexpr const char* kDamagedStoreText =
    "It could not be read, so Lendmode moved it aside to %@ and starts again from its default settings.";

}  // namespace lendmode::alerts
