// One Lendmode per user at a time. The first process takes an flock on a file in its
// state folder (the kernel releases it when the process dies, however it dies) and
// listens on a local socket; a later start finds the lock taken, asks the running one
// to show its popover, and leaves without touching anything.
//
// The commands Lendmode starts inherit the lock, so that after a kill they keep it
// until they are done: a start that finds the lock taken and nobody listening waits
// for them before it puts the owner's settings back, lest they land after it.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

namespace lendmode {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    // stateDirectory: the per-user folder the lock lives in (made when missing).
    explicit SingleInstance(std::string stateDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // Takes the lock, waiting at most `wait` for it. False when another process
    // holds it, or when it cannot be taken at all (`error()` then says why).
    bool acquire(std::chrono::milliseconds wait = std::chrono::milliseconds(0));
    const std::string& error() const { return error_; }
    // From a second start: asks the running one to show itself. False when it
    // could not be reached.
    bool askRunningToShow();
    // In the running one: calls `show` each time a later start asks.
    void listen(std::function<void()> show);

private:
    QString serverName() const;

    std::string directory_;
    std::string error_;
    int lockFd_ = -1;
    std::unique_ptr<QLocalServer> server_;
};

}  // namespace lendmode
