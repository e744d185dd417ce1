#include <gtest/gtest.h>

#include <QTime>

#include "patchwell/download/control/download_environment.h"

namespace patchwell::download {
namespace {

TEST(SystemEnvironment, TimeOfDayIsLocalTimeSinceMidnight) {
    SystemDownLoadEnvironment env;
    for (int i = 0; i < 3; ++i) {
        const double before = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
        const double ours = env.TimeOfDay();
        const double after = QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
        if (after < before) {
            continue;  // midnight passed in between
        }
        EXPECT_GE(ours, before - 0.002);
        EXPECT_LE(ours, after + 0.002);
        EXPECT_GE(ours, 0.0);
        EXPECT_LT(ours, 86400.0);
    }
}

}  // namespace
}  // namespace patchwell::download
