#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <string>
#include <vector>

namespace common {

// One read of an INI file: every value comes from the same bytes, so a writer
// between two reads cannot mix an old value with a new one, and the file is
// opened once however many keys are read. The format rules are ReadIniValue's.
class IniSnapshot {
public:
    // `file` in the programs' own notation (see LocalPath). A missing file, one
    // that cannot be read and one too large to be ours all read as empty.
    static IniSnapshot Read(const QString& file);
    // INI text already in memory: for a file that is read once and then must
    // not be read again (its bytes were checked).
    static IniSnapshot FromBytes(const QByteArray& content);

    // The value, or "" when the section or key is missing.
    QString value(const QString& section, const QString& key) const;
    // The value as a whole number (see IniNumberIn), or none.
    std::optional<int> number(const QString& section, const QString& key, int low, int high) const;
    // True when the value is exactly `on` (letter case counts).
    bool flag(const QString& section, const QString& key, const QString& on) const;
    // The value as a moment in UTC (see IniUtcTime), or none.
    std::optional<QDateTime> utcTime(const QString& section, const QString& key) const;

private:
    std::string content_;
};

// A whole number as the settings write it: 1 to 9 ASCII digits, no sign, no
// blanks, within [low, high]; anything else gives none.
std::optional<int> IniNumberIn(const QString& text, int low, int high);

// A moment written as "yyyy-MM-ddTHH:mm:ssZ" (UTC), or none.
std::optional<QDateTime> IniUtcTime(const QString& text);
// `time` written so that IniUtcTime reads it back (to the second).
QString IniUtcText(const QDateTime& time);

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

// The text of an INI file that holds just `changes`, or none when a change
// cannot be written as a line: for a file that is wholly ours and written anew
// each time, where the writer has its own rules for the path.
std::optional<QByteArray> IniText(const std::vector<IniChange>& changes);

}  // namespace common
