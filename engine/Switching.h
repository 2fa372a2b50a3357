// Switching Lendmode on and off: the owner snapshot, the record a restore after a
// crash needs, and the two applies. Both switches keep to one rule: one that cannot
// be undone safely is refused before it changes anything.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include "engine/Apply.h"
#include "engine/CommandRunners.h"
#include "engine/DefaultSet.h"
#include "engine/Snapshot.h"
#include "model/DefinitionSets.h"
#include "model/LendmodeFlag.h"
#include "model/Loan.h"
#include "model/UserDefaults.h"
#include "platform/Ports.h"

namespace lendmode {

class Switching {
public:
    Switching(const platform::Ports& ports, const CommandRunners& run, UserDefaults& prefs,
              LendmodeFlag& flag, DefinitionSets& sets, const OwnerSnapshot& snapshot,
              const DefaultSet& defaults, SetApplier& applier, SwitchProgress& progress, Loan& loan)
        : ports_(ports),
          run_(run),
          prefs_(prefs),
          flag_(flag),
          sets_(sets),
          snapshot_(snapshot),
          defaults_(defaults),
          applier_(applier),
          progress_(progress),
          loan_(loan) {}

    using Completion = std::function<void()>;
    // Takes a new owner snapshot as set 1, stores it with what a restore after a
    // crash needs, applies the current set, then calls the completion (if any).
    // Ignored while the guest settings are on. Refused, with Lendmode stored as off
    // again and an alert, when Apple events to System Events or System Preferences
    // are refused, a read of the owner's settings did not answer, or the owner's
    // settings cannot be stored: nothing is changed then.
    void switchOn(const Completion& completion);
    // Applies set 1, the owner snapshot, reopening the applications the switch-on
    // quit, then calls the completion (if any). Ignored when the guest settings are
    // not on. Refused, with Lendmode stored as on again and an alert, when Apple
    // events are refused or the owner's settings could not be written.
    void switchOff(const Completion& completion);

    // At start: guest settings left on the system by a process that ended without
    // switching off (a crash, a kill) are taken off first, whatever the flag says, so
    // that they are never taken for the owner's. A loan for a while whose end has not
    // come goes on instead; one whose end has passed ends as its timer would have: the
    // owner's settings back, then the screen locked. True when Lendmode stays on (the
    // loan goes on, or the restore was refused).
    bool restoreLeftOn();
    // A loan's change of time while on, stored before it counts: false when it could
    // not be stored, and the loan is as it was.
    bool changeLoan(std::optional<Loan::Seconds> length);

    // Whether the guest settings are on the system ("LM010"): from just before a
    // switch-on changes anything until a switch-off has put the owner's back.
    bool guestSettingsApplied() const { return guestSettingsApplied_; }

    // The switch-on record as the copy keeps it: set 0's application list holds only
    // its ticked records and set 1's none, all a restore reads of them.
    static plist::Dictionary recordForCopy(const plist::Dictionary& record);

private:
    // The owner snapshot, the https handler and the quit applications put back.
    // False when refused or when the owner's settings could not all be written: the
    // record is kept then, for a later try. Alerts on what went wrong.
    bool putOwnerSettingsBack();
    // The record a start goes by: the store's when it holds one, else the copy's.
    std::optional<plist::Dictionary> leftOnRecord();
    bool restoreOwnerSettingsLeftOn(plist::Dictionary record);
    // The sets, the applications to reopen and the https handler from a record left on;
    // false when it holds no usable owner snapshot.
    bool takeRecord(plist::Dictionary& record);
    // A loan gone on with at start: what this process held while on is held again.
    void holdAgain();
    // Tells the owner, once per process, that the store lost the switch-on record
    // while Lendmode was on and the owner's settings came from the copy.
    void tellRecordLost();
    void alert(const std::string& message, const std::string& informative) const;

    const platform::Ports& ports_;
    const CommandRunners& run_;
    UserDefaults& prefs_;
    LendmodeFlag& flag_;
    DefinitionSets& sets_;
    const OwnerSnapshot& snapshot_;
    const DefaultSet& defaults_;
    SetApplier& applier_;
    SwitchProgress& progress_;
    Loan& loan_;
    bool guestSettingsApplied_ = false;
    std::string ownerHttpsHandler_;  // "" for none
    bool toldRecordLost_ = false;
};

}  // namespace lendmode
