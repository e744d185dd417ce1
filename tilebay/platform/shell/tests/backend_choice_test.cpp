#include "tilebay/platform/shell/x11_shell_effects.h"

#include <gtest/gtest.h>

using tilebay::ChooseShellBackend;

TEST(ShellBackendChoice, FollowsQtPlatformAndDisplay) {
    const QByteArray env(":7");

    // Under Wayland nothing is touched, even with an X display around.
    auto choice = ChooseShellBackend(QStringLiteral("wayland"), {}, env);
    EXPECT_FALSE(choice.desktop);
    EXPECT_FALSE(choice.windows);
    choice = ChooseShellBackend(QStringLiteral("wayland-egl"), {}, env);
    EXPECT_FALSE(choice.desktop || choice.windows);

    // xcb: everything, on the display Qt is connected to.
    choice = ChooseShellBackend(QStringLiteral("xcb"), QByteArray(":3"), env);
    EXPECT_TRUE(choice.desktop && choice.windows);
    EXPECT_EQ(choice.display, QByteArray(":3"));
    choice = ChooseShellBackend(QStringLiteral("xcb"), {}, env);
    EXPECT_EQ(choice.display, env);

    // No GUI application: window ids handed in are X windows.
    choice = ChooseShellBackend({}, {}, env);
    EXPECT_TRUE(choice.desktop && choice.windows);
    EXPECT_EQ(choice.display, env);

    // Offscreen windows are no X windows; the desktop still is.
    choice = ChooseShellBackend(QStringLiteral("offscreen"), {}, env);
    EXPECT_TRUE(choice.desktop);
    EXPECT_FALSE(choice.windows);

    // No display at all: nothing.
    for (const QString& platform : {QString(), QStringLiteral("offscreen")}) {
        choice = ChooseShellBackend(platform, {}, {});
        EXPECT_FALSE(choice.desktop || choice.windows) << platform.toStdString();
    }
}
