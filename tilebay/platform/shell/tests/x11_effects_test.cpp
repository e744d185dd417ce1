// The effects against a real X server (Xvfb) with openbox, tint2 as the
// taskbar and pcmanfm's desktop window as the icon view.

#include "common/testing/desktop/test_desktop.h"
#include "common/testing/wait_for.h"
#include "tilebay/platform/shell/x11_shell_effects.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <csignal>
#include <memory>

// Xlib last: its macros (None, Bool, Status, ...) clash with Qt's headers.
#include <X11/Xlib.h>

using pwtest::TestDesktop;
using pwtest::XDesktop;
using pwtest::XWindowId;

namespace {

const QString kDock = QStringLiteral("_NET_WM_WINDOW_TYPE_DOCK");
const QString kDesktop = QStringLiteral("_NET_WM_WINDOW_TYPE_DESKTOP");
const QString kState = QStringLiteral("_NET_WM_STATE");
const QString kAbove = QStringLiteral("_NET_WM_STATE_ABOVE");
const QString kOpacity = QStringLiteral("_NET_WM_WINDOW_OPACITY");
const QString kSaved = QString::fromLatin1(tilebay::kSavedStateProperty);

std::unique_ptr<tilebay::ShellEffects> EffectsOn(const TestDesktop& desktop) {
    tilebay::ShellBackendChoice choice;
    choice.desktop = choice.windows = true;
    choice.display = desktop.display().toLocal8Bit();
    return tilebay::MakeX11ShellEffects(choice);
}

QStringList Sorted(QStringList list) {
    list.sort();
    return list;
}

QStringList StateOf(const TestDesktop& desktop, XWindowId window) {
    return Sorted(desktop.property(window, kState).value_or(QStringList{}));
}

bool Managed(const TestDesktop& desktop, XWindowId window) {
    const auto clients = desktop.clientList();
    return std::find(clients.begin(), clients.end(), window) != clients.end();
}

bool Hidden(const TestDesktop& desktop, XWindowId window) {
    return !desktop.windowInfo(window).mapped() && !Managed(desktop, window);
}

bool Shown(const TestDesktop& desktop, XWindowId window) {
    return desktop.windowInfo(window).viewable() && Managed(desktop, window);
}

// The window manager's own hidden windows of a type, with their map states.
std::vector<std::pair<XWindowId, QString>> OverrideRedirectWindows(const TestDesktop& desktop,
                                                                   const QString& type) {
    std::vector<std::pair<XWindowId, QString>> found;
    for (XWindowId window : desktop.windowsOfType(type)) {
        const pwtest::XWindowInfo info = desktop.windowInfo(window);
        if (info.overrideRedirect) {
            found.emplace_back(window, info.mapState);
        }
    }
    return found;
}

XDesktop::Options FullDesktop() {
    XDesktop::Options options;
    options.panel = true;
    options.desktopIcons = true;
    return options;
}

}  // namespace

TEST(X11ShellEffects, HidesAndShowsTheTaskbarWithItsStatesAndNothingElse) {
    XDesktop desktop(FullDesktop());
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    const XWindowId panel = desktop.panelWindow();
    const XWindowId icons = desktop.desktopIconsWindow();
    const QStringList states = StateOf(desktop, panel);
    ASSERT_TRUE(states.contains(kAbove)) << states.join(QLatin1Char(' ')).toStdString();
    const QRect geometry = desktop.windowInfo(panel).geometry;
    const auto wmDocks = OverrideRedirectWindows(desktop, kDock);
    ASSERT_FALSE(wmDocks.empty()) << "openbox keeps a hidden override-redirect dock window";

    auto effects = EffectsOn(desktop);
    effects->ShowTaskbar(false);
    ASSERT_TRUE(pwtest::waitFor([&] { return Hidden(desktop, panel); }));
    EXPECT_EQ(Sorted(desktop.property(panel, kSaved).value_or(QStringList{})), states);
    EXPECT_TRUE(Shown(desktop, icons));

    // Hiding again must keep the recorded states, not the emptied ones.
    effects->ShowTaskbar(false);
    EXPECT_EQ(Sorted(desktop.property(panel, kSaved).value_or(QStringList{})), states);
    // Showing the icons touches no dock.
    effects->ShowDesktopIcons(true);
    EXPECT_TRUE(Hidden(desktop, panel));

    effects->ShowTaskbar(true);
    ASSERT_TRUE(pwtest::waitFor([&] { return Shown(desktop, panel); }));
    EXPECT_TRUE(pwtest::waitFor([&] { return StateOf(desktop, panel) == states; }))
        << StateOf(desktop, panel).join(QLatin1Char(' ')).toStdString();
    EXPECT_FALSE(desktop.property(panel, kSaved).has_value());
    EXPECT_EQ(desktop.windowInfo(panel).geometry, geometry);

    // A second show has nothing left to show; the window manager's own
    // override-redirect docks were never mapped nor marked.
    effects->ShowTaskbar(true);
    EXPECT_TRUE(Shown(desktop, panel));
    EXPECT_EQ(OverrideRedirectWindows(desktop, kDock), wmDocks);
    for (const auto& [window, mapState] : wmDocks) {
        EXPECT_FALSE(desktop.property(window, kSaved).has_value());
    }
}

TEST(X11ShellEffects, AFreshProcessShowsWhatAnEarlierOneHid) {
    XDesktop desktop(FullDesktop());
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    const XWindowId panel = desktop.panelWindow();
    const XWindowId icons = desktop.desktopIconsWindow();
    const QStringList panelStates = StateOf(desktop, panel);
    ASSERT_TRUE(panelStates.contains(kAbove));
    const QStringList iconStates = StateOf(desktop, icons);
    ASSERT_FALSE(iconStates.isEmpty());
    const QRect iconGeometry = desktop.windowInfo(icons).geometry;

    auto tool = [&](const char* command) {
        return desktop.run(QStringLiteral(TILEBAY_SHELL_TOOL), {QString::fromLatin1(command)});
    };
    ASSERT_TRUE(tool("hide-icons").ok());
    ASSERT_TRUE(pwtest::waitFor([&] { return Hidden(desktop, icons); }));
    EXPECT_TRUE(Shown(desktop, panel));
    ASSERT_TRUE(tool("hide-taskbar").ok());
    ASSERT_TRUE(pwtest::waitFor([&] { return Hidden(desktop, panel); }));

    // The programs that own the windows do not bring them back by themselves.
    EXPECT_TRUE(Hidden(desktop, icons));

    ASSERT_TRUE(tool("show-taskbar").ok());
    ASSERT_TRUE(pwtest::waitFor([&] { return Shown(desktop, panel); }));
    EXPECT_TRUE(pwtest::waitFor([&] { return StateOf(desktop, panel) == panelStates; }));
    EXPECT_TRUE(Hidden(desktop, icons));

    ASSERT_TRUE(tool("show-icons").ok());
    ASSERT_TRUE(pwtest::waitFor([&] { return Shown(desktop, icons); }));
    EXPECT_TRUE(pwtest::waitFor([&] { return StateOf(desktop, icons) == iconStates; }))
        << StateOf(desktop, icons).join(QLatin1Char(' ')).toStdString();
    EXPECT_EQ(desktop.windowInfo(icons).geometry, iconGeometry);

    const pwtest::ToolResult usage = tool("hide-everything");
    EXPECT_TRUE(usage.started);
    EXPECT_EQ(usage.exitCode, 2);
}

namespace {

// Runs the window helper on the desktop and talks to it line by line.
class WindowHelper {
public:
    explicit WindowHelper(const TestDesktop& desktop) {
        QProcessEnvironment env = desktop.environment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start(QStringLiteral(TILEBAY_SHELL_WINDOW_HELPER), QStringList{});
    }
    ~WindowHelper() {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(5000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    QString ReadLine() {
        QDeadlineTimer deadline(15000);
        while (!process_.canReadLine()) {
            if (deadline.hasExpired() || !process_.waitForReadyRead(100)) {
                if (deadline.hasExpired() || process_.state() != QProcess::Running) {
                    return QStringLiteral("<no answer>");
                }
            }
        }
        return QString::fromUtf8(process_.readLine()).trimmed();
    }
    QString Send(const QString& command) {
        process_.write(command.toUtf8() + '\n');
        process_.waitForBytesWritten(3000);
        return ReadLine();
    }

private:
    QProcess process_;
};

}  // namespace

TEST(X11ShellEffects, QtWindowAboveStateAndOpacity) {
    XDesktop::Options options;
    options.panel = true;
    XDesktop desktop(options);
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    WindowHelper helper(desktop);
    const QString hello = helper.ReadLine();
    ASSERT_TRUE(hello.startsWith(QStringLiteral("window 0x"))) << hello.toStdString();
    const XWindowId window = hello.mid(7).toULongLong(nullptr, 16);
    ASSERT_TRUE(pwtest::waitFor([&] { return Shown(desktop, window); }));
    const QRect geometry = desktop.windowInfo(window).geometry;
    ASSERT_FALSE(StateOf(desktop, window).contains(kAbove));

    auto above = [&] { return StateOf(desktop, window).contains(kAbove); };
    ASSERT_EQ(helper.Send(QStringLiteral("above 1")), QStringLiteral("ok"));
    EXPECT_TRUE(pwtest::waitFor(above));
    EXPECT_EQ(desktop.windowInfo(window).geometry, geometry);
    ASSERT_EQ(helper.Send(QStringLiteral("above 0")), QStringLiteral("ok"));
    EXPECT_TRUE(pwtest::waitFor([&] { return !above(); }));
    EXPECT_EQ(desktop.windowInfo(window).geometry, geometry);
    EXPECT_TRUE(Shown(desktop, window));

    // Set while unmapped, the state is there when the window is mapped; also
    // when it is set before the window manager has taken in the unmap, on
    // which openbox drops the window's state: it is held stopped meanwhile.
    const qint64 windowManager = desktop.processIds().at(1);  // after the server
    auto processState = [&] {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(windowManager));
        const QByteArray line = stat.open(QIODevice::ReadOnly) ? stat.readAll() : QByteArray();
        return line.mid(line.lastIndexOf(')') + 2, 1);
    };
    ::kill(static_cast<pid_t>(windowManager), SIGSTOP);
    const bool stopped = pwtest::waitFor([&] { return processState() == "T"; });
    const QString hidden = helper.Send(QStringLiteral("hide"));
    const bool unmapped = pwtest::waitFor([&] { return !desktop.windowInfo(window).mapped(); });
    const QString set = helper.Send(QStringLiteral("above 1"));
    ::kill(static_cast<pid_t>(windowManager), SIGCONT);
    ASSERT_TRUE(stopped && unmapped);
    ASSERT_EQ(hidden, QStringLiteral("ok"));
    ASSERT_EQ(set, QStringLiteral("ok"));
    EXPECT_TRUE(pwtest::waitFor([&] {
        return !desktop.property(window, QStringLiteral("WM_STATE")).has_value() && above();
    }));
    ASSERT_EQ(helper.Send(QStringLiteral("show")), QStringLiteral("ok"));
    ASSERT_TRUE(pwtest::waitFor([&] { return Shown(desktop, window); }));
    EXPECT_TRUE(pwtest::waitFor(above));

    // Opacity: out-of-range values change nothing, in range sets the full
    // 32-bit scale, and nothing removes it again.
    auto opacity = [&] { return desktop.property(window, kOpacity); };
    ASSERT_EQ(helper.Send(QStringLiteral("opacity 256")), QStringLiteral("ok"));
    ASSERT_EQ(helper.Send(QStringLiteral("opacity -1")), QStringLiteral("ok"));
    EXPECT_FALSE(opacity().has_value());
    ASSERT_EQ(helper.Send(QStringLiteral("opacity 255")), QStringLiteral("ok"));
    EXPECT_EQ(opacity(), QStringList{QStringLiteral("4294967295")});
    ASSERT_EQ(helper.Send(QStringLiteral("opacity 128")), QStringLiteral("ok"));
    EXPECT_EQ(opacity(), QStringList{QString::number(0x80808080u)});
    ASSERT_EQ(helper.Send(QStringLiteral("opacity 0")), QStringLiteral("ok"));
    EXPECT_EQ(opacity(), QStringList{QStringLiteral("0")});
    ASSERT_EQ(helper.Send(QStringLiteral("opacity 256")), QStringLiteral("ok"));
    ASSERT_EQ(helper.Send(QStringLiteral("opacity -1")), QStringLiteral("ok"));
    EXPECT_EQ(opacity(), QStringList{QStringLiteral("0")});

    // Our own windows are never taken for the taskbar, even typed as docks.
    ASSERT_EQ(helper.Send(QStringLiteral("dock")), QStringLiteral("ok"));
    ASSERT_EQ(helper.Send(QStringLiteral("taskbar 0")), QStringLiteral("ok"));
    ASSERT_TRUE(pwtest::waitFor([&] { return Hidden(desktop, desktop.panelWindow()); }));
    EXPECT_TRUE(desktop.windowInfo(window).viewable());
    ASSERT_EQ(helper.Send(QStringLiteral("taskbar 1")), QStringLiteral("ok"));
    EXPECT_TRUE(pwtest::waitFor([&] { return Shown(desktop, desktop.panelWindow()); }));
}

TEST(X11ShellEffects, LosingTheServerOrHavingNoneEndsNothing) {
    auto desktop = std::make_unique<XDesktop>();
    ASSERT_TRUE(desktop->ok()) << desktop->error().toStdString();
    auto effects = EffectsOn(*desktop);
    effects->ShowTaskbar(false);
    effects->ShowTaskbar(true);
    desktop.reset();  // the server goes away under an open connection
    effects->ShowTaskbar(false);
    effects->ShowDesktopIcons(true);
    effects->SetAlwaysOnTop(0x200001, true);
    effects->SetWindowOpacity(0x200001, 10);

    // The tool without any display does nothing and reports no failure.
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral(TILEBAY_SHELL_TOOL), {QStringLiteral("hide-taskbar")});
    ASSERT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0);
}

// Effects that have no server of their own touch nothing, even with a live
// desktop on DISPLAY: without a display name the program gets the effects
// that do nothing, and effects whose display cannot be opened neither fall
// back to DISPLAY nor fail, call after call.
TEST(ShellEffectsWithoutServer, EveryCallDoesNothing) {
    XDesktop desktop(FullDesktop());
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    const XWindowId panel = desktop.panelWindow();
    const XWindowId icons = desktop.desktopIconsWindow();
    ASSERT_TRUE(Shown(desktop, panel));
    ASSERT_TRUE(Shown(desktop, icons));
    const QStringList panelStates = StateOf(desktop, panel);
    ASSERT_TRUE(panelStates.contains(kAbove));
    const QStringList iconStates = StateOf(desktop, icons);

    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    std::unique_ptr<tilebay::ShellEffects> none = tilebay::MakeDesktopShellEffects();
    ASSERT_NE(none, nullptr);
    const tilebay::ShellEffects& noneRef = *none;
    const auto nullEffects = tilebay::MakeNullShellEffects();
    const tilebay::ShellEffects& nullRef = *nullEffects;
    EXPECT_EQ(typeid(noneRef), typeid(nullRef));

    qputenv("DISPLAY", desktop.display().toLocal8Bit());
    tilebay::ShellBackendChoice unreachable;
    unreachable.desktop = unreachable.windows = true;
    unreachable.display = QByteArray(":65000");
    std::unique_ptr<tilebay::ShellEffects> lost = tilebay::MakeX11ShellEffects(unreachable);
    for (tilebay::ShellEffects* effects : {none.get(), lost.get()}) {
        for (int round = 0; round < 2; ++round) {
            effects->ShowTaskbar(false);
            effects->ShowDesktopIcons(false);
            // The dock is above the rest: taking that away would show.
            effects->SetAlwaysOnTop(static_cast<WId>(panel), false);
            effects->SetWindowOpacity(static_cast<WId>(panel), 0);
        }
    }
    if (display.isEmpty()) {
        qunsetenv("DISPLAY");
    } else {
        qputenv("DISPLAY", display);
    }

    // Whatever had reached the server would show by now: the sync of
    // xprop's own requests comes after ours.
    EXPECT_TRUE(Shown(desktop, panel));
    EXPECT_TRUE(Shown(desktop, icons));
    EXPECT_EQ(StateOf(desktop, panel), panelStates);
    EXPECT_EQ(StateOf(desktop, icons), iconStates);
    EXPECT_FALSE(desktop.property(panel, kSaved).has_value());
    EXPECT_FALSE(desktop.property(icons, kSaved).has_value());
    EXPECT_FALSE(desktop.property(panel, kOpacity).has_value());
}

// An override-redirect window in the ordinary band ("Always On Top" off)
// stays in front after Raise: a window mapped before the raise but read
// after it, a move of that window and a window of no window manager leave
// it there; a window mapped after the raise covers it. The effects read
// events only while the test runs the event loop.
TEST(X11ShellEffects, RaisedWindowInTheOrdinaryBandStaysInFrontTillAWindowComesUpAfterIt) {
    int argc = 1;
    char name[] = "x11_effects_test";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    XDesktop::Options options;
    options.panel = true;  // managed: the window manager has finished starting
    XDesktop desktop(options);
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    const std::unique_ptr<Display, int (*)(Display*)> x(
        XOpenDisplay(desktop.display().toLocal8Bit().constData()), XCloseDisplay);
    ASSERT_NE(x.get(), nullptr);
    // A window, in a frame of the window manager or not, once it is shown.
    const auto show = [&](bool managed, int size) {
        XSetWindowAttributes attributes{};
        attributes.override_redirect = managed ? False : True;
        const Window window =
            XCreateWindow(x.get(), DefaultRootWindow(x.get()), 0, 0, size, size, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(x.get(), window);
        XSync(x.get(), False);
        pwtest::waitFor([&] { return desktop.windowInfo(window).viewable(); });
        return static_cast<XWindowId>(window);
    };
    const auto frame = [&](XWindowId client) { return desktop.windowInfo(client).parent; };
    const auto over = [&](XWindowId upper, XWindowId lower) {
        const auto order = desktop.topLevelWindows();  // from the top
        const auto at = std::find(order.begin(), order.end(), upper);
        return at != order.end() && std::find(at, order.end(), lower) != order.end();
    };

    const XWindowId panel = show(false, 300);
    auto effects = EffectsOn(desktop);
    effects->SetAlwaysOnTop(static_cast<WId>(panel), false);
    const XWindowId first = show(true, 100);
    effects->Raise(static_cast<WId>(panel));
    const QStringList move{QStringLiteral("windowmove"), QStringLiteral("--sync"),
                           QString::number(first), QStringLiteral("60"), QStringLiteral("60")};
    ASSERT_TRUE(desktop.run(QStringLiteral("xdotool"), move).ok());
    show(false, 20);
    // The call reads what the server has sent so far; the loop handles it.
    effects->SetAlwaysOnTop(static_cast<WId>(panel), false);
    QCoreApplication::processEvents();
    EXPECT_TRUE(over(panel, frame(first)));

    const XWindowId second = show(true, 100);
    EXPECT_TRUE(pwtest::waitFor([&] {
        QCoreApplication::processEvents();
        return over(frame(second), panel);
    }));
    EXPECT_TRUE(over(panel, frame(first)));
}
