#pragma once

// Text helpers of the tests of both programs: readable QString values in
// GoogleTest failure messages, UTF-8 literals as QString, and files written
// into a temporary folder.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QStringList>

#include <ostream>

inline QString S(const char* s) {
    return QString::fromUtf8(s);
}

// Writes `content` to `name` in `dir` and returns the file's path; an empty
// path when the file cannot be written.
inline QString WriteTestFile(const QDir& dir, const QString& name, const QByteArray& content) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size()) {
        return {};
    }
    return path;
}

inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '{';
    for (const QString& s : list) {
        *os << " \"" << s.toStdString() << '"';
    }
    *os << " }";
}
