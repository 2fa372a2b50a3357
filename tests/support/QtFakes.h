// Stand-ins for the Qt ports and the timer, for tests of the application shell.
#pragma once

#include <QIcon>
#include <vector>

#include "app/RepeatingTimer.h"
#include "platform/QtPorts.h"
#include "platform/qt/RecordedActivationPolicy.h"

namespace testing_support {

class FakeStatusItem : public platform::qt::StatusItem {
public:
    void setImage(const QIcon& image) override {
        image_ = image;
        ++imageSets;
    }
    void setTitle(const QString& title) override { title_ = title; }
    QString title() const override { return title_; }
    void setToolTip(const QString& text) override { toolTip = text; }
    QString toolTip;
    QRect anchorRect() const override { return QRect(100, 0, 24, 24); }
    void click() { emit clicked(); }
    int imageSets = 0;

private:
    QIcon image_;
    QString title_;
};

class FakeWorkspace : public platform::qt::Workspace {
public:
    QIcon iconForFile(const QString&) override { return QIcon(); }
    bool terminateApplication(qint64 pid) override {
        terminated.push_back(pid);
        return true;
    }
    void announce(const QVariantMap& info) { emit willLaunchApplication(info); }
    std::vector<qint64> terminated;  // every process id asked to end, in order
};

// A timer that fires only when told to.
class ManualTimer : public lendmode::RepeatingTimer {
public:
    std::chrono::seconds interval{0};
    std::function<void()> tick;
    void start(std::chrono::seconds every, std::function<void()> callback) override {
        interval = every;
        tick = std::move(callback);
    }
    void fire() {
        if (tick) tick();
    }
};

// Installs fakes of every Qt port; keeps them reachable.
struct FakeQtPorts {
    std::shared_ptr<FakeWorkspace> workspace = std::make_shared<FakeWorkspace>();
    std::shared_ptr<platform::qt::RecordedActivationPolicy> policy =
        std::make_shared<platform::qt::RecordedActivationPolicy>();
    std::vector<std::shared_ptr<FakeStatusItem>> statusItems;  // every one made

    FakeQtPorts() {
        auto& ports = platform::qt::qtPorts();
        ports.workspace = workspace;
        ports.activationPolicy = policy;
        ports.makeStatusItem = [this] {
            statusItems.push_back(std::make_shared<FakeStatusItem>());
            return statusItems.back();
        };
    }
    ~FakeQtPorts() { platform::qt::qtPorts() = {}; }
};

}  // namespace testing_support
