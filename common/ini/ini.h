#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace common {

// Reads `key` of `section` from the INI file `file` (a path in the programs'
// own notation, see LocalPath). A missing file, section or key, and a file that
// cannot be read, give "". Values are at most 254 bytes of UTF-8.
QString ReadIniValue(const QString& section, const QString& key, const QString& file);

// The same rules on INI text already in memory: for a file that is read once
// and then must not be read again (its bytes were checked).
QString ReadIniValueFrom(const QByteArray& content, const QString& section, const QString& key);

// Writes `key` of `section` in the INI file `file`, creating the file, the
// section or the key as needed and replacing an existing value in place; every
// other line stays as it was. The new content replaces the old file in one
// rename, so a crash mid-write leaves the old file or the new one, never a torn
// one. Failures (folder missing or not writable) leave the file as it was;
// false then, for the callers that must know.
bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file);

// One change of WriteIniValues: sets `key` to `value`, or removes the key when
// there is no value.
struct IniChange {
    QString section;
    QString key;
    std::optional<QString> value;
};

// Makes all `changes` in one replacement of `file`: afterwards the file holds
// all of them or, on failure (false), none.
bool WriteIniValues(const std::vector<IniChange>& changes, const QString& file);

}  // namespace common
