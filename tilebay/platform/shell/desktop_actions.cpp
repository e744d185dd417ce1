#include "tilebay/platform/shell/desktop_actions.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMimeData>

namespace tilebay {

Q_LOGGING_CATEGORY(lcDesktopActions, "tilebay.actions", QtInfoMsg)

bool QtDesktopActions::OpenUrl(const QUrl& url) {
    const bool opened = QDesktopServices::openUrl(url);
    if (!opened) {
        qCDebug(lcDesktopActions) << "could not open" << url;
    }
    return opened;
}

void QtDesktopActions::CopyUrls(const QList<QUrl>& urls) {
    auto* data = new QMimeData;
    data->setUrls(urls);
    QStringList text;
    for (const QUrl& url : urls) {
        text.append(url.isLocalFile() ? url.toLocalFile() : url.toString());
    }
    data->setText(text.join(u'\n'));
    QGuiApplication::clipboard()->setMimeData(data);
}

bool QtDesktopActions::MoveToTrash(const QString& path) {
    QFile file(path);
    const bool moved = file.moveToTrash();
    if (!moved) {
        qCDebug(lcDesktopActions) << "could not move to the trash:" << path << file.errorString();
    }
    return moved;
}

}  // namespace tilebay
