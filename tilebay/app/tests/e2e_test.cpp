// tilebay end to end: the built program in a portable program folder on a
// private X session (Xvfb, openbox, tint2, pcmanfm --desktop), driven with
// xdotool and checked with xwininfo, xprop and screenshots. Screenshots go
// to TILEBAY_E2E_OUTPUT.
//
// With TILEBAY_E2E_BINARY set (an installed tilebay, e.g. /usr/bin/tilebay)
// that program runs instead, on its settings folder in the private home's
// $XDG_DATA_HOME/tilebay.

#include <QColor>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"
#include "tilebay/app/testing/e2e_fixture.h"

namespace {

using namespace tilebay::testing;
using namespace std::chrono_literals;

// A list of 10000 twips puts the caption strip at 749 of a 765 high window.
constexpr int kTallCaptionTop = 749;
constexpr int kTallHeight = 765;
constexpr int kScreen = 1024;

const PanelStyle kLeft{S("Left"), 1, QColor(180, 30, 30), 10000};
const PanelStyle kCentre{S("Centre"), 2, QColor(30, 120, 30)};
const PanelStyle kRight{S("Right"), 3, QColor(30, 30, 160)};

// Holds a process still while a test looks at what it shows, and lets it
// run a little between looks; it runs on freely at the end.
class Freezer {
public:
    explicit Freezer(pid_t pid) : pid_(pid) {}
    ~Freezer() { Release(); }
    Freezer(const Freezer&) = delete;
    Freezer& operator=(const Freezer&) = delete;

    bool Stop() {
        ::kill(pid_, SIGSTOP);
        return pwtest::waitFor([&] { return Stat(0) == "T"; }, 5s);
    }
    // Lets the process run until its main thread has used another
    // millisecond of processor time, and stops it again. Steps finer than a
    // clock tick (10 ms): the load mostly sleeps between its steps, so one
    // tick can carry it through much of the splash's time between two looks.
    bool Step() {
        const long long before = RunNanoseconds();
        ::kill(pid_, SIGCONT);
        return pwtest::waitFor([&] { return RunNanoseconds() >= before + 1000000; }, 30s) && Stop();
    }
    void Release() { ::kill(pid_, SIGCONT); }

private:
    // A field of /proc/PID/stat after the name (0: the state).
    QByteArray Stat(int field) const {
        QFile file(S("/proc/%1/stat").arg(pid_));
        if (!file.open(QIODevice::ReadOnly)) {
            return {};
        }
        const QByteArray line = file.readAll();  // the name in parentheses may hold blanks
        return line.mid(line.lastIndexOf(')') + 2).split(' ').value(field);
    }
    // The main thread's time on a processor (the first field of schedstat).
    long long RunNanoseconds() const {
        QFile file(S("/proc/%1/schedstat").arg(pid_));
        return file.open(QIODevice::ReadOnly) ? file.readAll().split(' ').value(0).toLongLong() : 0;
    }

    pid_t pid_;
};

class TilebayE2E : public E2EFixture {
protected:
    TilebayE2E() : E2EFixture(Session(true, true)) {}

    void SetUp() override {
        E2EFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        installed = qEnvironmentVariable("TILEBAY_E2E_BINARY");
        program = installed.isEmpty() ? root.filePath(S("prog"))
                                      : env.value(S("XDG_DATA_HOME")) + S("/tilebay");
        for (const PanelStyle& style : {kLeft, kCentre, kRight}) {
            WriteStyle(program, style);
        }
        // The built program runs as a portable copy beside its styles.
        binary = installed.isEmpty() ? CopyBuiltTilebay(program) : installed;
    }

    void ChooseStyle(const PanelStyle& style) {
        tilebay::testing::ChooseStyle(program, style.name);
    }

    // Starts with `style` and `options` and waits for the panel retracted at
    // `left`, 380 high; 0 when it does not get there.
    XWindowId StartDocked(const PanelStyle& style, const QByteArray& options, int left) {
        ChooseStyle(style);
        WriteTestFile(QDir(program), S("options.ini"), options);
        Start();
        const XWindowId panel = WaitForPanel();
        const QRect retracted(left, -kCaptionTop, kWidth, kHeight);
        return panel != 0 && pwtest::waitFor([&] { return Geometry(panel) == retracted; }) ? panel
                                                                                           : 0;
    }
    // Sends `number` to tilebay; true when it has ended normally.
    bool EndBySignal(int number) {
        return ::kill(static_cast<pid_t>(tilebay.processId()), number) == 0 && Ended() &&
               tilebay.exitStatus() == QProcess::NormalExit;
    }
    void Start() { ASSERT_TRUE(StartTilebay(binary)); }
    // The panel window, once it is viewable.
    XWindowId WaitForPanel() const { return WaitForViewable(S("^Tilebay$")); }
    QString Option(const char* key) const {
        return common::ReadIniValue(S("OPTIONS"), S(key), program + S("/options.ini"));
    }
    QByteArray OptionsBytes() const {
        QFile file(program + S("/options.ini"));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    QStringList State(XWindowId w) const { return Property(w, "_NET_WM_STATE"); }
    void ExpectIdentity(XWindowId w, const QString& name) const {
        EXPECT_EQ(Property(w, "WM_CLASS"), (QStringList{S("\"tilebay\""), S("\"tilebay\"")}));
        EXPECT_EQ(Property(w, "WM_NAME"), QStringList{S("\"") + name + S("\"")});
    }

    QString program;  // the settings folder
    QString binary;
    QString installed;
};

TEST_F(TilebayE2E, LeftDockRevealRetractTogglesItemsStyleLoaderAndClose) {
    ChooseStyle(kLeft);
    const QString marker = root.filePath(S("marker"));
    // Twenty kinds of item make the load long enough to see the splash.
    const char* kinds[] = {"txt", "png", "jpg", "pdf", "html", "xml", "json", "csv", "zip", "tar",
                           "gz",  "mp3", "ogg", "c",   "cpp",  "py",  "md",   "css", "js",  "svg"};
    for (const char* kind : kinds) {
        WriteTestFile(QDir(allUsersDesktop), S("file.") + S(kind), "x");
    }
    WriteExecutable(allUsersDesktop + S("/shared-tool"),
                    "#!/bin/sh\necho shared > \"" + marker.toUtf8() + "-program\"\n");
    QDir(userDesktop).mkpath(S("Projects"));
    WriteExecutable(userDesktop + S("/Touch.desktop"),
                    "[Desktop Entry]\nType=Application\nName=Touch\nExec=touch \"" +
                        marker.toUtf8() + "-launcher\"\n");
    WriteTestFile(
        QDir(userDesktop), S("Untrusted.desktop"),
        "[Desktop Entry]\nType=Application\nExec=touch \"" + marker.toUtf8() + "-untrusted\"\n");
    WriteTestFile(QDir(userDesktop), S("notes.txt"), "a document");

    Start();
    // The splash first, then the panel, docked left with only the caption
    // strip and the bottom strip on screen.
    XWindowId splash = 0;
    ASSERT_TRUE(pwtest::waitFor([&] {
        const auto ids = Named(S("^Tilebay - Loading...$"));
        splash = ids.empty() ? 0 : ids.front();
        return splash != 0 && desktop->windowInfo(splash).viewable();
    }));
    // The splash lasts while the list fills, about a second of tilebay's
    // time; the looks at it below take longer on a loaded machine. So
    // tilebay is held still for each look and runs a little between looks.
    Freezer freezer(static_cast<pid_t>(tilebay.processId()));
    ASSERT_TRUE(freezer.Stop());
    ExpectIdentity(splash, S("Tilebay - Loading..."));
    const auto splashType = desktop->property(splash, S("_NET_WM_WINDOW_TYPE"));
    ASSERT_TRUE(splashType && !splashType->isEmpty());
    EXPECT_EQ(splashType->front(), S("_NET_WM_WINDOW_TYPE_SPLASH"))
        << "a splash, which taskbars leave out";
    // The splash paints while the list fills.
    const QRect splashArea = Geometry(splash);
    bool painted = false;
    while (!painted && desktop->windowInfo(splash).viewable()) {
        painted = Pixel(Shot(S("splash")), splashArea.left() + 10, splashArea.bottom() - 10) ==
                  QColor(180, 30, 30);
        if (!painted && !freezer.Step()) {
            break;
        }
    }
    freezer.Release();
    EXPECT_TRUE(painted) << "the splash did not show its colour while it was shown";
    const XWindowId panel = WaitForPanel();
    ASSERT_NE(panel, 0u);
    ASSERT_TRUE(Top(panel, -kTallCaptionTop));
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(splash); }));
    EXPECT_EQ(Geometry(panel), QRect(0, -kTallCaptionTop, kWidth, kTallHeight));
    ExpectIdentity(panel, S("Tilebay"));
    const auto clients = desktop->clientList();
    EXPECT_EQ(std::find(clients.begin(), clients.end(), panel), clients.end())
        << "the panel is no client of the window manager, so no taskbar lists it";
    const QString retracted = ShotShowing(S("retracted"), QPoint(30, 6), QColor(180, 30, 30));
    EXPECT_EQ(Pixel(retracted, 30, 6), QColor(180, 30, 30));   // the caption strip
    EXPECT_EQ(Pixel(retracted, 30, 14), QColor(250, 200, 0));  // the bottom strip
    EXPECT_EQ(Pixel(retracted, 30, 17), QColor(0, 0, 0));      // the root below

    // Reveal on the caption strip; the list and the check boxes keep it open;
    // each border strip retracts it.
    for (const QPoint border : {QPoint(1, 200), QPoint(233, 200), QPoint(120, kTallHeight - 2)}) {
        Pointer(100, 8);
        ASSERT_TRUE(Top(panel, 0));
        Pointer(100, 200);
        Pointer(60, 40);
        EXPECT_EQ(Geometry(panel).top(), 0);
        Pointer(border.x(), border.y());
        EXPECT_TRUE(Top(panel, -kTallCaptionTop)) << border.x() << "," << border.y();
        EXPECT_EQ(Geometry(panel).left(), 0);
    }
    Pointer(100, 8);
    ASSERT_TRUE(Top(panel, 0));
    Shot(S("expanded"));

    // The three toggles: options.ini rewritten, the effect applied, the panel
    // not moved.
    const XWindowId tint2 = xDesktop->panelWindow();
    const XWindowId icons = xDesktop->desktopIconsWindow();
    Click(24, 40);  // Hide/Show Taskbar
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(tint2); }));
    EXPECT_EQ(Option("taskbar"), S("ON"));
    Click(24, 40);
    EXPECT_TRUE(pwtest::waitFor([&] { return Mapped(tint2); }));
    EXPECT_EQ(Option("taskbar"), S("OFF"));
    Click(24, 64);  // Hide/Show Desktop icons
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(icons); }));
    EXPECT_EQ(Option("icons"), S("ON"));
    Click(24, 64);
    EXPECT_TRUE(pwtest::waitFor([&] { return Mapped(icons); }));
    EXPECT_EQ(Option("icons"), S("OFF"));
    Click(24, 16);  // Always On Top: above state set, kept above a new window
    EXPECT_TRUE(pwtest::waitFor([&] { return State(panel).contains(S("_NET_WM_STATE_ABOVE")); }));
    EXPECT_EQ(Option("alwaysontop"), S("ON"));
    const XWindowId first = OtherWindow(S("tilebay-e2e-first"));
    ASSERT_NE(first, 0u);
    EXPECT_TRUE(pwtest::waitFor([&] { return Above(panel, FrameOf(first)); }));
    Click(24, 16);
    EXPECT_TRUE(pwtest::waitFor([&] { return !State(panel).contains(S("_NET_WM_STATE_ABOVE")); }));
    EXPECT_EQ(Option("alwaysontop"), S("OFF"));
    const XWindowId second = OtherWindow(S("tilebay-e2e-second"));
    ASSERT_NE(second, 0u);
    EXPECT_TRUE(pwtest::waitFor([&] { return Above(FrameOf(second), panel); }));
    EXPECT_EQ(Geometry(panel), QRect(0, 0, kWidth, kTallHeight));
    for (auto& other : others) {
        other->kill();
        other->waitForFinished(3000);
    }
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(second); }));

    // Double-clicks: a trusted launcher and a program start; a document and
    // an untrusted launcher start nothing (no marker, no new window but the
    // notice that says so).
    const auto windowsBefore = desktop->clientList();
    for (const char* name : {"notes.txt", "Untrusted.desktop", "Touch.desktop", "shared-tool"}) {
        const QPoint row = RowCentre(S(name));
        ASSERT_GE(row.y(), 98) << name;
        Pointer(100, 8);
        DoubleClick(row.x(), row.y());
    }
    EXPECT_TRUE(pwtest::waitFor([&] { return QFile::exists(marker + S("-launcher")); }));
    EXPECT_TRUE(pwtest::waitFor([&] { return QFile::exists(marker + S("-program")); }));
    EXPECT_FALSE(QFile::exists(marker + S("-untrusted")));
    const XWindowId notice = WaitForViewable(S("Tilebay - Notice"));
    EXPECT_NE(notice, 0u);
    auto windowsAfter = desktop->clientList();
    windowsAfter.erase(std::remove(windowsAfter.begin(), windowsAfter.end(), notice),
                       windowsAfter.end());
    EXPECT_EQ(windowsAfter, windowsBefore);
    EXPECT_EQ(Geometry(panel).top(), 0);

    // The style loader: pick "Right", "Load": the choice is stored and the
    // panel comes back in the new colour, docked right.
    Click(24, 40);  // taskbar hidden again, to see it restored by the reload and by Close
    ASSERT_TRUE(pwtest::waitFor([&] { return !Mapped(tint2); }));
    Click(220, 20);
    XWindowId loader = 0;
    ASSERT_TRUE(pwtest::waitFor([&] {
        const auto ids = Named(S("^Load Style$"));
        loader = ids.empty() ? 0 : ids.front();
        return loader != 0 && desktop->windowInfo(loader).viewable();
    }));
    Click(220, 20);  // a second click: still one style loader
    EXPECT_EQ(Named(S("^Load Style$")).size(), 1u);
    ExpectIdentity(loader, S("Load Style"));
    const QRect dialog = Geometry(loader);
    // Dir1 lists the folders from "/" down to styles, then Centre, Left, Right.
    const int depth = static_cast<int>(
        QDir::cleanPath(program + S("/styles")).split(u'/', Qt::SkipEmptyParts).size());
    Click(dialog.left() + 100, dialog.top() + 9 + 18 * (depth + 3) + 9);  // rows of 18 pixels
    Shot(S("style-loader"));
    Click(dialog.left() + 320, dialog.top() + 18);  // Load
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(loader); }));
    EXPECT_EQ(common::ReadIniValue(S("STYLE"), S("stylename"), program + S("/styleloader.ini")),
              S("\\Right"));
    XWindowId reloaded = 0;
    ASSERT_TRUE(pwtest::waitFor([&] {
        reloaded = WaitForPanel();
        return reloaded != 0 &&
               Geometry(reloaded) == QRect(kScreen - kWidth, -kCaptionTop, kWidth, 380);
    }));
    const QPoint restyledCaption(kScreen - kWidth + 30, 6);
    const QString restyled = ShotShowing(S("restyled"), restyledCaption, QColor(30, 30, 160));
    EXPECT_EQ(Pixel(restyled, restyledCaption.x(), restyledCaption.y()), QColor(30, 30, 160));
    EXPECT_FALSE(Mapped(tint2));  // the new load applied taskbar=ON again

    // "Close": the taskbar and the icons come back, the program ends,
    // options.ini stays as the toggles left it.
    const QByteArray options = OptionsBytes();
    Pointer(kScreen - kWidth + 100, 8);
    ASSERT_TRUE(Top(reloaded, 0));
    Click(kScreen - kWidth + 205, 8);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(tilebay.exitCode(), 0);
    EXPECT_TRUE(pwtest::waitFor([&] { return Mapped(tint2) && Mapped(icons); }));
    EXPECT_EQ(OptionsBytes(), options);
    EXPECT_EQ(Option("taskbar"), S("ON"));
}

TEST_F(TilebayE2E, CentreDockSecondInstanceAndTerminationSignal) {
    // 1024 / 2 - 235 / 2 = 394.5 pixels.
    ASSERT_NE(StartDocked(kCentre, "[OPTIONS]\ntaskbar=ON\nicons=ON\n", 395), 0u);
    const XWindowId tint2 = xDesktop->panelWindow();
    const XWindowId icons = xDesktop->desktopIconsWindow();
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(tint2) && !Mapped(icons); }));
    const QByteArray options = OptionsBytes();
    EXPECT_EQ(Option("alwaysontop"), S("OFF"));  // the load wrote all three

    // A second tilebay for the same display ends at once and touches nothing.
    const auto second = desktop->run(binary, {}, 10s);
    EXPECT_TRUE(second.ok()) << second.err.toStdString();
    EXPECT_EQ(tilebay.state(), QProcess::Running);
    EXPECT_FALSE(Mapped(tint2));
    EXPECT_FALSE(Mapped(icons));
    EXPECT_EQ(OptionsBytes(), options);

    ASSERT_TRUE(EndBySignal(SIGTERM));
    EXPECT_TRUE(pwtest::waitFor([&] { return Mapped(tint2) && Mapped(icons); }));
    EXPECT_EQ(OptionsBytes(), options);
}

// A killed panel leaves the taskbar hidden and says so in a state file beside
// its lock, which the next start takes up; a clean end leaves no such file.
TEST_F(TilebayE2E, RightDockEndsOnHangupAndAKilledRunIsUndoneAtTheNextStart) {
    ASSERT_NE(StartDocked(kRight, "[OPTIONS]\ntaskbar=ON\n", kScreen - kWidth), 0u);
    const XWindowId tint2 = xDesktop->panelWindow();
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(tint2); }));
    const QDir runtime(env.value(S("XDG_RUNTIME_DIR")));
    const QStringList hidden{S("tilebay-*.hidden")};
    EXPECT_EQ(runtime.entryList(hidden, QDir::Files).size(), 1);
    tilebay.kill();
    ASSERT_TRUE(Ended());
    EXPECT_FALSE(Mapped(tint2));
    EXPECT_EQ(runtime.entryList(hidden, QDir::Files).size(), 1) << "left by the killed run";

    ASSERT_NE(StartDocked(kRight, "[OPTIONS]\ntaskbar=ON\n", kScreen - kWidth), 0u);
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(tint2); }));
    const QByteArray options = OptionsBytes();
    ASSERT_TRUE(EndBySignal(SIGHUP));
    EXPECT_TRUE(pwtest::waitFor([&] { return Mapped(tint2); }));
    EXPECT_EQ(OptionsBytes(), options);
    EXPECT_EQ(runtime.entryList(hidden, QDir::Files), QStringList{}) << "a clean end";
}

// 400 launchers keep the load busy for 20 s of pauses: a SIGTERM meanwhile
// ends tilebay soon, with the taskbar shown again.
TEST_F(TilebayE2E, ATermSignalDuringTheLoadEndsItSoon) {
    ChooseStyle(kLeft);
    WriteTestFile(QDir(program), S("options.ini"), "[OPTIONS]\ntaskbar=ON\n");
    for (int i = 0; i < 400; ++i) {
        WriteExecutable(userDesktop + S("/app%1.desktop").arg(i),
                        "[Desktop Entry]\nType=Application\nExec=true\n");
    }
    Start();
    ASSERT_NE(WaitForViewable(S("Loading")), 0u);
    const XWindowId tint2 = xDesktop->panelWindow();
    EXPECT_TRUE(pwtest::waitFor([&] { return !Mapped(tint2); }));
    ASSERT_TRUE(EndBySignal(SIGTERM)) << "still running 10 s after the signal";
    // The window manager maps the taskbar on tilebay's request: wait for it.
    EXPECT_TRUE(pwtest::waitFor([&] { return Mapped(tint2); }));
}

TEST_F(TilebayE2E, WithoutStyleChoiceTheOptionsAreWrittenOffAndThePanelIsTransparent) {
    Start();
    const XWindowId panel = WaitForPanel();
    ASSERT_NE(panel, 0u);
    EXPECT_TRUE(pwtest::waitFor([&] { return Option("icons") == S("OFF"); }));
    EXPECT_EQ(Option("taskbar"), S("OFF"));
    EXPECT_EQ(Option("alwaysontop"), S("OFF"));
    EXPECT_EQ(desktop->property(panel, S("_NET_WM_WINDOW_OPACITY")).value_or(QStringList{}),
              QStringList{S("0")});
    // Dock position 0: it stays where it opened; the list has no height.
    EXPECT_EQ(Geometry(panel), QRect(0, 0, kWidth, 99));
    ASSERT_TRUE(EndBySignal(SIGINT));
}

TEST_F(TilebayE2E, LiveDesktopTrustedLaunchersAndNothingBlocksTheLoad) {
    ChooseStyle(kLeft);
    const QString marker = root.filePath(S("marker"));
    // Each program leaves a marker named after itself. A script is started
    // through its descriptor, so $0 is /dev/fd/N, a link to the file.
    const QByteArray script =
        "#!/bin/sh\ntouch \"" + marker.toUtf8() + "-$(basename \"$(readlink -f \"$0\")\")\"\n";
    const QByteArray launcher =
        "[Desktop Entry]\nType=Application\nExec=touch \"" + marker.toUtf8() + "-%1\"\n";
    const auto writeLauncher = [&](const QString& path, const char* name, int mode) {
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        // A launcher that is a script too: run as a launcher, never as a script.
        file.write(script + QString::fromUtf8(launcher).arg(S(name)).toUtf8());
        file.close();
        EXPECT_EQ(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)), 0);
    };
    writeLauncher(allUsersDesktop + S("/Open.desktop"), "open", 0777);
    const bool root0 = ::getuid() == 0;
    if (root0) {
        writeLauncher(allUsersDesktop + S("/Foreign.desktop"), "foreign", 0755);
        ASSERT_EQ(::chown(QFile::encodeName(allUsersDesktop + S("/Foreign.desktop")).constData(),
                          65534, 65534),
                  0);
    }
    const QString launchers = root.filePath(S("launchers"));
    ASSERT_TRUE(QDir().mkpath(launchers));
    writeLauncher(launchers + S("/tool.desktop"), "linked", 0700);
    ASSERT_TRUE(QFile::link(launchers + S("/tool.desktop"), userDesktop + S("/Linked")));
    // A launcher nobody trusts whose icon is a FIFO, and a link to the FIFO.
    const QString fifo = root.filePath(S("icon.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    WriteTestFile(QDir(allUsersDesktop), S("Fifo.desktop"),
                  "[Desktop Entry]\nType=Application\nExec=true\nIcon=" + fifo.toUtf8() + "\n");
    ASSERT_TRUE(QFile::link(fifo, allUsersDesktop + S("/pipe")));
    WriteTestFile(QDir(allUsersDesktop), S("doomed.txt"), "x");
    // Symbolic link loops on both desktops: broken links, no crash.
    ASSERT_TRUE(QFile::link(S("loop"), userDesktop + S("/loop")));
    ASSERT_TRUE(QFile::link(S("pong"), allUsersDesktop + S("/ping")));
    ASSERT_TRUE(QFile::link(S("ping"), allUsersDesktop + S("/pong")));
    // The all-users desktop shared as /tmp is (world-writable, sticky):
    // another user's script, and their link to a script of ours, never run.
    ASSERT_EQ(::chmod(QFile::encodeName(allUsersDesktop).constData(), 01777), 0);
    if (root0) {
        const QString foreign = WriteExecutable(allUsersDesktop + S("/ForeignScript"), script);
        const QString ours = WriteExecutable(root.filePath(S("ours")), script);
        ASSERT_TRUE(QFile::link(ours, allUsersDesktop + S("/ForeignLink")));
        ASSERT_EQ(::chown(QFile::encodeName(foreign).constData(), 65534, 65534), 0);
        ASSERT_EQ(::lchown(QFile::encodeName(allUsersDesktop + S("/ForeignLink")).constData(),
                           65534, 65534),
                  0);
    }

    // No runtime folder, and XDG_CACHE_HOME's lock folder planted by another
    // user (a shared cache folder): the lock goes into the home's own.
    const QString temp = root.filePath(S("tmp"));
    const QString planted = root.filePath(S("cache/tilebay"));
    ASSERT_TRUE(QDir().mkpath(planted));
    ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), 0777), 0);
    if (root0) {
        ASSERT_EQ(::chown(QFile::encodeName(planted).constData(), 65534, 65534), 0);
    }
    QProcessEnvironment live = env;
    live.remove(S("XDG_RUNTIME_DIR"));
    live.insert(S("TMPDIR"), temp);
    live.insert(S("XDG_CACHE_HOME"), root.filePath(S("cache")));
    live.insert(S("QT_LOGGING_RULES"), S("tilebay.live.debug=true"));
    tilebay.setProcessEnvironment(live);
    tilebay.setProgram(binary);
    tilebay.start();
    ASSERT_TRUE(tilebay.waitForStarted(5000));
    QByteArray log;
    const auto logged = [&](const QByteArray& text) {
        return pwtest::waitFor([&] {
            tilebay.waitForReadyRead(20);
            log += tilebay.readAllStandardError();
            return log.contains(text);
        });
    };

    // The FIFO holds nothing up: the panel docks.
    const XWindowId panel = WaitForPanel();
    ASSERT_NE(panel, 0u);
    ASSERT_TRUE(Top(panel, -kTallCaptionTop));
    EXPECT_EQ(QDir(planted).entryList(QDir::Files), QStringList{});
    const QString lockFolder = env.value(S("HOME")) + S("/.cache/tilebay");
    EXPECT_EQ(QFileInfo(lockFolder).permissions() & 0x0777,
              QFile::ExeUser | QFile::ReadUser | QFile::WriteUser);
    EXPECT_FALSE(QDir(lockFolder).entryList(QDir::Files).isEmpty());

    const auto doubleClick = [&](const QString& name) {
        const QPoint row = RowCentre(name);
        ASSERT_GE(row.y(), 98) << name.toStdString();
        Pointer(100, 8);
        ASSERT_TRUE(Top(panel, 0));
        DoubleClick(row.x(), row.y());
    };
    const auto ran = [&](const char* name) {
        return pwtest::waitFor([&] { return QFile::exists(marker + S("-") + S(name)); });
    };
    // Trust: the link to a trusted launcher runs its Exec; launchers that
    // others may write or own run nothing.
    for (const char* name : {"ForeignScript", "ForeignLink", "Open.desktop", "Foreign.desktop",
                             "Fifo.desktop", "Linked"}) {
        if (root0 || std::strncmp(name, "Foreign", 7) != 0) {
            doubleClick(S(name));
        }
    }
    EXPECT_TRUE(ran("linked"));
    if (root0) {
        EXPECT_TRUE(logged("did not start \"ForeignLink\"")) << log.toStdString();
        EXPECT_TRUE(log.contains("did not start \"ForeignScript\""));
        EXPECT_FALSE(QFile::exists(marker + S("-ForeignScript")));
        EXPECT_FALSE(QFile::exists(marker + S("-ours")));
    }
    EXPECT_FALSE(QFile::exists(marker + S("-tool.desktop"))) << "run as a script";
    EXPECT_FALSE(QFile::exists(marker + S("-open")));
    EXPECT_FALSE(QFile::exists(marker + S("-foreign")));

    // Live: a program created on the all-users desktop, moved to the user's
    // under another name, a folder made there, a file deleted; each change
    // is in the list without a restart, and the rows are where the folders'
    // order puts them (a double-click on the computed row starts the program).
    WriteExecutable(allUsersDesktop + S("/made"), script);
    ASSERT_TRUE(logged("+made")) << log.toStdString();
    doubleClick(S("made"));
    EXPECT_TRUE(ran("made"));
    ASSERT_TRUE(QFile::rename(allUsersDesktop + S("/made"), userDesktop + S("/renamed")));
    ASSERT_TRUE(logged("+renamed"));
    ASSERT_TRUE(QDir(userDesktop).mkdir(S("New Folder")));
    ASSERT_TRUE(logged("+New Folder"));
    doubleClick(S("renamed"));
    EXPECT_TRUE(ran("renamed"));
    ASSERT_TRUE(QFile::remove(marker + S("-renamed")));
    const qsizetype before = log.size();
    ASSERT_TRUE(QFile::remove(allUsersDesktop + S("/doomed.txt")));
    ASSERT_TRUE(pwtest::waitFor([&] {
        tilebay.waitForReadyRead(20);
        log += tilebay.readAllStandardError();
        return log.indexOf(" -1 ", before) >= 0;
    }));
    doubleClick(S("renamed"));  // one row higher now
    EXPECT_TRUE(ran("renamed"));
    ASSERT_TRUE(EndBySignal(SIGTERM));
}

TEST_F(TilebayE2E, InstalledFirstStartCopiesTheShippedStylesIntoAnEmptyDataHome) {
    // Built: an installed tree of our own, <prefix>/bin and <prefix>/share.
    QString executable = installed;
    if (executable.isEmpty()) {
        const QString prefix = root.filePath(S("usr"));
        ASSERT_TRUE(QDir().mkpath(prefix + S("/bin")));
        executable = prefix + S("/bin/tilebay");
        ASSERT_TRUE(QFile::copy(S(TILEBAY_BINARY), executable));
        ASSERT_TRUE(QFile::setPermissions(executable, QFile::ReadOwner | QFile::ExeOwner));
        QDirIterator it(S(TILEBAY_SHIPPED_STYLES), {S("*.ini"), S("*.mid")}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString from = it.next();
            const QString name = QDir(S(TILEBAY_SHIPPED_STYLES)).relativeFilePath(from);
            // Style folders go below styles/, the style choice beside them.
            const QString to =
                prefix + S("/share/tilebay/") + (name.contains(u'/') ? S("styles/") + name : name);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(to).path()));
            ASSERT_TRUE(QFile::copy(from, to)) << to.toStdString();
        }
    }
    const QString dataHome = root.filePath(S("fresh-data"));
    env.insert(S("XDG_DATA_HOME"), dataHome);
    binary = executable;
    Start();
    // The default choice is Ocean: docked left, retracted, 380 high.
    const XWindowId panel = WaitForPanel();
    ASSERT_NE(panel, 0u);
    EXPECT_TRUE(pwtest::waitFor([&] {
        return Geometry(panel) == QRect(0, -kCaptionTop, kWidth, 380);
    })) << "panel at "
        << Geometry(panel).x() << "," << Geometry(panel).y();
    const QString folder = dataHome + S("/tilebay");
    for (const char* style : {"Ocean", "Forest", "Ember"}) {
        for (const char* file : {"style.ini", "startup.mid"}) {
            const QString path = folder + S("/styles/") + S(style) + u'/' + S(file);
            EXPECT_TRUE(QFileInfo(path).isWritable()) << path.toStdString();
        }
    }
    EXPECT_EQ(common::ReadIniValue(S("STYLE"), S("stylename"), folder + S("/styleloader.ini")),
              S("\\Ocean"));
    ASSERT_TRUE(EndBySignal(SIGTERM));
}

}  // namespace
