#include "common/testing/desktop/x_session.h"
#include "common/testing/wait_for.h"

#include <QCommandLineOption>
#include <QRegularExpression>

#include <pthread.h>
#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

namespace pwtest {

namespace {

volatile sig_atomic_t g_child = 0;

void PassOn(int number) {
    if (g_child > 0) {
        ::kill(static_cast<pid_t>(g_child), number);
    }
}

int StatusOf(int status) {
    if (WIFEXITED(status)) {
        return WEXITSTATUS(status);
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return 1;
}

}  // namespace

SessionCommand ParseSessionCommand(const QStringList& arguments) {
    common::cli::CommandLine line(
        QStringLiteral("pw-x-session"),
        QStringLiteral("Runs COMMAND inside a private X session and ends the session with it."),
        QStringLiteral("-- COMMAND [ARGUMENT...]"), 1, std::numeric_limits<int>::max());
    const QCommandLineOption noWindowManager(QStringLiteral("no-window-manager"),
                                             QStringLiteral("Start no window manager."));
    const QCommandLineOption panel(QStringLiteral("panel"), QStringLiteral("Start a dock panel."));
    const QCommandLineOption desktopIcons(QStringLiteral("desktop-icons"),
                                          QStringLiteral("Start a desktop icon program."));
    const QCommandLineOption compositor(QStringLiteral("compositor"),
                                        QStringLiteral("Start a compositor."));
    const QCommandLineOption size(QStringLiteral("size"), QStringLiteral("The screen's size."),
                                  QStringLiteral("WxH"));
    const QCommandLineOption wayland(
        QStringLiteral("wayland"),
        QStringLiteral("Headless sway (two outputs, XWayland) instead of X; Qt programs run on "
                       "its Wayland platform."));
    for (const auto& option : {noWindowManager, panel, desktopIcons, compositor, size, wayland}) {
        line.addOption(option);
    }
    SessionCommand session;
    session.outcome = line.parse(arguments);
    if (session.outcome.exitCode) {
        return session;
    }
    const QCommandLineParser& parsed = line.parser();
    session.options.windowManager = !parsed.isSet(noWindowManager);
    session.options.panel = parsed.isSet(panel);
    session.options.desktopIcons = parsed.isSet(desktopIcons);
    session.options.compositor = parsed.isSet(compositor);
    session.wayland = parsed.isSet(wayland);
    session.command = parsed.positionalArguments();
    if (parsed.isSet(size)) {
        static const QRegularExpression wxh(
            QStringLiteral("^([1-9][0-9]{1,4})x([1-9][0-9]{1,4})$"));
        const auto match = wxh.match(parsed.value(size));
        if (!match.hasMatch()) {
            session.outcome = line.usageError(QStringLiteral("--size wants WIDTHxHEIGHT"));
            return session;
        }
        session.options.width = match.captured(1).toInt();
        session.options.height = match.captured(2).toInt();
    }
    if (!arguments.contains(QStringLiteral("--"))) {
        session.outcome = line.usageError(QStringLiteral("the command goes after --"));
    } else if (session.wayland && (session.options.panel || session.options.desktopIcons ||
                                   session.options.compositor)) {
        session.outcome =
            line.usageError(QStringLiteral("--wayland takes none of the X session's programs"));
    } else if ((session.options.panel || session.options.desktopIcons) &&
               !session.options.windowManager) {
        session.outcome =
            line.usageError(QStringLiteral("--panel and --desktop-icons need the window manager"));
    }
    return session;
}

int RunInSession(const SessionCommand& session) {
    std::unique_ptr<TestDesktop> made;
    if (session.wayland) {
        WaylandDesktop::Options options;
        options.width = session.options.width;
        options.height = session.options.height;
        made = std::make_unique<WaylandDesktop>(options);
    } else {
        made = std::make_unique<XDesktop>(session.options);
    }
    const TestDesktop& desktop = *made;
    if (!desktop.ok()) {
        std::fprintf(stderr, "pw-x-session: %s\n", qPrintable(desktop.error()));
        return 3;
    }
    QProcessEnvironment env = desktop.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"),
               session.wayland ? QStringLiteral("wayland") : QStringLiteral("xcb"));
    env.insert(QStringLiteral("PW_X_SESSION"), desktop.display());
    QStringList pids;
    for (qint64 pid : desktop.processIds()) {
        pids << QString::number(pid);
    }
    env.insert(QStringLiteral("PW_X_SESSION_PIDS"), pids.join(QLatin1Char(' ')));

    // Everything the child needs is prepared before fork: after it, only
    // async-signal-safe calls.
    std::vector<std::string> strings;
    for (const QString& s : session.command) {
        strings.push_back(s.toStdString());
    }
    std::vector<std::string> envStrings;
    for (const QString& s : env.toStringList()) {
        envStrings.push_back(s.toStdString());
    }
    std::vector<char*> argv;
    for (std::string& s : strings) {
        argv.push_back(s.data());
    }
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& s : envStrings) {
        envp.push_back(s.data());
    }
    envp.push_back(nullptr);

    struct sigaction pass {};
    pass.sa_handler = PassOn;
    ::sigemptyset(&pass.sa_mask);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaction(number, &pass, nullptr);
    }
    // Held back until the child's pid is known: a signal that came between
    // the fork and then (the command may already run and print) was lost.
    sigset_t passed;
    sigset_t before;
    ::sigemptyset(&passed);
    for (int number : {SIGTERM, SIGINT, SIGHUP}) {
        ::sigaddset(&passed, number);
    }
    ::pthread_sigmask(SIG_BLOCK, &passed, &before);

    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("pw-x-session: fork");
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return 3;
    }
    if (child == 0) {
        ::setpgid(0, 0);
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {  // the parent died before prctl
            ::_exit(128 + SIGTERM);
        }
        struct sigaction plain {};
        plain.sa_handler = SIG_DFL;
        for (int number : {SIGTERM, SIGINT, SIGHUP}) {
            ::sigaction(number, &plain, nullptr);
        }
        ::pthread_sigmask(SIG_SETMASK, &before, nullptr);
        ::execvpe(argv[0], argv.data(), envp.data());
        std::fprintf(stderr, "pw-x-session: cannot run %s\n", argv[0]);
        ::_exit(127);
    }
    ::setpgid(child, child);  // also here, so that no signal races the child's own call
    g_child = child;
    ::pthread_sigmask(SIG_SETMASK, &before, nullptr);

    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    g_child = 0;
    // What the command left behind in its group (background programs) goes
    // before the display does.
    if (::kill(-child, SIGTERM) == 0) {
        pwtest::waitFor([&] { return ::kill(-child, 0) != 0; }, std::chrono::seconds(3));
        ::kill(-child, SIGKILL);
    }
    return StatusOf(status);
}

}  // namespace pwtest
