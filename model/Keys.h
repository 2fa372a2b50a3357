// Names the program shares with its stored data and its observers: user-defaults keys
// and notification names. Each is defined here and nowhere else.
#pragma once

#include <string>

namespace lendmode {

namespace keys {
inline constexpr const char* kLaunchOnStartup = "LM001";  // boolean: start at login
inline constexpr const char* kLendmode = "LM002";         // boolean: Lendmode is on
inline constexpr const char* kDefinitionSets = "LM007";   // array of the two definition sets
inline constexpr const char* kCurrentSet = "LM008";       // integer: set applied at switch-on
// Kept so that an end other than the quit action (crash, kill, power loss) loses
// nothing: the names of the applications quit at switch-on, and whether the guest
// settings are on the system and the owner's still to be put back.
// "LM010" is a fact of its own, apart from "LM002": it is set before a switch-on
// changes anything and cleared only once a switch-off has put everything back.
inline constexpr const char* kAppsToReopen = "LM009";          // array of application names
inline constexpr const char* kGuestSettingsApplied = "LM010";  // boolean
// The owner's https handler (a bundle identifier, "" for none) at the switch-on, so
// that a switch-off can put it back when it differs from the http one.
inline constexpr const char* kOwnerHttpsHandler = "LM011";  // string
// The owner lock: while Lendmode is on, what would end guest mode asks the owner first.
inline constexpr const char* kOwnerLockRequired = "LM012";  // boolean
// Focus (macOS 12 and later) is switched by running two of the owner's Shortcuts, named
// here (the defaults below when absent). Focus cannot be read, so a switch-on that ran
// the first records it, and only then does the switch-off run the second.
inline constexpr const char* kFocusOnShortcut = "LM013";   // string
inline constexpr const char* kFocusOffShortcut = "LM014";  // string
inline constexpr const char* kFocusTurnedOn = "LM015";     // boolean
// Sound muted and desktop icons hidden by the switch-on, so that only then does the
// switch-off put the owner's own back (from the owner snapshot's row).
inline constexpr const char* kSoundMutedBySwitch = "LM016";          // boolean
inline constexpr const char* kDesktopIconsHiddenBySwitch = "LM017";  // boolean
// A loan for a while: its wall-clock end (a date) and its length in seconds, stored with
// the switch-on record before anything changes, so that a later start keeps counting
// or, after the end, gives the Mac back and locks the screen.
inline constexpr const char* kLoanEnd = "LM018";     // date
inline constexpr const char* kLoanLength = "LM019";  // integer, seconds
inline constexpr const char* kDefaultFocusOnShortcut = "Lendmode Focus On";
inline constexpr const char* kDefaultFocusOffShortcut = "Lendmode Focus Off";
// Per-build marker key: "28-" + short version + "(" + build number + ")".
inline constexpr const char* kVersionKeyFormat = "28-%@(%@)";
}  // namespace keys

namespace notifications {
inline constexpr const char* kRowValueChanged = "VVVN1";            // a row value changed
inline constexpr const char* kLendmodeChanged = "VVVN2";            // the stored Lendmode flag changed
inline constexpr const char* kSwitchProgress = "LMSwitchProgress";  // a switch began, went on or ended
}  // namespace notifications

// Keys of a definition row.
namespace rowkeys {
inline constexpr const char* kID = "ID";
inline constexpr const char* kIdCell = "idCell";
inline constexpr const char* kTitle1 = "title1";
inline constexpr const char* kTitle2 = "title2";
inline constexpr const char* kBox = "box";
inline constexpr const char* kBoxID = "boxID";
inline constexpr const char* kSegmentSelected = "segmentSelected";
inline constexpr const char* kSegmentID = "segmentID";
inline constexpr const char* kDictHotCorners = "dictHotCorners";
inline constexpr const char* kBrowser = "browser";
inline constexpr const char* kDisabledApp = "DisabledApp";
inline constexpr const char* kSliderMin = "sliderMin";
inline constexpr const char* kSliderMax = "sliderMax";
inline constexpr const char* kSliderValue = "sliderValue";
inline constexpr const char* kSliderID = "sliderID";
// In a snapshot's row: the owner had no value stored under the setting's key (boolean),
// so that a switch-off removes the key again rather than writes one.
inline constexpr const char* kKeyAbsent = "keyAbsent";
// Per-segment labels and sub-captions: "segment0".."segment2", "title2-0".."title2-2".
inline std::string segment(long n) {
    return "segment" + std::to_string(n);
}
inline std::string title2ForSegment(long n) {
    return "title2-" + std::to_string(n);
}
}  // namespace rowkeys

// Kinds of row, which are also the identifiers of the cells that draw them.
namespace cells {
inline constexpr const char* kSegment2Custom = "Segment2Custom";
inline constexpr const char* kChekbox = "Chekbox";
inline constexpr const char* kSegmentControl3 = "SegmentControl3";
inline constexpr const char* kAppListCell = "AppListCell";
}  // namespace cells

// Row IDs, by which every part of the program finds a row.
namespace rows {
inline constexpr int kWhenLendmodeIsOn = 31;
inline constexpr int kDoNotDisturb = 3;
inline constexpr int kHotCornersOff = 5;
inline constexpr int kBrowser = 8;
inline constexpr int kDefaultScroll = 4;
inline constexpr int kDockVisible = 9;
inline constexpr int kDockLocation = 32;
inline constexpr int kDarkMode = 33;
inline constexpr int kDisabledApps = 41;
// For presenting and sharing the screen; after the application list in a set.
inline constexpr int kMuteSound = 51;
inline constexpr int kHideDesktopIcons = 52;
inline constexpr int kKeepAwake = 53;
}  // namespace rows

// The Dock's eight hot-corner keys, in the order a hot-corner dictionary lists them.
inline constexpr const char* kHotCornerKeys[] = {
    "wvous-bl-corner", "wvous-bl-modifier", "wvous-br-corner", "wvous-br-modifier",
    "wvous-tl-corner", "wvous-tl-modifier", "wvous-tr-corner", "wvous-tr-modifier",
};

// The browser name recorded when there is none.
inline constexpr const char* kNoBrowser = "NoBrowser";
inline constexpr const char* kSafari = "Safari";

}  // namespace lendmode
