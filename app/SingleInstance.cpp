#include "app/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QCryptographicHash>
#include <QLocalSocket>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>

namespace lendmode {
namespace {

constexpr const char* kLockFile = "/lendmode.lock";
constexpr const char* kShowRequest = "show\n";
constexpr int kConnectTimeoutMs = 2000;

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

void SingleInstance::listen(std::function<void()> show) {
    server_ = std::make_unique<QLocalServer>();
    // We hold the lock, so a socket left by a process that died is stale.
    QLocalServer::removeServer(serverName());
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(serverName())) return;
    connect(server_.get(), &QLocalServer::newConnection, this, [this, show = std::move(show)] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, client, [client, show] {
                if (client->readAll().contains('\n')) show();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
}

}  // namespace lendmode
