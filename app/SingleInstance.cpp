#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>
#include <QPointer>
#include <QTimer>
#include <QVariant>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <exception>
#include <filesystem>
#include <thread>

#include "base/Log.h"

namespace lendmode {
namespace {

constexpr const char* kLockFile = "/lendmode.lock";
constexpr const char* kShowRequest = "show\n";
constexpr int kConnectTimeoutMs = 2000;
// A running Lendmode accepts a request as soon as its event loop runs (a switch of
// its own may hold it for a while); one that never does takes no commands (an older
// version only shows its popover).
constexpr int kAcceptTimeoutMs = 30000;
// A request is one short line; anything longer is not ours.
constexpr qint64 kMaxRequestBytes = 8192;

constexpr std::string_view kAccepted = "accepted";
constexpr std::string_view kOut = "out ";
constexpr std::string_view kErr = "err ";
constexpr std::string_view kExit = "exit ";
// Set on a connection while its command runs, so that its going does not delete it.
constexpr const char* kRunningProperty = "lendmodeCommandRunning";

void appendLines(QByteArray& data, std::string_view tag, const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        std::size_t start = 0;
        for (;;) {
            const std::size_t end = text.find('\n', start);
            data.append(tag.data(), static_cast<qsizetype>(tag.size()));
            data.append(text.data() + start,
                        static_cast<qsizetype>((end == std::string::npos ? text.size() : end) - start));
            data.append('\n');
            if (end == std::string::npos) break;
            start = end + 1;
        }
    }
}

QByteArray encoded(const CommandReply& reply) {
    QByteArray data;
    appendLines(data, kOut, reply.out);
    appendLines(data, kErr, reply.err);
    data.append(kExit.data(), static_cast<qsizetype>(kExit.size()));
    data.append(QByteArray::number(reply.exitCode));
    data.append('\n');
    return data;
}

CommandReply failed(const std::string& why) {
    return CommandReply{CommandReply::kRefused, {}, {why}};
}

}  // namespace

SingleInstance::SingleInstance(std::string stateDirectory, QObject* parent)
    : QObject(parent), directory_(std::move(stateDirectory)) {}

SingleInstance::~SingleInstance() {
    server_.reset();
    if (lockFd_ >= 0) ::close(lockFd_);
}

QString SingleInstance::serverName() const {
    // A short name (socket paths are limited), the same for every process of this
    // user and state folder.
    const QByteArray hash =
        QCryptographicHash::hash(QByteArray::fromStdString(directory_), QCryptographicHash::Sha1);
    return QStringLiteral("lendmode-%1-%2").arg(::getuid()).arg(QString::fromLatin1(hash.toHex().left(16)));
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
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(kConnectTimeoutMs)) return false;
    socket.write(kShowRequest);
    const bool sent = socket.waitForBytesWritten(kConnectTimeoutMs);
    socket.disconnectFromServer();
    return sent;
}

std::optional<CommandReply> SingleInstance::askRunning(const std::string& request) {
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(kConnectTimeoutMs)) return std::nullopt;
    socket.write(QByteArray::fromStdString(request + "\n"));
    if (!socket.waitForBytesWritten(kConnectTimeoutMs)) return failed("Lendmode did not take the command.");

    CommandReply reply;
    bool accepted = false;
    for (;;) {
        while (socket.canReadLine()) {
            QByteArray raw = socket.readLine();
            raw.chop(1);
            const std::string line = raw.toStdString();
            if (!accepted) {
                accepted = line == kAccepted;
                if (!accepted) return failed("Lendmode answered something unexpected: " + line);
            } else if (line.starts_with(kOut)) {
                reply.out.push_back(line.substr(kOut.size()));
            } else if (line.starts_with(kErr)) {
                reply.err.push_back(line.substr(kErr.size()));
            } else if (line.starts_with(kExit)) {
                const std::string_view code = std::string_view(line).substr(kExit.size());
                const auto [end, ec] =
                    std::from_chars(code.data(), code.data() + code.size(), reply.exitCode);
                if (ec == std::errc() && end == code.data() + code.size()) return reply;
                return failed("Lendmode answered something unexpected: " + line);
            }
        }
        if (socket.state() != QLocalSocket::ConnectedState) break;
        // Once accepted, the command may wait for the owner as long as the owner takes.
        if (!socket.waitForReadyRead(accepted ? -1 : kAcceptTimeoutMs) &&
            socket.state() == QLocalSocket::ConnectedState)
            break;
    }
    if (!accepted) {
        return failed(
            "The running Lendmode did not take the command (busy for long, or an older version that takes "
            "none); try again, or quit it and start it again.");
    }
    return failed("Lendmode ended before it answered.");
}

void SingleInstance::listen(std::function<void()> show, CommandHandler commands) {
    show_ = std::move(show);
    commands_ = std::move(commands);
    server_ = std::make_unique<QLocalServer>();
    // We hold the lock, so a socket left by a process that died is stale.
    QLocalServer::removeServer(serverName());
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName())) {
        log::error("cannot listen on " + serverName().toStdString() + ": " +
                   server_->errorString().toStdString());
        return;
    }
    connect(server_.get(), &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, client, [this, client] { readRequest(client); });
            connect(client, &QLocalSocket::disconnected, client, [client] {
                if (!client->property(kRunningProperty).toBool()) client->deleteLater();
            });
        }
    });
}

void SingleInstance::readRequest(QLocalSocket* client) {
    if (client->property(kRunningProperty).isValid()) return;  // one request a connection
    if (!client->canReadLine()) {
        if (client->bytesAvailable() > kMaxRequestBytes) client->abort();
        return;
    }
    const std::string request = client->readLine().trimmed().toStdString();
    const bool command = request != "show" && commands_;
    client->setProperty(kRunningProperty, command);
    if (!command) {
        if (request == "show" && show_) show_();
        return;
    }
    client->write(kAccepted.data(), static_cast<qint64>(kAccepted.size()));
    client->write("\n");
    client->flush();
    // Run from the event loop rather than inside the socket's own signal: the command
    // may run a nested loop, in which the client may go.
    QTimer::singleShot(0, this, [this, client = QPointer<QLocalSocket>(client), request] {
        CommandReply reply;
        try {
            reply = commands_(request);
        } catch (const std::exception& error) {
            log::error(std::string("command failed: ") + error.what());
            reply = failed(std::string("Lendmode failed: ") + error.what());
        }
        if (!client) return;
        client->setProperty(kRunningProperty, false);
        if (client->state() == QLocalSocket::ConnectedState) {
            client->write(encoded(reply));
            client->flush();
            client->disconnectFromServer();
        }
        if (client->state() == QLocalSocket::UnconnectedState) client->deleteLater();
    });
}

}  // namespace lendmode
