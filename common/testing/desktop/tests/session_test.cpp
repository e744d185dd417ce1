#include "test_desktop.h"

#include <gtest/gtest.h>

#include <QFileInfo>

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
