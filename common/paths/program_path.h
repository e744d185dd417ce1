#pragma once

#include <QString>

namespace common {

// Both programs address their files as the program folder followed by a fixed
// text such as "/update.ini" or "/styles/\Blue/style.ini". Stored texts may use
// "\" as a separator and may double separators. LocalPath turns such a text
// into a path of this file system: "/" and "\" both separate, and a run of
// separators counts as one. Every file access of both programs goes through it.
QString LocalPath(const QString& text);

// The folder that holds the running executable, without a trailing separator
// (except for the root itself). Needs a QCoreApplication.
QString ProgramFolder();

}  // namespace common
