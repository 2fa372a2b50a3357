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

std::optional<std::string> ResponsiveShellRunner::run(const std::string& commandText) {
    std::optional<std::string> output;
    whileEventsRun([&] { output = inner_->run(commandText); });
    return output;
}

std::vector<std::optional<std::string>> ResponsiveShellRunner::runAll(
    const std::vector<std::string>& commandTexts) {
    std::vector<std::optional<std::string>> outputs;
    whileEventsRun([&] { outputs = inner_->runAll(commandTexts); });
    return outputs;
}

bool ResponsiveShellRunner::runSucceeded(const std::string& commandText) {
    bool succeeded = false;
    whileEventsRun([&] { succeeded = inner_->runSucceeded(commandText); });
    return succeeded;
}

std::optional<std::string> ResponsiveShellRunner::runUnless(const std::string& commandText,
                                                            const std::function<bool()>& stop) {
    std::optional<std::string> output;
    whileEventsRun([&] { output = inner_->runUnless(commandText, stop); });
    return output;
}

std::optional<std::vector<std::string>> ResponsiveAppleScriptRunner::execute(const std::string& source) {
    std::optional<std::vector<std::string>> items;
    whileEventsRun([&] { items = inner_->execute(source); });
    return items;
}

std::optional<std::vector<std::string>> ResponsiveAppleScriptRunner::execute(const std::string& source,
                                                                             std::string& error) {
    std::optional<std::vector<std::string>> items;
    whileEventsRun([&] { items = inner_->execute(source, error); });
    return items;
}

std::optional<std::vector<std::string>> ResponsiveAppleScriptRunner::executeUnless(
    const std::string& source, const std::function<bool()>& stop) {
    std::optional<std::vector<std::string>> items;
    whileEventsRun([&] { items = inner_->executeUnless(source, stop); });
    return items;
}

bool ResponsiveAutomationConsent::mayAutomate(const std::string& applicationName) {
    bool allowed = false;
    whileEventsRun([&] { allowed = inner_->mayAutomate(applicationName); });
    return allowed;
}

}  // namespace platform::qt
