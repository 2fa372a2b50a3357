#include "platform/qt/QtMainThread.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace platform::qt {

bool QtMainThread::isMainThread() const {
    const QCoreApplication* app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

void QtMainThread::post(std::function<void()> block) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
    }
}

}  // namespace platform::qt
