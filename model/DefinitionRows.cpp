// The default definition set: nine rows, their captions, controls and default values.
#include "model/Keys.h"
#include "model/Preferences.h"

namespace lendmode {
namespace {

using plist::Dictionary;
using plist::Value;

// Row tags and IDs are unsigned integers; in a property list they are plain integers.
Value id(int n) {
    return Value(static_cast<unsigned>(n));
}

}  // namespace

plist::Dictionary Preferences::zerroHotCorners() const {
    Dictionary corners;
    for (const char* key : kHotCornerKeys) corners.emplace(key, "0");
    return corners;
}

plist::Array Preferences::settingsDefault() {
    return settingsDefault(appListOnSystem());
}

plist::Array Preferences::settingsDefault(plist::Array applications) {
    namespace k = rowkeys;
    // Looked up once, before any row is built.
    const auto browser = defaultBrowserName();
    const auto login = ports_.account ? ports_.account->loginName() : std::nullopt;

    plist::Array set;
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kWhenLendmodeIsOn)},
        {k::kIdCell, cells::kSegment2Custom},
        {k::kTitle1, "When Lendmode is on:"},
        {"segment0", "Lendmode"},
        {"segment1", login.value_or("")},
        {k::kSegmentSelected, 0},
        {k::kSegmentID, id(rows::kWhenLendmodeIsOn)},
    });
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kDoNotDisturb)},
        {k::kIdCell, cells::kChekbox},
        {k::kTitle1, "Do not Disturb"},
        {k::kTitle2, "Notifications will be off"},
        {k::kBox, true},
        {k::kBoxID, id(rows::kDoNotDisturb)},
    });
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kHotCornersOff)},
        {k::kIdCell, cells::kChekbox},
        {k::kTitle1, "Hot corners off"},
        {k::kTitle2, "Hot corners will be turned off"},
        {k::kDictHotCorners, zerroHotCorners()},
        {k::kBox, true},
        {k::kBoxID, id(rows::kHotCornersOff)},
    });
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kBrowser)},
        {k::kIdCell, cells::kChekbox},
        {k::kTitle1, "Browser set to Safari"},
        {k::kTitle2, "Set Safari as default Browser"},
        {k::kBox, false},
        {k::kBrowser, browser && !browser->empty() ? *browser : std::string(kNoBrowser)},
        {k::kBoxID, id(rows::kBrowser)},
    });
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kDefaultScroll)},
        {k::kIdCell, cells::kChekbox},
        {k::kTitle1, "Default scroll"},
        {k::kTitle2, "Apple\u2019s natural scrolling"},
        {k::kBox, true},
        {k::kBoxID, id(rows::kDefaultScroll)},
    });
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kDockVisible)},
        {k::kIdCell, cells::kChekbox},
        {k::kTitle1, "Dock visible"},
        {k::kTitle2, "Keep dock above the bottom of the screen"},
        {k::kBox, true},
        {k::kBoxID, id(rows::kDockVisible)},
    });
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kDockLocation)},
        {k::kIdCell, cells::kSegmentControl3},
        {k::kTitle1, "Dock location"},
        {k::kTitle2, "Put the dock on the bottom, not the sides"},
        {"title2-0", "Put the dock on the bottom"},
        {"title2-1", "Put the dock on the left side"},
        {"title2-2", "Put the dock on the right side"},
        {"segment0", "Bottom"},
        {"segment1", "Left side"},
        {"segment2", "Right side"},
        {k::kSegmentSelected, 0},
        {k::kSegmentID, id(rows::kDockLocation)},
    });
    set.emplace_back(Dictionary{
        {k::kID, id(rows::kDarkMode)},
        {k::kIdCell, cells::kSegmentControl3},
        {k::kTitle1, "Dark mode"},
        {k::kTitle2, "Apple default dark mode after sunset"},
        {"title2-0", "Set light mode"},
        {"title2-1", "Set dark mode"},
        {"title2-2", "NOTE: Applies only when logging back in"},
        {"segment0", "Light"},
        {"segment1", "Dark"},
        {"segment2", "Auto"},
        {k::kSegmentSelected, 2},
        {k::kSegmentID, id(rows::kDarkMode)},
    });
    Dictionary apps{
        {k::kID, id(rows::kDisabledApps)},
        {k::kIdCell, cells::kAppListCell},
        {k::kTitle1, "Apps disabled in guest mode:"},
    };
    // Moved in: a braced list would copy every record.
    apps.emplace(k::kDisabledApp, std::move(applications));
    set.emplace_back(std::move(apps));
    return set;
}

}  // namespace lendmode
