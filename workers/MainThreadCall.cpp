// The synchronous call of a worker onto the main thread.
#include "MainThreadCall.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QThread>

namespace vantorel {

void CallOnMainThread(const std::function<void()>& routine) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->thread() == QThread::currentThread()) {
        routine();
        return;
    }
    QMetaObject::invokeMethod(app, routine, Qt::BlockingQueuedConnection);
}

void WaitForWorker(QThread& thread) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || app->thread() != QThread::currentThread()) {
        thread.wait();
        return;
    }
    while (!thread.wait(10))
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

} // namespace vantorel
