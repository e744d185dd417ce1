#include "patchwell/update/core/manifest/state_names.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>

namespace patchwell::update {

QString RealProgramFolder(const QString& programFolder) {
    const QFileInfo info(programFolder);
    const QString real = info.canonicalFilePath();
    return real.isEmpty() ? QDir::cleanPath(info.absoluteFilePath()) : real;
}

QString HashedStateName(const char* prefix, const QString& text) {
    const QByteArray hash =
        QCryptographicHash::hash(text.toUtf8(), QCryptographicHash::Sha256).toHex().left(32);
    return QString::fromLatin1(prefix) + QString::fromLatin1(hash);
}

QString InstallationStateName(const char* prefix, const QString& programFolder) {
    return HashedStateName(prefix, RealProgramFolder(programFolder));
}

}  // namespace patchwell::update
