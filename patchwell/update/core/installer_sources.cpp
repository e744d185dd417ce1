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

bool IsFurtherAddress(const QString& address, const QString& curverurl) {
    const QUrl url(address, QUrl::StrictMode);
    const bool secure = QUrl(curverurl).scheme() == QStringLiteral("https");
    return IsWebAddress(url) && (!secure || url.scheme() == QStringLiteral("https"));
}

QStringList InstallerAddresses(const QString& curverurl, const QString& curvermirrors) {
    QStringList addresses{curverurl};
    static const QRegularExpression blanks(QStringLiteral("\\s+"));
    for (const QString& mirror : curvermirrors.split(blanks, Qt::SkipEmptyParts)) {
        if (IsFurtherAddress(mirror, curverurl) && !addresses.contains(mirror)) {
            addresses << mirror;
        }
    }
    return addresses;
}

}  // namespace patchwell::update
