#pragma once

// Waits until a condition holds, processing Qt events meanwhile, instead of
// sleeping for a fixed time in tests.

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QThread>

#include <chrono>

namespace pwtest {

template <typename Predicate>
bool waitFor(Predicate&& predicate, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    QDeadlineTimer deadline(timeout);
    while (!predicate()) {
        if (deadline.hasExpired()) {
            return predicate();
        }
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        QThread::msleep(5);
    }
    return true;
}

}  // namespace pwtest
