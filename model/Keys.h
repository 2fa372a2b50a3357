// Names the program shares with its stored data and its observers: user-defaults keys
// and notification names. Each is defined here and nowhere else.
#pragma once

namespace lendmode {

namespace keys {
inline constexpr const char* kLaunchOnStartup = "LM001";  // boolean: start at login
inline constexpr const char* kLendmode = "LM002";         // boolean: Lendmode is on
inline constexpr const char* kDefinitionSets = "LM007";   // array of the two definition sets
inline constexpr const char* kCurrentSet = "LM008";       // integer: set applied at switch-on
// Per-build marker key: "28-" + short version + "(" + build number + ")".
inline constexpr const char* kVersionKeyFormat = "28-%@(%@)";
}  // namespace keys

namespace notifications {
inline constexpr const char* kRowValueChanged = "VVVN1";   // a row value changed
inline constexpr const char* kLendmodeChanged = "VVVN2";   // the stored Lendmode flag changed
}  // namespace notifications

}  // namespace lendmode
