#include "platform/qt/ResponsiveRunners.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QMetaObject>
#include <QThread>
#include <exception>
#include <thread>

namespace platform::qt {

void whileEventsRun(const std::function<void()>& work) {
    const QCoreApplication* app = QCoreApplication::instance();
    if (!app || QThread::currentThread() != app->thread()) return work();
    QEventLoop loop;
    std::exception_ptr failure;
    std::thread worker([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
        // Queued: delivered once the loop runs, however soon the work ends.
        QMetaObject::invokeMethod(&loop, &QEventLoop::quit, Qt::QueuedConnection);
    });
    loop.exec();
    worker.join();
    if (failure) std::rethrow_exception(failure);
}

namespace {

// What `work` gives, worked out beside the event loop.
template <typename Work>
auto besideEvents(Work work) {
    decltype(work()) result{};
    whileEventsRun([&] { result = work(); });
    return result;
}

}  // namespace

std::optional<std::string> ResponsiveShellRunner::run(const std::string& commandText) {
    return besideEvents([&] { return inner_->run(commandText); });
}

std::vector<std::optional<std::string>> ResponsiveShellRunner::runAll(
    const std::vector<std::string>& commandTexts) {
    return besideEvents([&] { return inner_->runAll(commandTexts); });
}

bool ResponsiveShellRunner::runSucceeded(const std::string& commandText) {
    return besideEvents([&] { return inner_->runSucceeded(commandText); });
}

std::optional<std::string> ResponsiveShellRunner::runUnless(const std::string& commandText,
                                                            const std::function<bool()>& stop) {
    return besideEvents([&] { return inner_->runUnless(commandText, stop); });
}

std::optional<std::vector<std::string>> ResponsiveAppleScriptRunner::execute(const std::string& source) {
    return besideEvents([&] { return inner_->execute(source); });
}

std::optional<std::vector<std::string>> ResponsiveAppleScriptRunner::execute(const std::string& source,
                                                                             std::string& error) {
    return besideEvents([&] { return inner_->execute(source, error); });
}

std::optional<std::vector<std::string>> ResponsiveAppleScriptRunner::executeUnless(
    const std::string& source, const std::function<bool()>& stop) {
    return besideEvents([&] { return inner_->executeUnless(source, stop); });
}

bool ResponsiveAutomationConsent::mayAutomate(const std::string& applicationName) {
    return besideEvents([&] { return inner_->mayAutomate(applicationName); });
}

}  // namespace platform::qt
