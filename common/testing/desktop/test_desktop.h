#pragma once

// A private session for integration tests, the demos and the benchmarks: an X session (XDesktop:
// an Xvfb server, or Xorg with the dummy driver, on a free display and, on request, a window
// manager (openbox), a dock panel (tint2), a desktop icon program (pcmanfm --desktop) and a
// compositor (xcompmgr)) or a Wayland session (WaylandDesktop: headless sway), both a
// TestDesktop. This is the one place that knows how to start and stop these programs; shell scripts
// get the same session through the pw-x-session command (x_session.h). Every program runs in its
// own process group with a scratch HOME and with the session bus disabled, and the destructor ends
// them all, last started first, even when a test failed.
//
//     pwtest::XDesktop::Options options;
//     options.panel = true;
//     pwtest::XDesktop desktop(options);
//     ASSERT_TRUE(desktop.ok()) << desktop.error().toStdString();
//     QProcess app;
//     app.setProcessEnvironment(desktop.environment());  // DISPLAY etc.
//     auto info = desktop.windowInfo(desktop.panelWindow());
//
// The query helpers run xprop, xwininfo and xdotool against the session's
// display and parse their output; the parse functions are public so that
// they can be tested without a server. The object needs a QCoreApplication
// only if the caller wants QProcess signals; its waits are pwtest::waitFor
// (wait_for.h).

#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace pwtest {

using XWindowId = quint64;

// What xwininfo tells about one window.
struct XWindowInfo {
    bool exists = false;
    QString mapState;  // "IsViewable", "IsUnviewable" or "IsUnMapped"
    bool overrideRedirect = false;
    QRect geometry;        // absolute position on the screen and size
    XWindowId parent = 0;  // the root or, for a managed client, the frame
    bool viewable() const { return mapState == QStringLiteral("IsViewable"); }
    bool mapped() const { return exists && mapState != QStringLiteral("IsUnMapped"); }
};

// One output of the Wayland session as sway reports it.
struct WaylandOutput {
    QString name;  // "HEADLESS-1"
    bool active = false;
    QRect rect;  // its place in the output layout
};

struct ToolResult {
    bool started = false;
    int exitCode = -1;
    QString out;
    QString err;
    bool ok() const { return started && exitCode == 0; }
};

// The one session type of the tests: what an X session (XDesktop) and a Wayland session
// (WaylandDesktop) both offer. The X queries run against display(), which in the Wayland session
// is sway's XWayland.
class TestDesktop {
public:
    virtual ~TestDesktop();
    TestDesktop(const TestDesktop&) = delete;
    TestDesktop& operator=(const TestDesktop&) = delete;

    bool ok() const { return error_.isEmpty(); }
    QString error() const { return error_; }

    // ":N" of the server.
    QString display() const { return display_; }
    // The test process's environment with DISPLAY, the scratch HOME and XDG
    // folders and DBUS_SESSION_BUS_ADDRESS=disabled:; WAYLAND_DISPLAY only
    // in the Wayland session.
    QProcessEnvironment environment() const { return env_; }
    QString homePath() const;

    // Every program of the session (server first), in start order.
    std::vector<qint64> processIds() const;

    // Runs a program with environment() and waits for it to end.
    ToolResult run(const QString& program, const QStringList& arguments,
                   std::chrono::milliseconds timeout = std::chrono::seconds(15)) const;

    // The values of a window property as xprop prints them, split at ", ";
    // window lists come without the "window id # " prefix, numbers in
    // decimal. nullopt when the property (or the window) does not exist; an
    // empty list when it exists with no items. Window 0 means the root.
    std::optional<QStringList> property(XWindowId window, const QString& name) const;
    XWindowInfo windowInfo(XWindowId window) const;
    // _NET_CLIENT_LIST of the root window.
    std::vector<XWindowId> clientList() const;
    // The top-level windows: the root's children (unmanaged and withdrawn
    // windows, frames) and the managed clients of _NET_CLIENT_LIST.
    std::vector<XWindowId> topLevelWindows() const;
    // The windows that carry _NET_WM_PID == pid (xdotool search --pid).
    std::vector<XWindowId> windowsOfPid(qint64 pid) const;
    // Top-level windows whose _NET_WM_WINDOW_TYPE holds `typeAtom`, hidden
    // ones too.
    std::vector<XWindowId> windowsOfType(const QString& typeAtom) const;

    // Parsers of the tools' output, exposed for tests.
    static std::optional<QStringList> parseXprop(const QString& output, const QString& name);
    static XWindowInfo parseXwininfo(const QString& output);
    static std::vector<XWindowId> parseWindowIds(const QString& text);

protected:
    // Makes the scratch home and the environment; the session type starts its programs.
    explicit TestDesktop(std::chrono::milliseconds readyTimeout);
    bool startProgram(const QString& program, const QStringList& arguments);
    // Waits until `ready` holds while the program started last runs; on
    // failure sets the error with the end of its log.
    bool awaitReady(const QString& what, const std::function<bool()>& ready);
    // Ends the session's programs, last started first.
    void stopAll();

    std::chrono::milliseconds readyTimeout_;  // per program
    QString error_;
    QString display_;
    QProcessEnvironment env_;
    std::unique_ptr<QTemporaryDir> scratch_;
    std::vector<std::unique_ptr<QProcess>> processes_;  // in start order
};

// Xvfb (or Xorg with the dummy driver) and, on request, openbox, tint2, pcmanfm and xcompmgr.
class XDesktop : public TestDesktop {
public:
    struct Options {
        bool windowManager = true;  // openbox
        bool panel = false;         // tint2, a _NET_WM_WINDOW_TYPE_DOCK window
        bool desktopIcons = false;  // pcmanfm --desktop, a _NET_WM_WINDOW_TYPE_DESKTOP window
        bool compositor = false;    // xcompmgr -n, for translucent windows
        // Xorg's dummy driver instead of Xvfb (needs root): outputs DUMMY0
        // and DUMMY1 on a 4096x2160 virtual screen, set up with xrandr, as
        // monitors that are plugged and unplugged. width/height do not apply.
        bool dummyScreens = false;
        int width = 1024;
        int height = 768;
        std::chrono::milliseconds readyTimeout{20000};  // per program
    };

    // Starts the session; check ok() before using it.
    explicit XDesktop(Options options);
    XDesktop() : XDesktop(Options{}) {}
    ~XDesktop() override;

    qint64 panelPid() const { return panelPid_; }
    qint64 desktopIconsPid() const { return iconsPid_; }
    qint64 compositorPid() const { return compositorPid_; }
    // The client windows of tint2 and pcmanfm found at start (0 if not run).
    XWindowId panelWindow() const { return panelWindow_; }
    XWindowId desktopIconsWindow() const { return iconsWindow_; }

private:
    bool startSession();
    bool startServer();
    bool tryServer(int attempt);
    bool waitForWindowManager();
    XWindowId waitForClientOfType(qint64 pid, const QString& typeAtom);

    Options options_;
    qint64 panelPid_ = 0;
    qint64 iconsPid_ = 0;
    qint64 compositorPid_ = 0;
    XWindowId panelWindow_ = 0;
    XWindowId iconsWindow_ = 0;
};

// Headless sway (pixman renderer) with two outputs, HEADLESS-1 and HEADLESS-2, each width x
// height, side by side, and XWayland. sway runs as an unprivileged user (nobody when the test
// runs as root) with a runtime folder of its own; environment() names its socket by full path in
// WAYLAND_DISPLAY, its XWayland in DISPLAY and its IPC socket in SWAYSOCK.
class WaylandDesktop : public TestDesktop {
public:
    struct Options {
        // The two outputs are WL-1 and WL-2, windows of an outer headless sway, so that one can
        // be taken away (removeOutput); sway 1.7's headless outputs cannot.
        bool nested = false;
        int width = 1024;
        int height = 768;
        std::chrono::milliseconds readyTimeout{20000};  // per program
    };

    // Starts the session; check ok() before using it.
    explicit WaylandDesktop(Options options);
    ~WaylandDesktop() override;

    // sway's debug log so far.
    QString swayLog() const;
    // swaymsg with the session's IPC socket.
    ToolResult swaymsg(const QStringList& arguments) const;
    // The outputs sway knows, enabled or not.
    std::vector<WaylandOutput> outputs() const;
    // Takes an output away as an unplugged monitor goes (Options::nested only); true
    // once sway no longer lists it.
    bool removeOutput(const QString& name) const;
    // Moves the seat's pointer to (x, y) of the output layout, then clicks the left button
    // when `click`; through the virtual-pointer tool.
    bool pointerTo(int x, int y, bool click = false) const;
    // The same with a click of the right button.
    bool rightClickAt(int x, int y) const;
    // Moves there and presses (down) or releases the left button: the two ends of a drag.
    bool leftButtonAt(int x, int y, bool down) const;
    // Types `text` (one line), or presses the key of that keysym name when `key` ("Return",
    // "Escape"), through the virtual-keyboard tool; true once the compositor has the keys.
    bool type(const QString& text, bool key = false) const;
    // A screenshot of one output (grim) into `path` (PNG).
    bool screenshot(const QString& output, const QString& path) const;

    static std::vector<WaylandOutput> parseSwayOutputs(const QString& json);

private:
    struct SwaySockets {
        QString wayland;
        QString ipc;
    };
    bool startSway();
    bool launchSway(const QByteArray& config, const QProcessEnvironment& backend,
                    const QString& log, int outputs, SwaySockets* sockets);
    std::vector<WaylandOutput> outputsOf(const QString& ipc) const;
    bool pointerCommand(int x, int y, const char* action) const;
    static QByteArray toolCommand(QProcess* tool, const QByteArray& line);
    std::unique_ptr<QProcess> startTool(const QString& program) const;
    bool startInputTools();
    void stopInputTools();

    Options options_;
    std::vector<std::unique_ptr<QTemporaryDir>> swayRuntimes_;  // owned by sway's user
    SwaySockets outer_;                                         // the outer sway of Options::nested
    std::unique_ptr<QProcess> pointer_;                         // the virtual-pointer tool
    std::unique_ptr<QProcess> keyboard_;                        // the virtual-keyboard tool
};

}  // namespace pwtest
