// A click on an application's box, in the popover or in the preferences: the one
// place that asks the owner lock and stores the tick.
#pragma once

class QAbstractButton;

namespace lendmode {

class Preferences;

// Stores the box's state for the application its tag names. False when the owner
// lock refused it, so that the caller shows the stored state again.
bool tickApplication(Preferences& prefs, const QAbstractButton* box);

}  // namespace lendmode
