#include "common/testing/desktop/test_desktop.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <algorithm>
#include <cerrno>
#include <csignal>

using pwtest::TestDesktop;

namespace {

bool alive(qint64 pid) {
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH;
}

}  // namespace

// One full session: the server, the window manager, the dock and the icon
// view come up managed and mapped, and all of it is gone after teardown.
TEST(TestDesktopSession, StartsEveryProgramAndEndsThemAll) {
    qint64 panelPid = 0;
    qint64 iconsPid = 0;
    QString socket;
    {
        TestDesktop::Options options;
        options.panel = true;
        options.desktopIcons = true;
        TestDesktop desktop(options);
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
    }
    EXPECT_FALSE(alive(panelPid));
    EXPECT_FALSE(alive(iconsPid));
    EXPECT_FALSE(QFileInfo::exists(socket));
}

TEST(TestDesktopSession, BareServerWithoutWindowManager) {
    TestDesktop::Options options;
    options.windowManager = false;
    TestDesktop desktop(options);
    ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
    EXPECT_FALSE(desktop.property(0, QStringLiteral("_NET_SUPPORTING_WM_CHECK")).has_value());
    EXPECT_TRUE(desktop.windowInfo(0x12345).exists == false);
    EXPECT_FALSE(desktop.property(0x12345, QStringLiteral("WM_NAME")).has_value());
}

// A test process that dies without running destructors still takes its
// session with it.
TEST(TestDesktopSession, ProgramsEndWhenTheTestProcessDies) {
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QStringLiteral("/proc/self/exe"), {QStringLiteral("--abort-within-session")});
    ASSERT_TRUE(child.waitForFinished(30000));
    EXPECT_EQ(child.exitStatus(), QProcess::CrashExit);
    const QStringList pids = QString::fromLatin1(child.readAllStandardOutput())
                                 .split(QLatin1Char(' '), Qt::SkipEmptyParts);
    ASSERT_EQ(pids.size(), 3);  // Xvfb, openbox, tint2
    for (const QString& pid : pids) {
        EXPECT_TRUE(TestDesktop::waitUntil([&] { return !alive(pid.toLongLong()); }))
            << "process " << pid.toStdString() << " outlived the test process";
    }
}

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--abort-within-session") == 0) {
        TestDesktop::Options options;
        options.panel = true;
        TestDesktop desktop(options);
        if (!desktop.ok()) {
            return 1;
        }
        for (qint64 pid : desktop.processIds()) {
            std::printf("%lld ", static_cast<long long>(pid));
        }
        std::fflush(stdout);
        std::abort();
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
