#pragma once

// A real program for tests that start programs: it writes its arguments, one
// a line, to a marker file, which appears whole or not at all.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace tilebay::testing {

// Writes the program (a shell script, executable by its owner) at `path`;
// false when it could not be written. With `environment` it also writes its
// environment, one variable a line, to `marker` + ".env" before the marker.
inline bool WriteMarkerProgram(const QString& path, const QString& marker,
                               bool environment = false) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        return false;
    }
    const QByteArray target = marker.toUtf8();
    file.write("#!/bin/sh\n");
    if (environment) {
        file.write("/usr/bin/env > \"" + target + ".env\"\n");
    }
    file.write("printf '%s\\n' \"$@\" > \"" + target + ".tmp\"\nmv \"" + target + ".tmp\" \"" +
               target + "\"\n");
    file.close();
    return file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

}  // namespace tilebay::testing
