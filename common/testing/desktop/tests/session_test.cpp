#include "common/testing/desktop/test_desktop.h"
#include "common/testing/wait_for.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include "common/testing/qt_printers.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using pwtest::TestDesktop;
using pwtest::XDesktop;

namespace {

bool alive(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

// Whether a server accepts connections on the Unix socket at `path`.
bool Listening(const QString& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    std::memcpy(address.sun_path, name.constData(),
                std::min(static_cast<size_t>(name.size()), sizeof address.sun_path - 1));
    const bool listening =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return listening;
}

}  // namespace

// One full session: the server, the window manager, the compositor, the dock
// and the icon view come up managed and mapped, and all of it is gone after
// teardown. Beside the compositor, the dock window found at start stays the
// dock's: tint2 looks for a compositor every half second after its start and,
// on finding one, restarts with windows made anew, at times under other ids,
// so a mark of the test's own on the window found would be gone within a
// second or so.
TEST(TestDesktopSession, StartsEveryProgramAndEndsThemAll) {
    qint64 panelPid = 0;
    qint64 iconsPid = 0;
    QString socket;
    {
        XDesktop::Options options;
        options.panel = true;
        options.desktopIcons = true;
        options.compositor = true;
        XDesktop desktop(options);
        ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
        ASSERT_TRUE(desktop.display().startsWith(QLatin1Char(':')));
        EXPECT_EQ(desktop.environment().value(QStringLiteral("DISPLAY")), desktop.display());
        EXPECT_EQ(desktop.environment().value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS")),
                  QStringLiteral("disabled:"));
        socket = QStringLiteral("/tmp/.X11-unix/X") + desktop.display().mid(1);
        EXPECT_TRUE(QFileInfo::exists(socket));

        panelPid = desktop.panelPid();
        iconsPid = desktop.desktopIconsPid();
        const auto clients = desktop.clientList();
        for (auto window : {desktop.panelWindow(), desktop.desktopIconsWindow()}) {
            ASSERT_NE(window, 0u);
            EXPECT_NE(std::find(clients.begin(), clients.end(), window), clients.end());
            const pwtest::XWindowInfo info = desktop.windowInfo(window);
            EXPECT_TRUE(info.viewable());
            EXPECT_FALSE(info.overrideRedirect);
        }
        EXPECT_EQ(desktop.property(desktop.panelWindow(), QStringLiteral("_NET_WM_PID")),
                  QStringList{QString::number(panelPid)});
        const auto docks = desktop.windowsOfType(QStringLiteral("_NET_WM_WINDOW_TYPE_DOCK"));
        EXPECT_NE(std::find(docks.begin(), docks.end(), desktop.panelWindow()), docks.end());
        const auto desktops = desktop.windowsOfType(QStringLiteral("_NET_WM_WINDOW_TYPE_DESKTOP"));
        EXPECT_EQ(desktops, std::vector<pwtest::XWindowId>{desktop.desktopIconsWindow()});

        const pwtest::XWindowId panel = desktop.panelWindow();
        ASSERT_TRUE(desktop
                        .run(S("xprop"),
                             {S("-id"), S("0x") + QString::number(panel, 16), S("-f"),
                              S("PW_TEST_MARK"), S("8s"), S("-set"), S("PW_TEST_MARK"), S("found")})
                        .ok());
        const auto marked = [&] {
            const auto mark = desktop.property(panel, S("PW_TEST_MARK"));
            return mark && !mark->isEmpty();
        };
        ASSERT_TRUE(marked());
        EXPECT_FALSE(pwtest::waitFor([&] { return !marked(); }, std::chrono::seconds(2)));
        EXPECT_TRUE(desktop.windowInfo(panel).viewable());
    }
    EXPECT_FALSE(alive(panelPid));
    EXPECT_FALSE(alive(iconsPid));
    // The server's socket is gone. A server of a test running beside this one
    // may have taken the freed display number at once: a socket there is then
    // that server's, which accepts connections, where one left behind would not.
    EXPECT_TRUE(pwtest::waitFor([&] { return !QFileInfo::exists(socket) || Listening(socket); }));
}

TEST(TestDesktopSession, BareServerWithoutWindowManager) {
    XDesktop::Options options;
    options.windowManager = false;
    XDesktop desktop(options);
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    EXPECT_FALSE(desktop.property(0, QStringLiteral("_NET_SUPPORTING_WM_CHECK")).has_value());
    EXPECT_TRUE(desktop.windowInfo(0x12345).exists == false);
    EXPECT_FALSE(desktop.property(0x12345, QStringLiteral("WM_NAME")).has_value());
}

// pw-x-session: the command runs on the session's display with the asked
// programs up, its status comes back, and nothing of the session outlives it.
TEST(XSessionCommand, RunsTheCommandInTheSessionAndEndsTheSessionAfterIt) {
    QProcess session;
    session.start(
        S(PW_X_SESSION),
        {S("--panel"), S("--compositor"), S("--size"), S("800x600"), S("--"), S("sh"), S("-c"),
         S("xprop -root _NET_SUPPORTING_WM_CHECK >/dev/null || exit 9; "
           "xdpyinfo | grep -o '800x600 pixels' || exit 9; "
           "echo \"$DISPLAY|$PW_X_SESSION|$QT_QPA_PLATFORM|$PW_X_SESSION_PIDS\"; "
           "sleep 600 & echo $!; exit 7")});
    ASSERT_TRUE(session.waitForFinished(60000));
    EXPECT_EQ(session.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(session.exitCode(), 7) << session.readAllStandardError().toStdString();
    const QStringList lines =
        QString::fromLatin1(session.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << lines.join(u'\n').toStdString();
    EXPECT_EQ(lines[0], S("800x600 pixels"));
    const QStringList fields = lines[1].split(u'|');
    ASSERT_EQ(fields.size(), 4);
    EXPECT_TRUE(fields[0].startsWith(u':'));
    EXPECT_EQ(fields[1], fields[0]);
    EXPECT_EQ(fields[2], S("xcb"));
    QStringList pids = fields[3].split(u' ', Qt::SkipEmptyParts);
    EXPECT_EQ(pids.size(), 4);  // Xvfb, openbox, xcompmgr, tint2
    pids << lines[2];           // the command's background program
    for (const QString& pid : pids) {
        EXPECT_TRUE(pwtest::waitFor([&] { return !alive(pid.toLongLong()); }))
            << "process " << pid.toStdString() << " outlived the session";
    }
    // (The display's socket is not checked: a server of a test running beside
    // this one may take the freed display number at once.)

    // A bad command line and a command that is not there.
    QProcess wrong;
    wrong.start(S(PW_X_SESSION), {S("--panel")});
    ASSERT_TRUE(wrong.waitForFinished(10000));
    EXPECT_EQ(wrong.exitCode(), 2);
    EXPECT_TRUE(wrong.readAllStandardError().contains("Usage: pw-x-session"));
    QProcess missing;
    missing.start(S(PW_X_SESSION), {S("--no-window-manager"), S("--"), S("/nonexistent/tool")});
    ASSERT_TRUE(missing.waitForFinished(30000));
    EXPECT_EQ(missing.exitCode(), 127);
}

// When the session's owner dies without running destructors (here
// pw-x-session itself, killed by its command), the session's programs and
// the command end with it.
TEST(XSessionCommand, ProgramsEndWhenTheOwnerDies) {
    QProcess session;
    session.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    session.start(S(PW_X_SESSION),
                  {S("--panel"), S("--"), S("sh"), S("-c"),
                   S("echo $PW_X_SESSION_PIDS $$; kill -KILL $PPID; exec sleep 600")});
    ASSERT_TRUE(session.waitForFinished(60000));
    EXPECT_EQ(session.exitStatus(), QProcess::CrashExit);
    const QStringList pids =
        QString::fromLatin1(session.readAllStandardOutput()).split(u' ', Qt::SkipEmptyParts);
    ASSERT_EQ(pids.size(), 4);  // Xvfb, openbox, tint2, the command
    for (const QString& pid : pids) {
        EXPECT_TRUE(pwtest::waitFor([&] { return !alive(pid.trimmed().toLongLong()); }))
            << "process " << pid.toStdString() << " outlived its owner";
    }
}

// A TERM signal to pw-x-session (a test runner's time-out, Ctrl+C) reaches
// the command, whose own cleanup runs; its status comes back, and the
// session ends after it.
TEST(XSessionCommand, PassesTerminationOnToTheCommand) {
    QProcess session;
    session.start(S(PW_X_SESSION), {S("--no-window-manager"), S("--"), S("sh"), S("-c"),
                                    S("trap 'echo cleaned; exit 5' TERM; echo $PW_X_SESSION_PIDS; "
                                      "while :; do sleep 0.1; done")});
    ASSERT_TRUE(pwtest::waitFor([&] {
        session.waitForReadyRead(100);
        return session.canReadLine();
    }));
    const QString server = QString::fromLatin1(session.readLine()).trimmed();
    ASSERT_FALSE(server.isEmpty());
    ASSERT_EQ(::kill(static_cast<pid_t>(session.processId()), SIGTERM), 0);
    ASSERT_TRUE(session.waitForFinished(30000));
    EXPECT_EQ(session.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(session.exitCode(), 5);
    EXPECT_EQ(session.readAllStandardOutput().trimmed(), QByteArray("cleaned"));
    EXPECT_TRUE(pwtest::waitFor([&] { return !alive(server.toLongLong()); }));
}
