#include "tilebay/panel/window/panel_drop.h"

#include <QDropEvent>
#include <QGuiApplication>
#include <QLoggingCategory>

namespace tilebay {

Q_LOGGING_CATEGORY(lcPanelDrop, "tilebay.panel", QtInfoMsg)

std::vector<DropResult> DropOnDesktop(PanelServices& services, const QList<QUrl>& urls, bool move) {
    const QString folder = services.folders.UserDesktop(services.login.LoginName());
    if (folder.isEmpty()) {
        return {};
    }
    std::vector<DropResult> results = DropIntoFolder(urls, folder, move);
    QStringList skipped;
    for (const DropResult& result : results) {
        qCDebug(lcPanelDrop) << "dropped" << result.source << "->" << result.target;
        skipped += result.skipped;
    }
    if (!skipped.isEmpty() && services.notify) {
        services.notify(SkippedDropText(skipped));
    }
    return results;
}

bool DropMoves(const QDropEvent& event) {
    const Qt::KeyboardModifiers held =
        event.modifiers() | QGuiApplication::queryKeyboardModifiers();
    return (held & Qt::ShiftModifier) && (event.possibleActions() & Qt::MoveAction);
}

}  // namespace tilebay
