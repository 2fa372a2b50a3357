// One Lendmode per user at a time. The first process takes an flock on a file in its
// state folder (the kernel releases it when the process dies, however it dies) and
// listens on a local socket; a later start finds the lock taken, asks the running one
// to show its popover, and leaves without touching anything.
//
// The same socket carries the command line's requests (app/CommandLine.h): one
// request line, answered by "accepted" at once, then "out TEXT" and "err TEXT" lines
// for the command's standard output and error, and last "exit CODE", after which the
// running one closes the connection. A "show" request gets no answer. A running one
// that already has as many clients as it takes answers "busy" in place of "accepted"
// and closes the connection (to a client that knows no "busy" that is an answer it
// does not expect: it fails, and stops).
//
// The socket is a file only its user may connect to: `lendmode.sock` in the state folder, or,
// when that path is too long for a socket address, a name made from the folder's hash
// in /tmp. Its reads and writes never block the running one: a client that stops
// reading or goes away mid-request costs nothing but its own connection. A flood of
// connections costs a bounded amount of work each (one timer watches every client's
// deadline) and at most a few accepts per turn of the event loop, so that the loop's
// other events, the signals among them, are served while it goes on.
//
// The commands Lendmode starts inherit the lock, so that after a kill they keep it
// until they are done: a start that finds the lock taken and nobody listening waits
// for them before it puts the owner's settings back, lest they land after it.
#pragma once

#include <QObject>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class QSocketNotifier;
class QTimer;

namespace lendmode {

// What a command asked of the running one answers.
struct CommandReply {
    // The exit codes: done; refused or failed; bad usage (or no Lendmode running).
    static constexpr int kDone = 0;
    static constexpr int kRefused = 1;
    static constexpr int kUsage = 2;

    int exitCode = kDone;
    std::vector<std::string> out;  // lines for standard output
    std::vector<std::string> err;  // lines for standard error
    bool operator==(const CommandReply&) const = default;
};

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
    // From the command line: sends the request line (without its line feed) and
    // waits for the answer, without limit once the running one has accepted it (the
    // owner may be asked first). Nothing when no Lendmode listens.
    std::optional<CommandReply> askRunning(const std::string& request);

    // In the running one: calls `show` each time a later start asks, and `commands`
    // with every other request line. A command may run a nested event loop (a
    // question to the owner); its connection stays open until it has answered.
    // False when it cannot listen (logged).
    using CommandHandler = std::function<CommandReply(const std::string& request)>;
    bool listen(std::function<void()> show, CommandHandler commands = {});

    // The socket's file, the same for every process of this user and state folder.
    std::string socketPath() const;

    // How long a client may take to send its request, or to take any of its answer,
    // before it is dropped (10 s; tests change it). A client whose command is still
    // running has no limit.
    void setClientTimeout(std::chrono::milliseconds timeout) { clientTimeout_ = timeout; }

private:
    struct Connection;
    using ConnectionPtr = std::shared_ptr<Connection>;

    void acceptClients();
    void turnAway(int fd) const;
    void readFrom(const ConnectionPtr& client);
    void watch(const ConnectionPtr& client);
    void setDeadline(const ConnectionPtr& client);
    void dropLateClients();
    void runCommand(const std::weak_ptr<Connection>& client, const std::string& request);
    void send(const ConnectionPtr& client, std::string_view data);
    void flush(const ConnectionPtr& client);
    void drop(const ConnectionPtr& client);
    void stopListening();

    std::string directory_;
    std::string error_;
    int lockFd_ = -1;
    int serverFd_ = -1;
    std::string listeningPath_;
    std::unique_ptr<QSocketNotifier> acceptNotifier_;
    std::vector<ConnectionPtr> clients_;
    // One single-shot timer for every client's deadline: set for the earliest, it
    // drops the clients whose time is up and sets itself for the next.
    std::unique_ptr<QTimer> deadlines_;
    std::chrono::milliseconds clientTimeout_;
    std::function<void()> show_;
    CommandHandler commands_;
};

}  // namespace lendmode
