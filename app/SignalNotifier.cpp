#include "app/SignalNotifier.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "base/Spawn.h"

namespace lendmode {
namespace {

// The write end of the pipe of the notifier that owns each signal.
volatile sig_atomic_t writeEndFor[NSIG];

void onSignal(int signal) {
    const unsigned char number = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(writeEndFor[signal], &number, 1);
}

}  // namespace

SignalNotifier::SignalNotifier(std::initializer_list<int> signalNumbers, std::function<void(int)> handler,
                               QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {
    int fds[2];
    if (!posix::openPipe(fds)) return;
    // The read end drains without blocking; the handler's write never blocks.
    for (const int fd : fds) ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    readEnd_ = fds[0];
    writeEnd_ = fds[1];
    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char number = 0;
        while (::read(readEnd_, &number, 1) == 1) handler_(number);
    });
    for (int signal : signalNumbers) {
        if (signal <= 0 || signal >= NSIG) continue;
        writeEndFor[signal] = writeEnd_;
        struct sigaction action {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        ::sigaction(signal, &action, nullptr);
        handledSignals_.push_back(signal);
    }
}

SignalNotifier::~SignalNotifier() {
    for (int signal : handledSignals_) ::signal(signal, SIG_DFL);
    notifier_.reset();
    if (readEnd_ >= 0) ::close(readEnd_);
    if (writeEnd_ >= 0) ::close(writeEnd_);
}

}  // namespace lendmode
