// tilebay end to end on Wayland, under headless sway run as an unprivileged user (TestDesktop's
// Wayland session): the panel as a layer surface on the named output, revealed by the pointer,
// `tilebay --toggle` with typing, Enter and Escape, rows dragged out to and files dragged in from
// another Wayland client, an output that comes at run time, the options that have no meaning there;
// then the same program on sway's XWayland without the layer-shell module, typing after --toggle
// included; and the figures of both beside Xvfb's (reveal latency, RSS), written to
// e2e-output/wayland-figures.txt.

#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <iostream>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"
#include "tilebay/app/testing/e2e_fixture.h"
#include "tilebay/platform/system/testing/marker_program.h"

// Xlib last: its macros (None, Bool, Status, ...) clash with Qt's headers.
#include <X11/Xlib.h>

namespace tilebay::testing {
namespace {

const QColor kPanel(180, 30, 30);

WaylandDesktop::Options Wayland() {
    WaylandDesktop::Options options;
    options.width = 800;
    options.height = 600;
    return options;
}

bool Near(const QColor& a, const QColor& b) {
    return qAbs(a.red() - b.red()) <= 8 && qAbs(a.green() - b.green()) <= 8 &&
           qAbs(a.blue() - b.blue()) <= 8;
}

// The resident memory of a process, as a line of the figures (its idle CPU is measured by
// tilebay/bench/run_panel_bench.sh).
QString RssFigure(qint64 pid) {
    const QString status = QString::fromLatin1(Read(S("/proc/%1/status").arg(pid)));
    const auto rss = QRegularExpression(S("VmRSS:\\s+(\\d+)")).match(status);
    return S("RSS %1 MiB").arg(rss.captured(1).toLong() / 1024.0, 0, 'f', 1);
}

// What XGrabKeyboard answers another X client on `display` (GrabSuccess, AlreadyGrabbed, ...);
// a grab it gets is released at once.
int GrabKeyboard(const QString& display) {
    Display* x = XOpenDisplay(display.toLocal8Bit().constData());
    if (x == nullptr) {
        return -1;
    }
    const int status =
        XGrabKeyboard(x, DefaultRootWindow(x), False, GrabModeAsync, GrabModeAsync, CurrentTime);
    XUngrabKeyboard(x, CurrentTime);
    XCloseDisplay(x);
    return status;
}

void AddFigure(const QString& line) {
    QFile file(S(TILEBAY_E2E_OUTPUT "/wayland-figures.txt"));
    if (file.open(QIODevice::Append)) {
        file.write(line.toUtf8() + '\n');
    }
    std::cout << "[figure] " << line.toStdString() << std::endl;
}

class TilebayWaylandE2E : public E2EFixture {
protected:
    explicit TilebayWaylandE2E(WaylandDesktop::Options options = Wayland()) : E2EFixture(options) {}

    void SetUp() override {
        E2EFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        program = root.filePath(S("prog"));
        // tilebay chooses its platform itself.
        env.remove(S("QT_QPA_PLATFORM"));
        env.remove(S("QT_PLUGIN_PATH"));
        WriteStyle(program, {S("Test"), 1, kPanel});
        ChooseStyle(program, S("Test"));
        marker = root.filePath(S("ran"));
        ASSERT_TRUE(WriteMarkerProgram(userDesktop + S("/alpha-tool"), marker + S("-alpha")));
        ASSERT_TRUE(WriteMarkerProgram(userDesktop + S("/beta-tool"), marker + S("-beta"), true));
    }

    // Types "beta", which leaves one row, and Enter, which starts it with the environment
    // tilebay was started with: the platform and shell plugin it chose are its own.
    void TypeBetaAndEnter() {
        ASSERT_TRUE(wayland->type(S("beta")));
        ASSERT_TRUE(wayland->type(S("Return"), true));
        EXPECT_TRUE(pwtest::waitFor([&] { return QFile::exists(marker + S("-beta")); }));
        EXPECT_FALSE(QFile::exists(marker + S("-alpha")));
        QFile file(marker + S("-beta.env"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList variables = QString::fromUtf8(file.readAll()).split(u'\n');
        EXPECT_TRUE(variables.contains(S("WAYLAND_DISPLAY=") + env.value(S("WAYLAND_DISPLAY"))));
        EXPECT_EQ(variables.filter(
                      QRegularExpression(S("^(QT_QPA_PLATFORM|QT_WAYLAND_SHELL_INTEGRATION)="))),
                  QStringList{});
    }

    QRect OutputRect(const QString& name) const {
        for (const auto& known : wayland->outputs()) {
            if (known.name == name) {
                return known.rect;
            }
        }
        return {};
    }
    // The colour at `at` (output coordinates) of a screenshot of `name`.
    QColor PixelOf(const QString& name, const QPoint& at) const {
        const QString path = output.filePath(S("wayland-") + name + S(".png"));
        if (!wayland->screenshot(name, path)) {
            return {};
        }
        const QImage image(path);
        return image.valid(at) ? image.pixelColor(at) : QColor();
    }
    // Whether the panel's list area (in view) or only its caption strip (retracted) shows on
    // `name`, docked left.
    bool InView(const QString& name, bool inView = true) const {
        return pwtest::waitFor(
            [&] { return Near(PixelOf(name, QPoint(120, 250)), kPanel) == inView; });
    }
    bool Retracted(const QString& name) const {
        return pwtest::waitFor([&] {
            return Near(PixelOf(name, QPoint(30, 8)), kPanel) &&
                   !Near(PixelOf(name, QPoint(120, 250)), kPanel);
        });
    }
    // Moves the pointer onto the caption strip of the panel docked left on `name` (two
    // motions: one entering, one moving over it).
    void Reveal(const QString& name) const {
        const QRect rect = OutputRect(name);
        wayland->pointerTo(rect.x() + 100, rect.y() + 300);
        wayland->pointerTo(rect.x() + 100, rect.y() + 6);
        wayland->pointerTo(rect.x() + 101, rect.y() + 5);
    }
    // Out across the bottom border strip.
    void Leave(const QString& name) const {
        const QRect rect = OutputRect(name);
        wayland->pointerTo(rect.x() + 100, rect.y() + kHeight - 3);
        wayland->pointerTo(rect.x() + 100, rect.y() + kHeight - 2);
        wayland->pointerTo(rect.x() + 100, rect.y() + 500);
    }
    void Click(const QString& name, int x, int y) const {
        const QRect rect = OutputRect(name);
        wayland->pointerTo(rect.x() + x, rect.y() + y + 1);
        wayland->pointerTo(rect.x() + x, rect.y() + y, true);
    }
    // tilebay with the layer-shell module, its panel on the output `screen`.
    void UseLayerShellOn(const char* screen) {
        env.insert(S("QT_PLUGIN_PATH"), S(TILEBAY_PLUGINS));
        WriteTestFile(QDir(program), S("options.ini"),
                      QByteArray("[OPTIONS]\nscreen=") + screen + '\n');
    }
    pwtest::ToolResult Toggle() const {
        return desktop->run(program + S("/tilebay"), {S("--toggle")});
    }
    QString Option(const char* key) const {
        return common::ReadIniValue(S("OPTIONS"), S(key), program + S("/options.ini"));
    }

    QString program;
    QString marker;
};

// The layer surface on the named output: revealed by the pointer, toggled with the keyboard,
// typing filters and Enter starts the one row left, Escape retracts; a row dragged out and a
// file dragged in; the taskbar option is disabled while always-on-top still works; a named output
// that comes at run time takes the panel over from the first one. Headless outputs of wlroots 0.15
// cannot be switched off; and sway 1.7 repaints the place a layer surface left only on an output at
// the layout's origin (it takes the old place for layout coordinates), so retraction is read on
// HEADLESS-1.
TEST_F(TilebayWaylandE2E, LayerSurfaceOnTheNamedOutputRevealToggleTypingOptionsAndNewOutput) {
#ifdef TILEBAY_NO_LAYER_SHELL
    GTEST_SKIP() << "built without the layer-shell module (TILEBAY_WAYLAND)";
#endif
    UseLayerShellOn("HEADLESS-2");
    const QString binary = CopyBuiltTilebay(program);
    ASSERT_TRUE(StartTilebay(binary));
    ASSERT_TRUE(Retracted(S("HEADLESS-2")));
    EXPECT_FALSE(Near(PixelOf(S("HEADLESS-1"), QPoint(30, 8)), kPanel));
    const QString log = wayland->swayLog();
    EXPECT_TRUE(
        log.contains(S("new layer surface: namespace tilebay layer 2 anchor 5 size 235x380")))
        << log.right(2000).toStdString();
    // The splash was an ordinary window.
    EXPECT_TRUE(log.contains(S("New xdg_shell toplevel title='Tilebay - Loading...'")));
    // The pointer drops it there too.
    QElapsedTimer clock;
    clock.start();
    Reveal(S("HEADLESS-2"));
    ASSERT_TRUE(InView(S("HEADLESS-2")));
    AddFigure(S("sway (layer shell): reveal latency %1 ms (pointer motion to the list drawn, "
                "grim polled)")
                  .arg(clock.elapsed()));

    // A named output that is not there yet: the first one, until it comes.
    tilebay.terminate();
    ASSERT_TRUE(tilebay.waitForFinished(10000));
    WriteTestFile(QDir(program), S("options.ini"), "[OPTIONS]\nscreen=HEADLESS-3\n");
    ASSERT_TRUE(StartTilebay(binary));
    ASSERT_TRUE(Retracted(S("HEADLESS-1")));
    // Reveal under the pointer, retract across the bottom strip.
    Reveal(S("HEADLESS-1"));
    ASSERT_TRUE(InView(S("HEADLESS-1")));
    // The taskbar box does nothing; always on top still does.
    Click(S("HEADLESS-1"), 30, 40);
    Click(S("HEADLESS-1"), 30, 16);
    EXPECT_TRUE(pwtest::waitFor([&] { return Option("alwaysontop") == S("ON"); }));
    EXPECT_NE(Option("taskbar"), S("ON"));
    Click(S("HEADLESS-1"), 30, 16);
    EXPECT_TRUE(pwtest::waitFor([&] { return Option("alwaysontop") == S("OFF"); }));
    Leave(S("HEADLESS-1"));
    ASSERT_TRUE(Retracted(S("HEADLESS-1")));

    // --toggle takes the keyboard: typing filters, Enter starts the one row left.
    ASSERT_TRUE(Toggle().ok());
    ASSERT_TRUE(InView(S("HEADLESS-1")));
    ASSERT_NO_FATAL_FAILURE(TypeBetaAndEnter());
    // The Menu key makes the row's context menu a popup of the panel's layer surface (Qt's own
    // xdg-shell code would take that surface for one of its own); the panel lives on.
    ASSERT_TRUE(wayland->type(S("Menu"), true));
    ASSERT_TRUE(wayland->type(S("Escape"), true));
    EXPECT_EQ(tilebay.state(), QProcess::Running);
    // Escape clears the filter, Escape again retracts.
    ASSERT_TRUE(wayland->type(S("Escape"), true));
    ASSERT_TRUE(wayland->type(S("Escape"), true));
    EXPECT_TRUE(Retracted(S("HEADLESS-1")));
    EXPECT_TRUE(Toggle().ok());
    EXPECT_TRUE(InView(S("HEADLESS-1")));
    EXPECT_TRUE(Toggle().ok());
    EXPECT_TRUE(Retracted(S("HEADLESS-1")));
    AddFigure(S("sway (layer shell): ") + RssFigure(tilebay.processId()));

    // A row dragged out onto another Wayland client arrives there as its file's URL, offered as
    // a copy; the panel retracts once the pointer has left it.
    env.insert(S("QT_QPA_PLATFORM"), S("wayland"));
    QProcess* target = Other(S(TILEBAY_DND_HELPER), {S("target"), S("0"), S("0")});
    env.remove(S("QT_QPA_PLATFORM"));
    ASSERT_TRUE(target->waitForReadyRead(10000));
    ASSERT_EQ(target->readLine().trimmed(), QByteArray("ready"));
    // sway floats the fixed-size window in the middle of the focused output.
    ASSERT_TRUE(pwtest::waitFor(
        [&] { return Near(PixelOf(S("HEADLESS-1"), QPoint(400, 300)), QColor(Qt::darkGreen)); }));
    const QRect first = OutputRect(S("HEADLESS-1"));
    Reveal(S("HEADLESS-1"));
    ASSERT_TRUE(InView(S("HEADLESS-1")));
    const QPoint row = first.topLeft() + RowCentre(S("alpha-tool"));
    ASSERT_TRUE(wayland->leftButtonAt(row.x(), row.y(), true));
    wayland->pointerTo(row.x() + 20, row.y() + 5);
    wayland->pointerTo(first.x() + 300, first.y() + 250);
    wayland->pointerTo(first.x() + 400, first.y() + 300);
    // Released only once the target shows the drag over it: the compositor refuses a drag that
    // tilebay asks for after the button went up, and drops nothing where the target's answer
    // came after it. (Read beside the pointer: the screenshots show it.)
    ASSERT_TRUE(pwtest::waitFor(
        [&] { return Near(PixelOf(S("HEADLESS-1"), QPoint(440, 260)), QColor(Qt::green)); }));
    ASSERT_TRUE(wayland->leftButtonAt(first.x() + 405, first.y() + 305, false));
    EXPECT_TRUE(DroppedAsCopy(*target, userDesktop + S("/alpha-tool")));
    EXPECT_TRUE(QFile::exists(userDesktop + S("/alpha-tool")));
    EXPECT_TRUE(InView(S("HEADLESS-1")));
    target->kill();
    ASSERT_TRUE(target->waitForFinished(5000));
    Leave(S("HEADLESS-1"));
    ASSERT_TRUE(Retracted(S("HEADLESS-1")));
    EXPECT_EQ(tilebay.state(), QProcess::Running);

    // A row's context menu, opened with the right button, is a popup of the layer surface that
    // stays open for the pointer: its last entry, "Move to Trash", takes that row's file away.
    // (The keyboard cannot be shown here: sway 1.7 gives none to a layer surface that asks for
    // it on demand.)
    Reveal(S("HEADLESS-1"));
    ASSERT_TRUE(InView(S("HEADLESS-1")));
    ASSERT_TRUE(wayland->rightClickAt(first.x() + 60, first.y() + 108));
    EXPECT_TRUE(
        pwtest::waitFor([&] { return !Near(PixelOf(S("HEADLESS-1"), QPoint(90, 130)), kPanel); }));
    Click(S("HEADLESS-1"), 130, 184);
    EXPECT_TRUE(pwtest::waitFor([&] {
        return QFile::exists(userDesktop + S("/alpha-tool")) !=
               QFile::exists(userDesktop + S("/beta-tool"));
    }));
    EXPECT_EQ(tilebay.state(), QProcess::Running);
    Leave(S("HEADLESS-1"));
    ASSERT_TRUE(Retracted(S("HEADLESS-1")));

    // A file dragged from another Wayland client onto the caption strip drops the panel into
    // view; dropped on the list, it is copied into the desktop folder.
    const QString incoming = root.filePath(S("incoming.txt"));
    WriteTestFile(root, S("incoming.txt"), "dropped in\n");
    env.insert(S("QT_QPA_PLATFORM"), S("wayland"));
    QProcess* source = Other(S(TILEBAY_DND_HELPER), {S("source"), S("0"), S("0"), incoming});
    env.remove(S("QT_QPA_PLATFORM"));
    ASSERT_TRUE(source->waitForReadyRead(10000));
    ASSERT_EQ(source->readLine().trimmed(), QByteArray("ready"));
    // sway floats the fixed-size window in the middle of the focused output.
    ASSERT_TRUE(pwtest::waitFor(
        [&] { return Near(PixelOf(S("HEADLESS-1"), QPoint(400, 300)), QColor(Qt::darkMagenta)); }));
    ASSERT_TRUE(wayland->leftButtonAt(first.x() + 400, first.y() + 300, true));
    wayland->pointerTo(first.x() + 300, first.y() + 60);
    wayland->pointerTo(first.x() + 100, first.y() + 6);
    EXPECT_TRUE(InView(S("HEADLESS-1")));
    wayland->pointerTo(first.x() + 110, first.y() + 300);
    ASSERT_TRUE(wayland->leftButtonAt(first.x() + 115, first.y() + 305, false));
    EXPECT_TRUE(pwtest::waitFor([&] { return QFile::exists(userDesktop + S("/incoming.txt")); }));
    EXPECT_EQ(Read(userDesktop + S("/incoming.txt")), QByteArray("dropped in\n"));
    EXPECT_TRUE(QFile::exists(incoming));  // copied, not moved

    ASSERT_TRUE(wayland->swaymsg({S("create_output")}).ok());
    ASSERT_TRUE(pwtest::waitFor([&] { return !OutputRect(S("HEADLESS-3")).isEmpty(); }));
    EXPECT_TRUE(Retracted(S("HEADLESS-3")));
    EXPECT_TRUE(
        pwtest::waitFor([&] { return !Near(PixelOf(S("HEADLESS-1"), QPoint(30, 8)), kPanel); }));
    EXPECT_EQ(tilebay.state(), QProcess::Running);
}

// Outputs that can be taken away: the two are windows of an outer sway.
class TilebayOutputGoneE2E : public TilebayWaylandE2E {
protected:
    static WaylandDesktop::Options Nested() {
        WaylandDesktop::Options options = Wayland();
        options.nested = true;
        return options;
    }
    TilebayOutputGoneE2E() : TilebayWaylandE2E(Nested()) {}
};

// The named output goes as an unplugged monitor does: the compositor closes the panel's layer
// surface, and the panel comes back on the first output, where it still drops into view.
TEST_F(TilebayOutputGoneE2E, ThePanelOfAnOutputThatGoesMovesToTheFirst) {
#ifdef TILEBAY_NO_LAYER_SHELL
    GTEST_SKIP() << "built without the layer-shell module (TILEBAY_WAYLAND)";
#endif
    UseLayerShellOn("WL-2");
    ASSERT_TRUE(StartTilebay(CopyBuiltTilebay(program)));
    ASSERT_TRUE(Retracted(S("WL-2")));
    EXPECT_FALSE(Near(PixelOf(S("WL-1"), QPoint(30, 8)), kPanel));
    ASSERT_TRUE(wayland->removeOutput(S("WL-2")));
    EXPECT_TRUE(Retracted(S("WL-1")));
    Reveal(S("WL-1"));
    EXPECT_TRUE(InView(S("WL-1")));
    EXPECT_EQ(tilebay.state(), QProcess::Running);
}

// Without the layer-shell module (as under GNOME or Weston) tilebay runs on XWayland: an X
// window at the top edge of the named output, revealed by the pointer, toggled and typed into.
TEST_F(TilebayWaylandE2E, XWaylandWithoutTheModuleRevealToggleAndSecondOutput) {
    // The monitor XWayland shows at the second output's place.
    const auto monitors = desktop->run(S("xrandr"), {S("--listmonitors")});
    const auto second = QRegularExpression(S("(\\S+)\\s*$"), QRegularExpression::MultilineOption);
    QString name;
    for (const QString& line : monitors.out.split(u'\n')) {
        if (line.contains(S("+800+0"))) {
            name = second.match(line).captured(1);
        }
    }
    ASSERT_FALSE(name.isEmpty()) << monitors.out.toStdString();
    WriteTestFile(QDir(program), S("options.ini"),
                  (S("[OPTIONS]\nscreen=") + name + S("\n")).toUtf8());
    ASSERT_TRUE(StartTilebay(CopyBuiltTilebay(program)));
    XWindowId panel = 0;
    ASSERT_TRUE(pwtest::waitFor([&] {
        for (XWindowId w : Named(S("^Tilebay$"))) {
            if (Geometry(w) == QRect(800, -kCaptionTop, kWidth, kHeight)) {
                panel = w;
                return true;
            }
        }
        return false;
    })) << name.toStdString();
    EXPECT_FALSE(wayland->swayLog().contains(S("namespace tilebay")));

    QElapsedTimer clock;
    clock.start();
    Reveal(S("HEADLESS-2"));
    ASSERT_TRUE(Top(panel, 0));
    AddFigure(S("sway (XWayland): reveal latency %1 ms (pointer motion to the X window moved)")
                  .arg(clock.elapsed()));
    Leave(S("HEADLESS-2"));
    ASSERT_TRUE(Top(panel, -kCaptionTop));

    // --toggle drops it and takes the keyboard from the X window that has it (the X window
    // manager inside sway takes the X focus back at once from a window that sets it itself, so
    // the panel grabs the keyboard): typing filters, Enter starts the one row left, Escape
    // clears the filter and retracts, and the keyboard is free again.
    ASSERT_NE(OtherWindow(S("typed-into-before")), 0u);
    ASSERT_TRUE(Toggle().ok());
    ASSERT_TRUE(Top(panel, 0));
    // Typed only once the panel holds the keyboard.
    ASSERT_TRUE(
        pwtest::waitFor([&] { return GrabKeyboard(desktop->display()) == AlreadyGrabbed; }));
    ASSERT_NO_FATAL_FAILURE(TypeBetaAndEnter());
    ASSERT_TRUE(wayland->type(S("Escape"), true));
    ASSERT_TRUE(wayland->type(S("Escape"), true));
    EXPECT_TRUE(Top(panel, -kCaptionTop));
    EXPECT_TRUE(pwtest::waitFor([&] { return GrabKeyboard(desktop->display()) == GrabSuccess; }));
    // --toggle again retracts it and lets the keyboard go as well.
    ASSERT_TRUE(Toggle().ok());
    ASSERT_TRUE(Top(panel, 0));
    EXPECT_TRUE(
        pwtest::waitFor([&] { return GrabKeyboard(desktop->display()) == AlreadyGrabbed; }));
    EXPECT_TRUE(Toggle().ok());
    EXPECT_TRUE(Top(panel, -kCaptionTop));
    EXPECT_TRUE(pwtest::waitFor([&] { return GrabKeyboard(desktop->display()) == GrabSuccess; }));
    AddFigure(S("sway (XWayland): ") + RssFigure(tilebay.processId()));
}

// The same figures on Xvfb with openbox, for comparison.
class TilebayXvfbFigures : public E2EFixture {
protected:
    TilebayXvfbFigures() : E2EFixture(Session(false)) {}
};

TEST_F(TilebayXvfbFigures, RevealLatencyAndRss) {
    const QString program = root.filePath(S("prog"));
    WriteStyle(program, {S("Test"), 1, kPanel});
    ChooseStyle(program, S("Test"));
    ASSERT_TRUE(StartTilebay(CopyBuiltTilebay(program)));
    XWindowId panel = 0;
    ASSERT_TRUE(pwtest::waitFor([&] {
        for (XWindowId w : Named(S("^Tilebay$"))) {
            if (Geometry(w) == QRect(0, -kCaptionTop, kWidth, kHeight)) {
                panel = w;
                return true;
            }
        }
        return false;
    }));
    QElapsedTimer clock;
    clock.start();
    Pointer(100, 300);
    Pointer(100, 6);
    Pointer(101, 5);
    ASSERT_TRUE(Top(panel, 0));
    AddFigure(S("Xvfb: reveal latency %1 ms (pointer motion to the X window moved)")
                  .arg(clock.elapsed()));
    AddFigure(S("Xvfb: ") + RssFigure(tilebay.processId()));
}

}  // namespace
}  // namespace tilebay::testing
