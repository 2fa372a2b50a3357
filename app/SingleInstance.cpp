#include "app/SingleInstance.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <filesystem>
#include <thread>
#include <utility>

#include "base/Log.h"
#include "base/SocketPath.h"

namespace lendmode {
namespace {

constexpr const char* kLockFile = "/lendmode.lock";
constexpr const char* kSocketFile = "/lendmode.sock";
constexpr std::string_view kShowRequest = "show";
constexpr int kConnectTimeoutMs = 2000;
// A running Lendmode accepts a request as soon as its event loop runs (a switch of
// its own may hold it for a while); one that never does takes no commands (an older
// version only shows its popover).
constexpr int kAcceptTimeoutMs = 30000;
// A request is one short line; anything longer is not ours.
constexpr std::size_t kMaxRequestBytes = 8192;
// A client that sends no request, or takes no answer, for this long is dropped.
constexpr std::chrono::milliseconds kClientTimeout(10000);
// More clients at once than any use needs: later ones are turned away, told "busy".
constexpr std::size_t kMaxClients = 64;
// Connections taken in one turn of the event loop at most: the rest wait for the next
// turn, after the loop's other events.
constexpr int kAcceptsPerTurn = 16;
// Reads of 1 KiB from one client in one turn at most: more than a request needs.
constexpr int kReadsPerTurn = 16;
// Connections the system queues before a client's connect has to wait.
constexpr int kBacklog = 64;
// Out of descriptors, accepting waits this long before it tries again.
constexpr int kAcceptRetryMs = 1000;

constexpr std::string_view kAccepted = "accepted";
constexpr std::string_view kBusy = "busy";
constexpr std::string_view kOut = "out ";
constexpr std::string_view kErr = "err ";
constexpr std::string_view kExit = "exit ";

// A peer that has gone must not end the program with SIGPIPE.
#ifdef MSG_NOSIGNAL
constexpr int kSendFlags = MSG_NOSIGNAL;
#else
constexpr int kSendFlags = 0;
#endif

void appendLines(std::string& data, std::string_view tag, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find('\n', start);
            data.append(tag);
            data.append(text, start, (end == std::string::npos ? text.size() : end) - start);
            data.push_back('\n');
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
}

std::string encoded(const CommandReply& reply) {
    std::string data;
    appendLines(data, kOut, reply.out);
    appendLines(data, kErr, reply.err);
    data.append(kExit);
    data.append(std::to_string(reply.exitCode));
    data.push_back('\n');
    return data;
}

CommandReply failed(const std::string& why) {
    return CommandReply{CommandReply::kRefused, {}, {why}};
}

CommandReply busy() {
    return failed("Lendmode is busy with other requests; try again in a moment.");
}

std::string_view trimmed(std::string_view text) {
    constexpr std::string_view kSpace = " \t\r\n\v\f";
    const std::size_t first = text.find_first_not_of(kSpace);
    if (first == std::string_view::npos) return {};
    return text.substr(first, text.find_last_not_of(kSpace) - first + 1);
}

// Closes the descriptor when it goes.
class Descriptor {
public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }
    int release() { return std::exchange(fd_, -1); }

private:
    int fd_;
};

// A stream socket set up for the channel: closed on exec (the commands Lendmode starts
// must not keep the channel open after it), nonblocking, and without SIGPIPE where
// the system sets that per socket (macOS; Linux takes MSG_NOSIGNAL per send).
bool prepareSocket(int fd) {
    if (fd < 0 || ::fcntl(fd, F_SETFD, FD_CLOEXEC) != 0) return false;
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) return false;
#ifdef SO_NOSIGPIPE
    const int on = 1;
    if (::setsockopt(fd, SOL_SOCKET, SO_NOSIGPIPE, &on, sizeof on) != 0) return false;
#endif
    return true;
}

int newSocket() {
    Descriptor fd(::socket(AF_UNIX, SOCK_STREAM, 0));
    return prepareSocket(fd.get()) ? fd.release() : -1;
}

// The socket address of a path; nothing when the path does not fit in one.
std::optional<sockaddr_un> addressOf(const std::string& path) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return std::nullopt;
    std::memcpy(static_cast<void*>(address.sun_path), path.c_str(), path.size() + 1);
    return address;
}

const sockaddr* genericAddress(const sockaddr_un& address) {
    return reinterpret_cast<const sockaddr*>(&address);  // NOLINT: the sockets API takes it so
}

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, for poll; -1 (no limit) without one.
int remainingMs(std::optional<Clock::time_point> deadline) {
    if (!deadline) return -1;
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
    return static_cast<int>(std::max<std::chrono::milliseconds::rep>(left.count(), 0));
}

std::optional<Clock::time_point> deadlineIn(int timeoutMs) {
    if (timeoutMs < 0) return std::nullopt;
    return Clock::now() + std::chrono::milliseconds(timeoutMs);
}

// Whether `fd` became ready for `events` (or failed, which the next call reports)
// before the deadline.
bool waitFor(int fd, short events, std::optional<Clock::time_point> deadline) {
    for (;;) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, remainingMs(deadline));
        if (ready > 0) return true;
        if (ready == 0 || errno != EINTR) return false;
    }
}

// A connection to the socket at `path`; -1 when nothing listens there, or, with `full`
// set, when the listener's queue stayed full for the whole wait. Only a socket of this
// user's own is tried: in /tmp anybody could have put one at that name.
int connectTo(const std::string& path, bool& full) {
    full = false;
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISSOCK(info.st_mode) || info.st_uid != ::getuid()) return -1;
    const std::optional<sockaddr_un> address = addressOf(path);
    Descriptor fd(address ? newSocket() : -1);
    if (fd.get() < 0) return -1;
    const auto deadline = deadlineIn(kConnectTimeoutMs);
    for (;;) {
        if (::connect(fd.get(), genericAddress(*address), sizeof *address) == 0 || errno == EISCONN)
            return fd.release();
        if (errno == EINPROGRESS || errno == EALREADY || errno == EINTR) break;
        // Linux: the server's backlog is full; it may take us in a moment.
        if (errno != EAGAIN) return -1;
        if (Clock::now() >= *deadline) {
            full = true;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    int error = 0;
    socklen_t size = sizeof error;
    if (!waitFor(fd.get(), POLLOUT, deadline) ||
        ::getsockopt(fd.get(), SOL_SOCKET, SO_ERROR, &error, &size) != 0 || error != 0)
        return -1;
    return fd.release();
}

// Writes all of `data` before the deadline.
bool sendAll(int fd, std::string_view data, std::optional<Clock::time_point> deadline) {
    while (!data.empty()) {
        const ssize_t sent = ::send(fd, data.data(), data.size(), kSendFlags);
        if (sent > 0) {
            data.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        const bool full = sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (!full || !waitFor(fd, POLLOUT, deadline)) return false;
    }
    return true;
}

// The next line from `fd` (without its line feed), waiting at most `timeoutMs` for
// each piece of it (-1: without limit); nothing at the end of the connection, on an
// error or when the wait runs out.
std::optional<std::string> nextLine(int fd, std::string& buffer, int timeoutMs) {
    for (;;) {
        const std::size_t end = buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = buffer.substr(0, end);
            buffer.erase(0, end + 1);
            return line;
        }
        std::array<char, 4096> chunk{};
        const ssize_t got = ::recv(fd, chunk.data(), chunk.size(), 0);
        if (got > 0) {
            buffer.append(chunk.data(), static_cast<std::size_t>(got));
            continue;
        }
        if (got < 0 && errno == EINTR) continue;
        const bool empty = got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
        if (!empty || !waitFor(fd, POLLIN, deadlineIn(timeoutMs))) return std::nullopt;
    }
}

}  // namespace

// One client of the running one.
struct SingleInstance::Connection {
    int fd = -1;
    QSocketNotifier* reader = nullptr;  // children of the SingleInstance
    QSocketNotifier* writer = nullptr;
    std::string input;           // the request line as it comes in
    std::string output;          // what the socket has not taken yet
    bool requested = false;      // the request has come; anything after it is ignored
    bool atEnd = false;          // the client has sent all it will send
    bool closeWhenSent = false;  // the answer is complete
    // Dropped when this passes: set while the request is awaited, and while the
    // answer waits for a client that takes none of it.
    std::optional<std::chrono::steady_clock::time_point> deadline;

    Connection() = default;
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;
    ~Connection() { close(); }

    void close() {
        // The notifiers stop before the descriptor closes, and are deleted later: one
        // of them may be sending the signal that runs now.
        for (QSocketNotifier* notifier : {std::exchange(reader, nullptr), std::exchange(writer, nullptr)}) {
            if (!notifier) continue;
            notifier->setEnabled(false);
            notifier->deleteLater();
        }
        if (fd >= 0) ::close(std::exchange(fd, -1));
    }
};

SingleInstance::SingleInstance(std::string stateDirectory, QObject* parent)
    : QObject(parent),
      directory_(std::move(stateDirectory)),
      deadlines_(std::make_unique<QTimer>(this)),
      clientTimeout_(kClientTimeout) {
    deadlines_->setSingleShot(true);
    connect(deadlines_.get(), &QTimer::timeout, this, [this] { dropLateClients(); });
}

SingleInstance::~SingleInstance() {
    stopListening();
    if (lockFd_ >= 0) ::close(lockFd_);
}

std::string SingleInstance::socketPath() const {
    // In the state folder; when that is too long for a socket address, a short name,
    // the same for every process of this user and state folder.
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(directory_), QCryptographicHash::Sha1);
    return socketPathOrShortName(directory_ + kSocketFile, 0, "lendmode",
                                 hash.toHex().left(16).toStdString());
}

bool SingleInstance::acquire(std::chrono::milliseconds wait) {
    std::error_code ec;
    std::filesystem::create_directories(directory_, ec);
    const std::string path = directory_ + kLockFile;
    // Without O_CLOEXEC: the commands this process starts hold the lock too.
    if (lockFd_ < 0) lockFd_ = ::open(path.c_str(), O_RDWR | O_CREAT, 0600);
    if (lockFd_ < 0) {
        error_ = "cannot open " + path + ": " + std::strerror(errno);
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + wait;
    for (;;) {
        if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return true;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            error_ = "cannot lock " + path + ": " + std::strerror(errno);
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ::close(lockFd_);
    lockFd_ = -1;
    return false;
}

bool SingleInstance::askRunningToShow() {
    bool full = false;
    const Descriptor socket(connectTo(socketPath(), full));
    return socket.get() >= 0 &&
           sendAll(socket.get(), std::string(kShowRequest) + "\n", deadlineIn(kConnectTimeoutMs));
}

std::optional<CommandReply> SingleInstance::askRunning(const std::string& request) {
    bool full = false;
    const Descriptor socket(connectTo(socketPath(), full));
    if (socket.get() < 0 && full) return busy();
    if (socket.get() < 0) return std::nullopt;
    std::string buffer;
    if (!sendAll(socket.get(), request + "\n", deadlineIn(kConnectTimeoutMs))) {
        // Turned away before the request was read: the answer is there all the same.
        const std::optional<std::string> line = nextLine(socket.get(), buffer, 0);
        return line == kBusy ? busy() : failed("Lendmode did not take the command.");
    }

    CommandReply reply;
    bool accepted = false;
    // Once accepted, the command may wait for the owner as long as the owner takes.
    while (const std::optional<std::string> line =
               nextLine(socket.get(), buffer, accepted ? -1 : kAcceptTimeoutMs)) {
        if (!accepted) {
            if (*line == kBusy) return busy();
            accepted = *line == kAccepted;
            if (!accepted) return failed("Lendmode answered something unexpected: " + *line);
        } else if (line->starts_with(kOut)) {
            reply.out.push_back(line->substr(kOut.size()));
        } else if (line->starts_with(kErr)) {
            reply.err.push_back(line->substr(kErr.size()));
        } else if (line->starts_with(kExit)) {
            const std::string_view code = std::string_view(*line).substr(kExit.size());
            const auto [end, ec] = std::from_chars(code.data(), code.data() + code.size(), reply.exitCode);
            if (ec == std::errc() && end == code.data() + code.size()) return reply;
            return failed("Lendmode answered something unexpected: " + *line);
        }
    }
    if (!accepted) {
        return failed(
            "The running Lendmode did not take the command (busy for long, or an older version that takes "
            "none); try again, or quit it and start it again.");
    }
    return failed("Lendmode ended before it answered.");
}

bool SingleInstance::listen(std::function<void()> show, CommandHandler commands) {
    show_ = std::move(show);
    commands_ = std::move(commands);
    stopListening();
    const std::string path = socketPath();
    const std::optional<sockaddr_un> address = addressOf(path);
    Descriptor fd(address ? newSocket() : -1);
    // We hold the lock, so a socket file left by a process that died is stale.
    if (fd.get() >= 0) ::unlink(path.c_str());
    // Only the user may connect: the file is made the user's alone before listen(),
    // and nobody can connect before that.
    const bool bound = fd.get() >= 0 && ::bind(fd.get(), genericAddress(*address), sizeof *address) == 0;
    if (!bound || ::chmod(path.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd.get(), kBacklog) != 0) {
        log::error("cannot listen on " + path + ": " + std::strerror(errno));
        if (bound) ::unlink(path.c_str());
        return false;
    }
    serverFd_ = fd.release();
    listeningPath_ = path;
    acceptNotifier_ = std::make_unique<QSocketNotifier>(serverFd_, QSocketNotifier::Read);
    connect(acceptNotifier_.get(), &QSocketNotifier::activated, this, [this] { acceptClients(); });
    return true;
}

void SingleInstance::stopListening() {
    for (const ConnectionPtr& client : clients_) client->close();
    clients_.clear();
    deadlines_->stop();
    if (serverFd_ < 0) return;
    acceptNotifier_.reset();
    ::close(std::exchange(serverFd_, -1));
    ::unlink(listeningPath_.c_str());
}

void SingleInstance::acceptClients() {
    // A few at a time: the notifier fires again on the next turn while more wait.
    for (int taken = 0; taken < kAcceptsPerTurn; ++taken) {
        const int fd = ::accept(serverFd_, nullptr, nullptr);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) {
                // Out of descriptors, most likely: the waiting client would wake the
                // notifier again at once, so it rests a while.
                log::error(std::string("cannot accept a client: ") + std::strerror(errno));
                acceptNotifier_->setEnabled(false);
                QTimer::singleShot(kAcceptRetryMs, this, [this] {
                    if (acceptNotifier_) acceptNotifier_->setEnabled(true);
                });
            }
            return;
        }
        if (!prepareSocket(fd)) {
            ::close(fd);
            continue;
        }
        if (clients_.size() >= kMaxClients) {
            turnAway(fd);
            continue;
        }
        auto client = std::make_shared<Connection>();
        client->fd = fd;
        clients_.push_back(client);
        // What has come already is read at once: a client that has sent its request,
        // or has gone, needs no notifier.
        readFrom(client);
        if (client->fd < 0) continue;
        watch(client);
        if (!client->requested) setDeadline(client);
    }
}

void SingleInstance::turnAway(int fd) const {
    // One short line: it fits in the socket's buffer, so the send never waits.
    const std::string answer = std::string(kBusy) + "\n";
    [[maybe_unused]] const ssize_t sent = ::send(fd, answer.data(), answer.size(), kSendFlags);
    ::close(fd);
}

void SingleInstance::watch(const ConnectionPtr& client) {
    if (client->reader || client->atEnd || client->fd < 0) return;
    client->reader = new QSocketNotifier(client->fd, QSocketNotifier::Read, this);
    const std::weak_ptr<Connection> weak = client;
    connect(client->reader, &QSocketNotifier::activated, this, [this, weak] {
        if (const ConnectionPtr alive = weak.lock()) readFrom(alive);
    });
}

void SingleInstance::setDeadline(const ConnectionPtr& client) {
    client->deadline = Clock::now() + clientTimeout_;
    // With one timeout, a deadline is never earlier than those set before it: a timer
    // that runs already fires in time for it.
    if (!deadlines_->isActive() || deadlines_->remainingTime() > clientTimeout_.count())
        deadlines_->start(clientTimeout_);
}

void SingleInstance::dropLateClients() {
    const Clock::time_point now = Clock::now();
    // A copy: dropping changes the list.
    for (const ConnectionPtr& client : std::vector<ConnectionPtr>(clients_)) {
        if (client->fd < 0 || !client->deadline || *client->deadline > now) continue;
        // What came meanwhile is read first: a request that has come ends the wait.
        if (!client->requested && !client->atEnd) readFrom(client);
        if (client->fd >= 0 && client->deadline && *client->deadline <= now) drop(client);
    }
    std::optional<Clock::time_point> next;
    for (const ConnectionPtr& client : clients_) {
        if (client->deadline && (!next || *client->deadline < *next)) next = client->deadline;
    }
    if (!next) return;
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - Clock::now());
    deadlines_->start(std::max(wait, std::chrono::milliseconds(0)));
}

void SingleInstance::readFrom(const ConnectionPtr& client) {
    // A few reads a turn: a client that keeps writing after its request holds up
    // nobody (the notifier fires again on the next turn).
    for (int reads = 0; reads < kReadsPerTurn; ++reads) {
        std::array<char, 1024> chunk{};
        const ssize_t got = ::recv(client->fd, chunk.data(), chunk.size(), 0);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return;
        if (got < 0 || (got == 0 && !client->requested)) {
            drop(client);
            return;
        }
        if (got == 0) {
            // The client is done sending; its answer may still reach it.
            client->atEnd = true;
            if (client->reader) client->reader->setEnabled(false);
            return;
        }
        if (client->requested) continue;  // one request a connection
        client->input.append(chunk.data(), static_cast<std::size_t>(got));
        const std::size_t end = client->input.find('\n');
        if (end == std::string::npos && client->input.size() > kMaxRequestBytes) {
            drop(client);
            return;
        }
        if (end == std::string::npos) continue;
        const std::string request(trimmed(std::string_view(client->input).substr(0, end)));
        client->requested = true;
        client->deadline.reset();
        client->input.clear();
        if (request == kShowRequest || !commands_) {
            // Nothing to answer.
            drop(client);
            if (request == kShowRequest && show_) show_();
            return;
        }
        send(client, std::string(kAccepted) + "\n");
        if (client->fd < 0) return;
        // Run from the event loop rather than inside the notifier's signal: the command
        // may run a nested loop, in which this client may go and others come.
        QTimer::singleShot(0, this, [this, weak = std::weak_ptr<Connection>(client), request] {
            runCommand(weak, request);
        });
    }
}

void SingleInstance::runCommand(const std::weak_ptr<Connection>& client, const std::string& request) {
    CommandReply reply;
    try {
        reply = commands_(request);
    } catch (const std::exception& error) {
        log::error(std::string("command failed: ") + error.what());
        reply = failed(std::string("Lendmode failed: ") + error.what());
    }
    const ConnectionPtr alive = client.lock();
    if (!alive) return;
    alive->closeWhenSent = true;
    send(alive, encoded(reply));
}

void SingleInstance::send(const ConnectionPtr& client, std::string_view data) {
    client->output.append(data);
    flush(client);
}

void SingleInstance::flush(const ConnectionPtr& client) {
    while (!client->output.empty()) {
        const ssize_t sent = ::send(client->fd, client->output.data(), client->output.size(), kSendFlags);
        if (sent > 0) {
            client->output.erase(0, static_cast<std::size_t>(sent));
            client->deadline.reset();  // it is taking its answer
            continue;
        }
        if (sent < 0 && errno == EINTR) continue;
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The client is not reading: the rest waits for room, until its deadline.
            if (!client->writer) {
                const std::weak_ptr<Connection> weak = client;
                client->writer = new QSocketNotifier(client->fd, QSocketNotifier::Write, this);
                connect(client->writer, &QSocketNotifier::activated, this, [this, weak] {
                    if (const ConnectionPtr alive = weak.lock()) flush(alive);
                });
            }
            client->writer->setEnabled(true);
            if (!client->deadline) setDeadline(client);
            return;
        }
        drop(client);  // gone
        return;
    }
    if (client->writer) client->writer->setEnabled(false);
    if (client->closeWhenSent) drop(client);
}

void SingleInstance::drop(const ConnectionPtr& client) {
    client->close();
    std::erase(clients_, client);
}

}  // namespace lendmode
