#include "ini.h"

#include <QFile>
#include <QSaveFile>

#include <string>

#include "ini_format.h"
#include "program_path.h"

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
    return QString::fromStdString(ini::ReadValue(content, Utf8(section), Utf8(key)));
}

void WriteIniValue(const QString& section, const QString& key, const QString& value,
                   const QString& file) {
    const QString path = LocalPath(file);
    std::string content;
    if (QFile::exists(path) && !ReadFile(path, content)) {
        return;  // present but unreadable: never replace what we could not read
    }
    const std::string before = content;
    if (!ini::WriteValue(content, Utf8(section), Utf8(key), Utf8(value))) {
        return;
    }
    if (content == before && QFile::exists(path)) {
        return;
    }
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly)) {
        return;
    }
    out.write(content.data(), static_cast<qint64>(content.size()));
    out.commit();
}

}  // namespace common
