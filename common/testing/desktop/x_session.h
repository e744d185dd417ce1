#pragma once

// pw-x-session: runs one command inside a private X session (TestDesktop)
// and ends the session with it. The shell end-to-end tests, the demos and
// the benchmarks start their displays through it, so that one piece of code
// knows how to start, wait for and stop Xvfb, openbox, tint2, pcmanfm and
// xcompmgr.
//
//     pw-x-session [--no-window-manager] [--panel] [--desktop-icons]
//                  [--compositor] [--size WxH] [--wayland] -- COMMAND [ARGUMENT...]
//
// COMMAND runs with the session's environment (DISPLAY, a scratch HOME and
// XDG folders, no session bus, QT_QPA_PLATFORM=xcb; with --wayland headless sway's
// WAYLAND_DISPLAY, SWAYSOCK, its XWayland's DISPLAY and QT_QPA_PLATFORM=wayland) plus PW_X_SESSION
// (the display) and PW_X_SESSION_PIDS (the session's programs, space separated). It runs in a
// process group of its own; when it ends, what it left in that group is ended too, then the
// session. A TERM, INT or HUP signal is passed on to COMMAND. Should pw-x-session itself be killed,
// COMMAND and the session's programs get a TERM signal from the kernel.
//
// Exit status: COMMAND's (128 + N when signal N ended it), 2 for a bad
// command line, 3 when the session did not start.

#include <QString>
#include <QStringList>

#include "common/cli/cli_parser.h"
#include "common/testing/desktop/test_desktop.h"

namespace pwtest {

struct SessionCommand {
    XDesktop::Options options;     // the X session's; width and height also the Wayland session's
    bool wayland = false;          // --wayland: the Wayland session instead
    QStringList command;           // the program and its arguments
    common::cli::Outcome outcome;  // with an exit code: --help, --version or a wrong line
    bool ok() const { return !outcome.exitCode; }
};

// Reads the command line, the program's name first, as argv has it.
SessionCommand ParseSessionCommand(const QStringList& arguments);

// Starts the session, runs the command in it, ends the session; returns the
// exit status described above.
int RunInSession(const SessionCommand& session);

}  // namespace pwtest
