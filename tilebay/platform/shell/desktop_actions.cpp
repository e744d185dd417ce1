#include "tilebay/platform/shell/desktop_actions.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QMimeData>

#include <algorithm>

#include "tilebay/platform/system/command_line.h"

namespace tilebay {

Q_LOGGING_CATEGORY(lcDesktopActions, "tilebay.actions", QtInfoMsg)

QString ClipboardText(const QUrl& url) {
    if (!url.isLocalFile()) {
        return url.toString();
    }
    const QString path = url.toLocalFile();
    const bool control = std::any_of(path.cbegin(), path.cend(),
                                     [](QChar c) { return c.category() == QChar::Other_Control; });
    return control ? url.toString(QUrl::FullyEncoded) : path;
}

bool QtDesktopActions::OpenUrl(const QUrl& url) {
    const bool opened =
        run_.Start(JoinCommandLine({QStringLiteral("xdg-open"), url.toString(QUrl::FullyEncoded)}));
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
        text.append(ClipboardText(url));
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
