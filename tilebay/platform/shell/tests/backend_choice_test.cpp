#include "x11_shell_effects.h"

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

// Every effect without a reachable X server returns quietly.
TEST(ShellEffectsWithoutServer, EveryCallDoesNothing) {
    qunsetenv("DISPLAY");
    auto effects = tilebay::MakeDesktopShellEffects();
    ASSERT_NE(effects, nullptr);
    effects->ShowTaskbar(false);
    effects->ShowDesktopIcons(false);
    effects->SetAlwaysOnTop(0x400001, true);
    effects->SetWindowOpacity(0x400001, 128);
    effects->ShowTaskbar(true);
    effects->ShowDesktopIcons(true);

    // A display name that names no server: the connection fails once and
    // every later call stays silent.
    tilebay::ShellBackendChoice unreachable;
    unreachable.desktop = unreachable.windows = true;
    unreachable.display = QByteArray(":65000");
    auto x11 = tilebay::MakeX11ShellEffects(unreachable);
    for (int round = 0; round < 2; ++round) {
        x11->ShowTaskbar(false);
        x11->ShowDesktopIcons(true);
        x11->SetAlwaysOnTop(0x400001, false);
        x11->SetWindowOpacity(0x400001, 0);
    }
}
