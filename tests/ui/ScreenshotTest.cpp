// Pictures of the windows for a person to look at, written when LENDMODE_UI_SHOTS
// names a folder (skipped otherwise): the popover off and on, light and dark, and the
// preferences window light and dark.
#include <gtest/gtest.h>

#include <QDir>
#include <QTest>

#include "UiTestSupport.h"
#include "platform/QtPorts.h"
#include "platform/sim/SimWorkspace.h"
#include "ui/EndingSoonNotice.h"
#include "ui/PreferencesWC.h"
#include "ui/ViewMainMenu.h"

namespace {

class DrawnIcons : public platform::qt::Workspace {
public:
    QIcon iconForFile(const QString& path) override { return platform::qt::drawnApplicationIcon(path); }
};

class Screenshots : public ui_testing::UiTest {
protected:
    void SetUp() override {
        folder = qEnvironmentVariable("LENDMODE_UI_SHOTS");
        if (folder.isEmpty()) GTEST_SKIP() << "set LENDMODE_UI_SHOTS to a folder to take pictures";
        UiTest::SetUp();
        QDir().mkpath(folder);
        platform::qt::qtPorts().workspace = std::make_shared<DrawnIcons>();
        plist::Array list;
        for (const char* name :
             {"App Store", "Automator", "Books", "Calculator", "Calendar", "Chess", "Contacts", "FaceTime",
              "Mail", "Maps", "Messages", "Music", "Notes", "Photos", "Safari", "Terminal", "TextEdit"}) {
            const bool blocked = std::string(name) == "Mail" || std::string(name) == "Messages" ||
                                 std::string(name) == "Photos" || std::string(name) == "Calendar";
            list.emplace_back(plist::Array{name, blocked, std::string("/Applications/") + name + ".app"});
        }
        apps(0) = list;
        apps(1) = list;
    }
    void save(QWidget& w, const QString& name) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
        QCoreApplication::processEvents();
        EXPECT_TRUE(w.grab().save(folder + "/" + name));
    }
    QString folder;
};

}  // namespace

TEST_F(Screenshots, PopoverAndPreferences) {
    for (bool dark : {false, true}) {
        const QPalette palette = dark ? ui_testing::darkPalette() : ui_testing::lightPalette();
        const QString suffix = dark ? "-dark.png" : "-light.png";
        {
            lendmode::ViewMainMenu view;
            view.setPalette(palette);
            view.resize(340, view.sizeHint().height());
            save(view, "popover-off" + suffix);
            prefs->setLendmode(true);
            view.updateUI();
            save(view, "popover-on" + suffix);
            prefs->setLendmode(false);
        }
        lendmode::ui::EndingSoonNotice notice;
        notice.setPalette(palette);
        notice.adjustSize();
        save(notice, "ending-soon" + suffix);
        lendmode::PreferencesWC window;
        window.setPalette(palette);
        window.showWindow();
        save(window, "preferences" + suffix);
    }
}
