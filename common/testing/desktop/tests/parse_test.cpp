#include "common/testing/desktop/test_desktop.h"

#include <gtest/gtest.h>

#include "common/testing/desktop/x_session.h"
#include "common/testing/qt_printers.h"

using pwtest::TestDesktop;

TEST(TestDesktopParse, XpropValuesWindowListsAndMissingProperties) {
    EXPECT_EQ(
        TestDesktop::parseXprop(QStringLiteral("_NET_WM_STATE(ATOM) = _NET_WM_STATE_SKIP_TASKBAR, "
                                               "_NET_WM_STATE_ABOVE\n"),
                                QStringLiteral("_NET_WM_STATE")),
        (QStringList{QStringLiteral("_NET_WM_STATE_SKIP_TASKBAR"),
                     QStringLiteral("_NET_WM_STATE_ABOVE")}));
    EXPECT_EQ(TestDesktop::parseXprop(
                  QStringLiteral("_NET_CLIENT_LIST(WINDOW): window id # 0x400003, 0x600008\n"),
                  QStringLiteral("_NET_CLIENT_LIST")),
              (QStringList{QStringLiteral("0x400003"), QStringLiteral("0x600008")}));
    EXPECT_EQ(
        TestDesktop::parseXprop(QStringLiteral("_NET_WM_WINDOW_OPACITY(CARDINAL) = 4294967295\n"),
                                QStringLiteral("_NET_WM_WINDOW_OPACITY")),
        QStringList{QStringLiteral("4294967295")});
    // Present but empty differs from absent.
    const auto empty = TestDesktop::parseXprop(QStringLiteral("_NET_WM_STATE(ATOM) = \n"),
                                               QStringLiteral("_NET_WM_STATE"));
    ASSERT_TRUE(empty.has_value());
    EXPECT_TRUE(empty->isEmpty());
    EXPECT_FALSE(TestDesktop::parseXprop(QStringLiteral("_NET_WM_STATE:  not found.\n"),
                                         QStringLiteral("_NET_WM_STATE"))
                     .has_value());
    // A property whose name starts with the asked name is another property.
    EXPECT_FALSE(TestDesktop::parseXprop(QStringLiteral("_NET_WM_STATE_X(ATOM) = A\n"),
                                         QStringLiteral("_NET_WM_STATE"))
                     .has_value());
}

TEST(TestDesktopParse, XwininfoFieldsAndWindowIds) {
    const QString output = QStringLiteral(
        "xwininfo: Window id: 0x600008 \"tint2\"\n\n"
        "  Root window id: 0x50d (the root window) (has no name)\n"
        "  Parent window id: 0x2002ae (has no name)\n"
        "     0 children.\n\n"
        "  Absolute upper-left X:  0\n  Absolute upper-left Y:  738\n"
        "  Relative upper-left X:  0\n  Relative upper-left Y:  0\n"
        "  Width: 1024\n  Height: 30\n  Depth: 24\n"
        "  Map State: IsViewable\n  Override Redirect State: no\n");
    const pwtest::XWindowInfo info = TestDesktop::parseXwininfo(output);
    EXPECT_TRUE(info.exists);
    EXPECT_TRUE(info.viewable());
    EXPECT_FALSE(info.overrideRedirect);
    EXPECT_EQ(info.geometry, QRect(0, 738, 1024, 30));
    EXPECT_EQ(info.parent, 0x2002aeu);
    EXPECT_FALSE(TestDesktop::parseXwininfo(QStringLiteral("X Error of failed request")).exists);

    EXPECT_EQ(TestDesktop::parseWindowIds(QStringLiteral("6291464\n4194305\n")),
              (std::vector<pwtest::XWindowId>{6291464, 4194305}));
    EXPECT_EQ(TestDesktop::parseWindowIds(QStringLiteral("0x400003, 0x0, 0x600008")),
              (std::vector<pwtest::XWindowId>{0x400003, 0x600008}));
}

// pw-x-session's command line: the options before "--", the command after.
TEST(TestDesktopParse, SessionCommandLines) {
    const auto parse = [](const char* line) {
        return pwtest::ParseSessionCommand(
            (S("pw-x-session ") + S(line)).split(u' ', Qt::SkipEmptyParts));
    };
    const auto full = parse("--panel --desktop-icons --compositor --size 800x600 -- sh -c --panel");
    ASSERT_TRUE(full.ok()) << full.outcome.err.toStdString();
    EXPECT_TRUE(full.options.windowManager);
    EXPECT_TRUE(full.options.panel);
    EXPECT_TRUE(full.options.desktopIcons);
    EXPECT_TRUE(full.options.compositor);
    EXPECT_EQ(full.options.width, 800);
    EXPECT_EQ(full.options.height, 600);
    EXPECT_EQ(full.command, (QStringList{S("sh"), S("-c"), S("--panel")}));

    const auto bare = parse("--no-window-manager -- true");
    ASSERT_TRUE(bare.ok());
    EXPECT_FALSE(bare.options.windowManager);
    EXPECT_FALSE(bare.options.panel || bare.options.desktopIcons || bare.options.compositor);
    EXPECT_EQ(bare.options.width, 1024);
    EXPECT_EQ(bare.command, QStringList{S("true")});

    for (const char* wrong :
         {"--panel", "--panel --", "true", "--size -- true", "--size 800 -- true",
          "--size 0x600 -- true", "--colour -- true", "--no-window-manager --panel -- true"}) {
        EXPECT_EQ(parse(wrong).outcome.exitCode, 2) << wrong;
    }
    EXPECT_EQ(parse("--help").outcome.exitCode, 0);
    EXPECT_TRUE(parse("--wayland -- true").wayland);
    EXPECT_EQ(parse("--wayland --panel -- true").outcome.exitCode, 2);
}

// swaymsg -r -t get_outputs: name, state and place of each output.
TEST(TestDesktopParse, SwayOutputs) {
    const auto outputs = pwtest::WaylandDesktop::parseSwayOutputs(
        S(R"([{"name": "HEADLESS-1", "active": true, "rect": {"x": 0, "y": 0, "width": 800,
             "height": 600}}, {"name": "HEADLESS-2", "active": false, "rect": {"x": 800,
             "y": 0, "width": 0, "height": 0}}])"));
    ASSERT_EQ(outputs.size(), 2u);
    EXPECT_EQ(outputs[0].name, S("HEADLESS-1"));
    EXPECT_TRUE(outputs[0].active);
    EXPECT_EQ(outputs[0].rect, QRect(0, 0, 800, 600));
    EXPECT_FALSE(outputs[1].active);
    EXPECT_TRUE(pwtest::WaylandDesktop::parseSwayOutputs(S("not json")).empty());
}
