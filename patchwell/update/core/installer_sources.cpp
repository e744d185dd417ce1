#include "patchwell/update/core/installer_sources.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/manifest/manifest.h"

namespace patchwell::update {

namespace {

bool IsWebAddress(const QUrl& url) {
    return url.isValid() && !url.host().isEmpty() &&
           (url.scheme() == QStringLiteral("http") || url.scheme() == QStringLiteral("https"));
}

}  // namespace

QStringList InstallerAddresses(const QString& curverurl, const QString& curvermirrors) {
    QStringList addresses{curverurl};
    const bool secure = QUrl(curverurl).scheme() == QStringLiteral("https");
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& mirror : curvermirrors.split(blanks, Qt::SkipEmptyParts)) {
        const QUrl url(mirror, QUrl::StrictMode);
        if (!IsWebAddress(url) || (secure && url.scheme() != QStringLiteral("https")) ||
            addresses.contains(mirror)) {
            continue;
        }
        addresses << mirror;
    }
    return addresses;
}

}  // namespace patchwell::update
