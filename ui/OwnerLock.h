// The owner lock: while Lendmode is on and the owner has asked for the lock, what
// would give the borrower the owner's Mac back (OFF, Quit, the application ticks, the
// quick controls, the set in use, the preferences window, a loan's time, the command
// line's off) goes ahead only once the owner has authenticated. Off, or with the lock not set,
// everything goes ahead as before. An orderly end of the session is not guarded: it
// puts the owner's settings back.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "ui/OwnerLockGate.h"

namespace lendmode {

class Preferences;

// What the owner is asked to allow, as phrases that follow "to".
namespace lock {
inline constexpr const char* kTurnOff = "turn Lendmode off";
inline constexpr const char* kQuit = "quit Lendmode";
inline constexpr const char* kChangeBlocked = "change the blocked applications";
inline constexpr const char* kChangeQuickSettings = "change the guest settings";
inline constexpr const char* kChangeLoanTime = "change how long Lendmode stays on";
inline constexpr const char* kChangeSet = "change the set in use";
inline constexpr const char* kOpenPreferences = "open Lendmode's preferences";
inline constexpr const char* kSetLock = "set the owner lock";
}  // namespace lock

class OwnerLock {
public:
    // The program's lock: the shared settings (looked up at each use, as tests replace
    // them) and the platform's authentication (a new lock when that is replaced).
    static OwnerLock& shared();
    OwnerLock(std::function<Preferences&()> prefs,
              std::shared_ptr<platform::OwnerAuthentication> authentication,
              OwnerLockGate::Clock clock = std::chrono::steady_clock::now);

    // Lendmode is on and the lock is set.
    bool engaged() const;
    // Granted at once when not engaged; else asks the owner, `reason` saying what for
    // ("turn Lendmode off").
    OwnerLockGate::Result ask(const std::string& reason);
    // ask(), and when the answer is no for a reason the person at the screen cannot
    // see (a wait, no way to ask), an alert that says it. True when granted.
    bool allows(const std::string& reason);
    // One line saying why a question ended without the owner's consent.
    std::string refusalText(OwnerLockGate::Result result) const;

    // Sets or clears the lock setting. Setting it asks the owner first, so that a
    // lock nobody can open is never set; clearing it is refused while the lock is
    // engaged. False when nothing changed (refused, or the store failed, with an alert).
    bool setRequired(bool value);

private:
    bool askTellingWhy(const std::string& reason, const char* unavailableTitle, const char* unavailableText);

    std::function<Preferences&()> prefs_;
    std::shared_ptr<platform::OwnerAuthentication> authentication_;
    OwnerLockGate gate_;
};

}  // namespace lendmode
