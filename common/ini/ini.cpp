#include "common/ini/ini.h"

#include <QFile>
#include <QTimeZone>

#include <algorithm>
#include <string>

#include "common/files/whole_file.h"
#include "common/ini/ini_format.h"
#include "common/paths/program_path.h"

namespace common {
namespace {

// Settings files are small; anything larger than this is not one of ours and
// is treated as unreadable rather than loaded whole.
constexpr qint64 kMaxIniBytes = 16 * 1024 * 1024;

bool ReadFile(const QString& path, std::string& out) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxIniBytes) {
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return false;
    }
    out.assign(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return true;
}

std::string Utf8(const QString& s) {
    return s.toStdString();
}

bool IsAsciiDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}

}  // namespace

IniSnapshot IniSnapshot::Read(const QString& file) {
    IniSnapshot snapshot;
    if (!ReadFile(LocalPath(file), snapshot.content_)) {
        snapshot.content_.clear();
    }
    return snapshot;
}

IniSnapshot IniSnapshot::FromBytes(const QByteArray& content) {
    IniSnapshot snapshot;
    if (content.size() <= kMaxIniBytes) {
        snapshot.content_.assign(content.constData(), static_cast<std::size_t>(content.size()));
    }
    return snapshot;
}

QString IniSnapshot::value(const QString& section, const QString& key) const {
    return QString::fromStdString(common::ReadValue(content_, Utf8(section), Utf8(key)));
}

std::optional<int> IniSnapshot::number(const QString& section, const QString& key, int low,
                                       int high) const {
    return IniNumberIn(value(section, key), low, high);
}

bool IniSnapshot::flag(const QString& section, const QString& key, const QString& on) const {
    return value(section, key) == on;
}

std::optional<QDateTime> IniSnapshot::utcTime(const QString& section, const QString& key) const {
    return IniUtcTime(value(section, key));
}

std::optional<int> IniNumberIn(const QString& text, int low, int high) {
    if (text.isEmpty() || text.size() > 9 || !std::all_of(text.begin(), text.end(), IsAsciiDigit)) {
        return std::nullopt;
    }
    const int value = text.toInt();
    if (value < low || value > high) {
        return std::nullopt;
    }
    return value;
}

std::optional<QDateTime> IniUtcTime(const QString& text) {
    // Where the pattern has 'd' a digit stands; every other character as is.
    constexpr char16_t kPattern[] = u"dddd-dd-ddTdd:dd:ddZ";
    constexpr qsizetype kLength = sizeof(kPattern) / sizeof(kPattern[0]) - 1;
    if (text.size() != kLength) {
        return std::nullopt;
    }
    for (qsizetype i = 0; i < kLength; ++i) {
        const bool fits =
            kPattern[i] == u'd' ? IsAsciiDigit(text.at(i)) : text.at(i) == kPattern[i];
        if (!fits) {
            return std::nullopt;
        }
    }
    // Date and time are read as they are and taken as UTC: never through the
    // local time zone, whose daylight saving gaps have hours that do not
    // exist there.
    const QDate date = QDate::fromString(text.left(10), QStringLiteral("yyyy-MM-dd"));
    const QTime time = QTime::fromString(text.mid(11, 8), QStringLiteral("HH:mm:ss"));
    if (!date.isValid() || !time.isValid()) {
        return std::nullopt;
    }
    return QDateTime(date, time, QTimeZone::utc());
}

QString IniUtcText(const QDateTime& time) {
    return time.toUTC().toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QStringLiteral("Z");
}

QString ReadIniValue(const QString& section, const QString& key, const QString& file) {
    return IniSnapshot::Read(file).value(section, key);
}

QString ReadIniValueFrom(const QByteArray& content, const QString& section, const QString& key) {
    return IniSnapshot::FromBytes(content).value(section, key);
}

bool WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file) {
    return WriteIniValues({IniChange{section, key, value}}, file);
}

bool WriteIniValues(const std::vector<IniChange>& changes, const QString& file) {
    const QString path = LocalPath(file);
    std::string content;
    if (QFile::exists(path) && !ReadFile(path, content)) {
        return false;  // present but unreadable: never replace what we could not read
    }
    const std::string before = content;
    for (const IniChange& change : changes) {
        if (!change.value) {
            common::RemoveValue(content, Utf8(change.section), Utf8(change.key));
        } else if (!common::WriteValue(content, Utf8(change.section), Utf8(change.key),
                                       Utf8(*change.value))) {
            return false;
        }
    }
    if (content == before && QFile::exists(path)) {
        return true;
    }
    return ReplaceFile(path,
                       QByteArrayView(content.data(), static_cast<qsizetype>(content.size())));
}

std::optional<QByteArray> IniText(const std::vector<IniChange>& changes) {
    std::string content;
    for (const IniChange& change : changes) {
        if (change.value && !common::WriteValue(content, Utf8(change.section), Utf8(change.key),
                                                Utf8(*change.value))) {
            return std::nullopt;
        }
    }
    return QByteArray::fromStdString(content);
}

}  // namespace common
