// Hides or shows the desktop's panels or icon view from the command line,
// through the same effects the panel uses. Needs no GUI: it connects to the
// X display named by DISPLAY.

#include "tilebay/platform/shell/shell_effects.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList arguments = QCoreApplication::arguments();
    const QString command = arguments.size() == 2 ? arguments.at(1) : QString();
    auto effects = tilebay::MakeDesktopShellEffects();
    if (command == QStringLiteral("hide-taskbar")) {
        effects->ShowTaskbar(false);
    } else if (command == QStringLiteral("show-taskbar")) {
        effects->ShowTaskbar(true);
    } else if (command == QStringLiteral("hide-icons")) {
        effects->ShowDesktopIcons(false);
    } else if (command == QStringLiteral("show-icons")) {
        effects->ShowDesktopIcons(true);
    } else {
        QTextStream(stderr)
            << "usage: tilebay-shell-tool hide-taskbar|show-taskbar|hide-icons|show-icons\n";
        return 2;
    }
    return 0;
}
