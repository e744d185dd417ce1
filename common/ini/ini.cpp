#include "common/ini/ini.h"

#include <QFile>
#include <QSaveFile>

#include <string>

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

}  // namespace

QString ReadIniValue(const QString& section, const QString& key, const QString& file) {
    std::string content;
    if (!ReadFile(LocalPath(file), content)) {
        return {};
    }
    return QString::fromStdString(common::ReadValue(content, Utf8(section), Utf8(key)));
}

QString ReadIniValueFrom(const QByteArray& content, const QString& section, const QString& key) {
    if (content.size() > kMaxIniBytes) {
        return {};
    }
    return QString::fromStdString(common::ReadValue(
        std::string_view(content.constData(), static_cast<std::size_t>(content.size())),
        Utf8(section), Utf8(key)));
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
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return false;
    }
    // A short write (full disk, file size limit) shows only in flush():
    // commit() would still put the cut file in place. Without a commit the
    // temporary file is dropped and the old one stays.
    const auto size = static_cast<qint64>(content.size());
    if (out.write(content.data(), size) != size || !out.flush()) {
        return false;
    }
    return out.commit();
}

}  // namespace common
