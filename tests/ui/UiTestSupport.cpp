#include "UiTestSupport.h"

#include <QPixmap>
#include <stdexcept>

#include "model/Keys.h"
#include "model/NotificationCenter.h"
#include "platform/QtPorts.h"

namespace ui_testing {

using lendmode::NotificationCenter;
using lendmode::Preferences;

QIcon CountingWorkspace::iconForFile(const QString&) {
    ++requests;
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(0x30, 0x80, 0xF0));
    return QIcon(pixmap);
}

void UiTest::SetUp() {
    fakes.shell->installApplications(
        "/Applications/Calculator.app\n/Applications/Chess.app\n/Applications/Safari.app\n"
        "/System/Applications/Mail.app\n");
    prefs = &Preferences::resetShared(fakes.ports());
    prefs->setDefinitionSets(plist::Array{prefs->settingsDefault(), prefs->settingsDefault()});
    fakes.shell->commands.clear();
    fakes.appleScript->scripts.clear();
    policy = std::make_shared<platform::qt::RecordedActivationPolicy>();
    workspace = std::make_shared<CountingWorkspace>();
    platform::qt::qtPorts().activationPolicy = policy;
    platform::qt::qtPorts().workspace = workspace;
}

void UiTest::TearDown() {
    platform::qt::qtPorts() = {};
    Preferences::resetShared();
}

plist::Value& UiTest::row(std::size_t set, int id) {
    for (plist::Value& r : *prefs->definitionSets().at(set).asArray()) {
        const plist::Value* rowId = r.find(lendmode::rowkeys::kID);
        if (rowId && rowId->integerValue() == id) return r;
    }
    throw std::runtime_error("no such row");
}

plist::Array& UiTest::apps(std::size_t set) {
    return *row(set, lendmode::rows::kDisabledApps).find(lendmode::rowkeys::kDisabledApp)->asArray();
}

void UiTest::installApplications(std::size_t count) {
    plist::Array list;
    list.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        const std::string name = "App " + std::to_string(100000 + i);
        list.emplace_back(plist::Array{name, false, "/Applications/" + name + ".app"});
    }
    apps(0) = list;
    apps(1) = list;
}

std::size_t UiTest::stores() const {
    return fakes.store->writeCount(lendmode::keys::kDefinitionSets);
}

QPalette lightPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0xEC, 0xEC, 0xEC));
    p.setColor(QPalette::WindowText, QColor(0x1D, 0x1D, 0x1F));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xF5, 0xF5, 0xF5));
    p.setColor(QPalette::Text, QColor(0x1D, 0x1D, 0x1F));
    p.setColor(QPalette::Button, QColor(0xF5, 0xF5, 0xF7));
    p.setColor(QPalette::ButtonText, QColor(0x1D, 0x1D, 0x1F));
    p.setColor(QPalette::PlaceholderText, QColor(0x1D, 0x1D, 0x1F, 0x8C));
    p.setColor(QPalette::Highlight, QColor(0x0A, 0x64, 0xD6));
    p.setColor(QPalette::HighlightedText, Qt::white);
    return p;
}

QPalette darkPalette() {
    QPalette p;
    p.setColor(QPalette::Window, QColor(0x26, 0x26, 0x28));
    p.setColor(QPalette::WindowText, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::Base, QColor(0x1E, 0x1E, 0x20));
    p.setColor(QPalette::AlternateBase, QColor(0x2A, 0x2A, 0x2C));
    p.setColor(QPalette::Text, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::Button, QColor(0x3A, 0x3A, 0x3C));
    p.setColor(QPalette::ButtonText, QColor(0xEC, 0xEC, 0xEE));
    p.setColor(QPalette::PlaceholderText, QColor(0xEC, 0xEC, 0xEE, 0x8C));
    p.setColor(QPalette::Highlight, QColor(0x0A, 0x5F, 0xD1));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Light, QColor(0x4A, 0x4A, 0x4C));
    p.setColor(QPalette::Midlight, QColor(0x3A, 0x3A, 0x3C));
    p.setColor(QPalette::Mid, QColor(0x30, 0x30, 0x32));
    p.setColor(QPalette::Dark, QColor(0x18, 0x18, 0x1A));
    p.setColor(QPalette::Shadow, Qt::black);
    return p;
}

PostCounter::PostCounter(const char* name) {
    NotificationCenter::defaultCenter().addObserver(&token_, name, [this] { ++count; });
}

PostCounter::~PostCounter() {
    NotificationCenter::defaultCenter().removeObserver(&token_);
}

}  // namespace ui_testing
