#pragma once

// The fixture of tilebay's end-to-end tests: a private X session
// (pwtest::TestDesktop), a scratch folder with both desktops (the user's in
// the session's home, the all-users one in the first data folder), the
// environment tilebay runs with, and the helpers that drive and read the
// session with xdotool, xwininfo, xprop and screenshots. Processes started
// through it end with the test.

#include <QColor>
#include <QDir>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <variant>
#include <vector>

#include "common/testing/desktop/test_desktop.h"

namespace tilebay::testing {

using pwtest::TestDesktop;
using pwtest::WaylandDesktop;
using pwtest::XDesktop;
using pwtest::XWindowId;

// The panel at 96 dpi with a list of 4215 twips: 235 wide, 380 high, its
// caption strip at 364 (so 16 pixels stay on screen retracted); list rows of
// 18 pixels below a header at 80.
constexpr int kWidth = 235;
constexpr int kHeight = 380;
constexpr int kCaptionTop = 364;

// One style of a program folder's styles/ folder.
struct PanelStyle {
    QString name;  // the folder and the style's name
    int dock;      // [POSITION] top: 1 left, 2 centre, 3 right
    QColor background;
    int boxHeight = 4215;  // the list's height in twips
    int opacity = 255;     // [EFFECT] transparent
};

// The session of a test: openbox, with tint2, pcmanfm --desktop and
// xcompmgr as asked.
XDesktop::Options Session(bool panel, bool desktopIcons = false, bool compositor = false);

// Writes `style` into `program`/styles/<name>/style.ini.
void WriteStyle(const QString& program, const PanelStyle& style);
// Chooses the style in `program`/styleloader.ini.
void ChooseStyle(const QString& program, const QString& name);
// Copies the built tilebay into `program`; returns its path.
QString CopyBuiltTilebay(const QString& program);
// Writes an executable file; returns its path.
QString WriteExecutable(const QString& path, const QByteArray& content);
QByteArray Read(const QString& path);
QString Hex(XWindowId window);
// Waits until the drop target (tilebay_dnd_helper target) has printed that `file` was dropped
// onto it as a copy; the failure names what it printed instead.
::testing::AssertionResult DroppedAsCopy(QProcess& target, const QString& file);

class E2EFixture : public ::testing::Test {
protected:
    explicit E2EFixture(XDesktop::Options options);
    explicit E2EFixture(WaylandDesktop::Options options);
    void SetUp() override;
    void TearDown() override;

    // Starts `binary` as the tilebay under test with env.
    bool StartTilebay(const QString& binary, const QStringList& arguments = {});
    bool Ended() { return tilebay.waitForFinished(10000); }

    std::vector<XWindowId> Named(const QString& pattern) const;
    // The first window titled `pattern` that is viewable; 0 after the wait.
    XWindowId WaitForViewable(const QString& pattern) const;
    QRect Geometry(XWindowId w) const { return desktop->windowInfo(w).geometry; }
    bool Mapped(XWindowId w) const { return desktop->windowInfo(w).mapped(); }
    bool Top(XWindowId w, int top,
             std::chrono::milliseconds timeout = std::chrono::seconds(5)) const;
    QStringList Property(XWindowId w, const char* name) const;
    // Top-level windows from top to bottom (xwininfo's order).
    std::vector<XWindowId> Stacking() const;
    bool Above(XWindowId upper, XWindowId lower) const;
    XWindowId FrameOf(XWindowId client) const;

    void Xdotool(const QStringList& arguments) const;
    void Pointer(int x, int y) const;
    void Click(int x, int y, int button = 1, int count = 1) const;
    void DoubleClick(int x, int y) const { Click(x, y, 1, 2); }
    // A screenshot of the root window in the output folder; its path.
    QString Shot(const QString& name) const;
    QColor Pixel(const QString& png, int x, int y) const;
    // A screenshot taken once `at` shows `colour` (a window is placed before it paints), or
    // the last one tried when it never does.
    QString ShotShowing(const QString& name, const QPoint& at, const QColor& colour) const;

    // A process of the test (a window of another program), ended at the end.
    QProcess* Other(const QString& executable, const QStringList& arguments);
    // An xmessage window titled `title`, once the window manager shows it.
    XWindowId OtherWindow(const QString& title);

    // AT-SPI for tilebay. StartAccessibility, before StartTilebay, gives it a
    // private session bus with accessibility on, starts the accessibility bus
    // and listens to its focus events. AccessibleNames then reads the names of
    // every object of tilebay's windows, FocusedMenuNames those of the entries
    // of the menu whose entry had the keyboard focus last (a popup menu is no
    // child of the program's windows).
    bool StartAccessibility();
    QStringList AccessibleNames();
    QStringList FocusedMenuNames();

    // The list's row order: both desktops, all users first; folders before
    // files, each in the file system's order.
    int RowOf(const QString& name) const;
    // The centre of a list row of the expanded panel docked left.
    QPoint RowCentre(const QString& name) const;

    std::variant<XDesktop::Options, WaylandDesktop::Options> desktopOptions;
    std::unique_ptr<TestDesktop> desktop;
    XDesktop* xDesktop = nullptr;       // the session, when it is an X one
    WaylandDesktop* wayland = nullptr;  // the session, when it is a Wayland one
    QTemporaryDir tmp;
    QDir root;
    QDir output;  // screenshots
    QString userDesktop;
    QString allUsersDesktop;
    QProcessEnvironment env;
    QProcess tilebay;
    std::vector<std::unique_ptr<QProcess>> others;

private:
    QString TilebayPeer() const;
    QProcess* focusEvents_ = nullptr;
    QString focused_;  // the path of the object that had the focus last
};

}  // namespace tilebay::testing
