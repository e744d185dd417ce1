#include "patchwell/platform/program_lifetime.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>

#include <cstdio>

#include <unistd.h>

namespace patchwell::platform {

void RealProgramLifetime::End() {
    // The program may be deep inside a transfer's event processing here;
    // unwinding it would run handlers that must not run any more. Leave now.
    std::fflush(nullptr);
    ::_exit(0);
}

void RealProgramLifetime::Wait(int ms) {
    const QDeadlineTimer deadline(ms);
    while (!deadline.hasExpired()) {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents,
                                            static_cast<int>(deadline.remainingTime()));
        }
        const qint64 left = deadline.remainingTime();
        if (left > 0) {
            ::usleep(static_cast<useconds_t>(qMin<qint64>(left, 20) * 1000));
        }
    }
}

}  // namespace patchwell::platform
