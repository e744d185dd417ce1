// A Qt window on the xcb platform for the integration tests. It prints
// "window <id>" once its window is exposed, then runs one command per line
// from stdin against that window and answers "ok" (or "error"):
//   above 0|1      SetAlwaysOnTop
//   opacity N      SetWindowOpacity
//   hide | show    unmaps or maps the window through Qt
//   dock           types the window as a dock (so that it looks like a panel)
//   taskbar 0|1    ShowTaskbar
// It ends when stdin closes.

#include "tilebay/platform/shell/shell_effects.h"

#include <QtGui/qguiapplication_platform.h>
#include <QGuiApplication>
#include <QRasterWindow>
#include <QSocketNotifier>
#include <QTextStream>
#include <QTimer>

#include <unistd.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace {

void Answer(const QString& text) {
    QTextStream out(stdout);
    out << text << '\n';
    out.flush();
}

void MakeDock(WId id) {
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr) {
        return;
    }
    const Atom dock = XInternAtom(display, "_NET_WM_WINDOW_TYPE_DOCK", False);
    XChangeProperty(display, static_cast<Window>(id),
                    XInternAtom(display, "_NET_WM_WINDOW_TYPE", False), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&dock), 1);
    XSync(display, False);
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        Answer(QStringLiteral("error not on xcb"));
        return 1;
    }
    auto effects = tilebay::MakeDesktopShellEffects();
    QRasterWindow window;
    window.setTitle(QStringLiteral("shell effects test window"));
    window.setGeometry(120, 140, 320, 200);
    window.show();
    bool announced = false;
    QByteArray pending;

    auto announce = [&] {
        if (!announced && window.isExposed()) {
            announced = true;
            Answer(QStringLiteral("window 0x") + QString::number(window.winId(), 16));
        }
    };
    QObject::connect(&window, &QWindow::visibleChanged, &window, announce);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &window, [&] {
        announce();
        if (announced) {
            poll.stop();
        }
    });
    poll.start(10);

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &window, [&] {
        char buffer[256];
        const ssize_t got = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (got <= 0) {
            QGuiApplication::quit();
            return;
        }
        pending.append(buffer, static_cast<qsizetype>(got));
        qsizetype end = 0;
        while ((end = pending.indexOf('\n')) >= 0) {
            const QStringList words =
                QString::fromUtf8(pending.left(end)).simplified().split(QLatin1Char(' '));
            pending.remove(0, end + 1);
            const QString command = words.value(0);
            const int value = words.value(1).toInt();
            if (command == QStringLiteral("above")) {
                effects->SetAlwaysOnTop(window.winId(), value != 0);
            } else if (command == QStringLiteral("opacity")) {
                effects->SetWindowOpacity(window.winId(), static_cast<qint16>(value));
            } else if (command == QStringLiteral("hide")) {
                window.hide();
            } else if (command == QStringLiteral("show")) {
                window.show();
            } else if (command == QStringLiteral("dock")) {
                MakeDock(window.winId());
            } else if (command == QStringLiteral("taskbar")) {
                effects->ShowTaskbar(value != 0);
            } else {
                Answer(QStringLiteral("error"));
                continue;
            }
            QGuiApplication::sync();
            Answer(QStringLiteral("ok"));
        }
    });
    return QGuiApplication::exec();
}
