#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

#include <cerrno>
#include <csignal>

#include "common/testing/desktop/test_desktop.h"
#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"

using pwtest::WaylandDesktop;

// The Wayland session: sway as an unprivileged user with both outputs side by side, its
// sockets and XWayland in the environment, the pointer tool answering, typed keys reaching an X
// client as the keys meant, an output added at run time, and nothing left after teardown.
TEST(TestDesktopWayland, SwayWithTwoOutputsXWaylandPointerAndKeyboardEndsWithTheSession) {
    qint64 swayPid = 0;
    QString socket;
    {
        WaylandDesktop::Options options;
        options.width = 800;
        options.height = 600;
        WaylandDesktop desktop(options);
        ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
        swayPid = desktop.processIds().front();
        socket = desktop.environment().value(S("WAYLAND_DISPLAY"));
        EXPECT_TRUE(socket.startsWith(u'/')) << socket.toStdString();
        EXPECT_TRUE(QFileInfo(socket).exists());
        if (::getuid() == 0) {
            EXPECT_EQ(QFileInfo(socket).ownerId(), 65534u);
        }

        const auto outputs = desktop.outputs();
        ASSERT_EQ(outputs.size(), 2u);
        EXPECT_EQ(outputs[0].name, S("HEADLESS-1"));
        EXPECT_EQ(outputs[0].rect, QRect(0, 0, 800, 600));
        EXPECT_EQ(outputs[1].name, S("HEADLESS-2"));
        EXPECT_EQ(outputs[1].rect, QRect(800, 0, 800, 600));

        // XWayland answers X clients on the display sway hands out.
        EXPECT_TRUE(desktop.display().startsWith(u':'));
        const auto xprop = desktop.run(S("xprop"), {S("-root"), S("_NET_SUPPORTING_WM_CHECK")});
        EXPECT_TRUE(xprop.ok()) << xprop.err.toStdString();

        // Letters, Shift for a capital and a key by name reach the focused X window through
        // XWayland in order, as the keys meant; a keysym the keymap lacks is refused.
        QProcess xev;
        xev.setProcessEnvironment(desktop.environment());
        xev.start(S("stdbuf"),
                  {S("-oL"), S("xev"), S("-event"), S("keyboard"), S("-event"), S("focus")});
        QString events;
        const auto seen = [&](const QString& what) {
            return pwtest::waitFor([&] {
                xev.waitForReadyRead(20);
                events += QString::fromLocal8Bit(xev.readAllStandardOutput());
                return events.contains(what);
            });
        };
        ASSERT_TRUE(seen(S("FocusIn"))) << events.toStdString();
        EXPECT_TRUE(desktop.type(S("aB")));
        EXPECT_TRUE(desktop.type(S("Escape"), true));
        EXPECT_FALSE(desktop.type(S("NoSuchKeysym"), true));
        ASSERT_TRUE(seen(S("Escape)"))) << events.toStdString();
        QStringList pressed;
        static const QRegularExpression kPress(
            S("KeyPress event.*?\\(keysym 0x[0-9a-f]+, (\\w+)\\)"),
            QRegularExpression::DotMatchesEverythingOption);
        for (const auto& match : kPress.globalMatch(events)) {
            pressed << match.captured(1);
        }
        EXPECT_EQ(pressed, QStringList({S("a"), S("Shift_L"), S("B"), S("Escape")}));
        xev.kill();
        xev.waitForFinished();

        EXPECT_TRUE(desktop.pointerTo(1000, 300));
        EXPECT_FALSE(desktop.pointerTo(1700, 300));  // off the layout
        // An output that comes at run time (headless outputs of wlroots 0.15 cannot be
        // switched off) widens the layout.
        EXPECT_TRUE(desktop.swaymsg({S("create_output")}).ok());
        EXPECT_TRUE(pwtest::waitFor([&] { return desktop.outputs().size() == 3; }));
        EXPECT_TRUE(desktop.pointerTo(1700, 300, true));
    }
    EXPECT_TRUE(::kill(static_cast<pid_t>(swayPid), 0) != 0 && errno == ESRCH);
    EXPECT_FALSE(QFileInfo::exists(socket));
}
