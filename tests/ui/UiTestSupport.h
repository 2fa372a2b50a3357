// What the widget tests share: a fresh settings model on fake ports with two default
// sets, installed Qt ports that record (activation policy, workspace icons), and
// palettes to draw with.
#pragma once

#include <gtest/gtest.h>

#include <QPalette>
#include <QString>
#include <memory>

#include "model/Preferences.h"
#include "platform/Workspace.h"
#include "platform/qt/RecordedActivationPolicy.h"
#include "tests/support/Fakes.h"

namespace ui_testing {

// Hands out a plain icon for every path and counts the requests.
class CountingWorkspace : public platform::qt::Workspace {
public:
    QIcon iconForFile(const QString& path) override;
    int requests = 0;
};

class UiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Replaces both sets' application lists (set 0 and set 1) with `count` records.
    void installApplications(std::size_t count);

    plist::Value& row(std::size_t set, int id);
    plist::Array& apps(std::size_t set);
    std::size_t scriptsRun() const { return fakes.appleScript->scripts.size(); }
    std::size_t commandsRun() const { return fakes.shell->commands.size(); }
    std::size_t stores() const;

    testing_support::FakePorts fakes;
    lendmode::Preferences* prefs = nullptr;
    std::shared_ptr<platform::qt::RecordedActivationPolicy> policy;
    std::shared_ptr<CountingWorkspace> workspace;
};

QPalette lightPalette();
QPalette darkPalette();

// Counts the posts of a notification while it lives.
class PostCounter {
public:
    explicit PostCounter(const char* name);
    ~PostCounter();
    int count = 0;

private:
    int token_ = 0;
};

}  // namespace ui_testing
