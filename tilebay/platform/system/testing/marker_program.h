#pragma once

// A real program for tests that start programs: it writes its arguments, one
// a line, to a marker file, which appears whole or not at all.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tilebay::testing {

// Writes the program (a shell script, executable by its owner) at `path`;
// false when it could not be written.
inline bool WriteMarkerProgram(const QString& path, const QString& marker) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray target = marker.toUtf8();
    file.write("#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" + target + ".tmp\"\nmv \"" + target +
               ".tmp\" \"" + target + "\"\n");
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace tilebay::testing
