// Unix signals delivered as calls on the main thread: the handler only writes the
// signal's number into a pipe, which the event loop watches.
#pragma once

#include <QObject>
#include <QSocketNotifier>
#include <functional>
#include <initializer_list>
#include <memory>
#include <vector>

namespace lendmode {

class SignalNotifier : public QObject {
    Q_OBJECT
public:
    SignalNotifier(std::initializer_list<int> signalNumbers, std::function<void(int)> handler,
                   QObject* parent = nullptr);
    ~SignalNotifier() override;

private:
    std::function<void(int)> handler_;
    std::unique_ptr<QSocketNotifier> notifier_;
    std::vector<int> handledSignals_;
    int readEnd_ = -1;
    int writeEnd_ = -1;
};

}  // namespace lendmode
