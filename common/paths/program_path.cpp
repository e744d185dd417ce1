#include "common/paths/program_path.h"

#include <QCoreApplication>

namespace common {

QString LocalPath(const QString& text) {
    QString out;
    out.reserve(text.size());
    bool lastWasSeparator = false;
    for (const QChar c : text) {
        const bool separator = c == u'/' || c == u'\\';
        if (separator) {
            if (!lastWasSeparator) {
                out.append(u'/');
            }
        } else {
            out.append(c);
        }
        lastWasSeparator = separator;
    }
    return out;
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath();
}

}  // namespace common
