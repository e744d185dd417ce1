#pragma once

// Helpers of TestDesktop shared by its X and its Wayland session.

#include <QString>

namespace pwtest::internal {

// The last `lines` lines of a log file.
QString tail(const QString& path, int lines = 15);
// Runs in a started child: a process group of its own, ended with the test process.
void DetachChild();

}  // namespace pwtest::internal
