#pragma once

#include <QString>

namespace common {

// Reads `key` of `section` from the INI file `file` (a path in the programs'
// own notation, see LocalPath). A missing file, section or key, and a file that
// cannot be read, give "". Values are at most 254 bytes of UTF-8.
QString ReadIniValue(const QString& section, const QString& key, const QString& file);

// Writes `key` of `section` in the INI file `file`, creating the file, the
// section or the key as needed and replacing an existing value in place; every
// other line stays as it was. The new content replaces the old file in one
// rename, so a crash mid-write leaves the old file or the new one, never a torn
// one. Failures (folder missing or not writable) leave the file as it was and
// are not reported.
void WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file);

}  // namespace common
