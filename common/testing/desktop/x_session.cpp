#include "common/testing/desktop/x_session.h"

#include <QRegularExpression>

#include <sys/prctl.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#include <cerrno>
#include <csignal>
#include <cstdio>
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

QString SessionUsage() {
    return QStringLiteral(
        "usage: pw-x-session [--no-window-manager] [--panel] [--desktop-icons] [--compositor]\n"
        "                    [--size WxH] -- COMMAND [ARGUMENT...]\n");
}

SessionCommand ParseSessionCommand(const QStringList& arguments) {
    SessionCommand session;
    const qsizetype separator = arguments.indexOf(QStringLiteral("--"));
    const QStringList options = separator < 0 ? arguments : arguments.mid(0, separator);
    if (separator >= 0) {
        session.command = arguments.mid(separator + 1);
    }
    for (qsizetype i = 0; i < options.size(); ++i) {
        const QString& option = options[i];
        if (option == QStringLiteral("--no-window-manager")) {
            session.options.windowManager = false;
        } else if (option == QStringLiteral("--panel")) {
            session.options.panel = true;
        } else if (option == QStringLiteral("--desktop-icons")) {
            session.options.desktopIcons = true;
        } else if (option == QStringLiteral("--compositor")) {
            session.options.compositor = true;
        } else if (option == QStringLiteral("--size")) {
            static const QRegularExpression size(
                QStringLiteral("^([1-9][0-9]{1,4})x([1-9][0-9]{1,4})$"));
            const auto match = size.match(i + 1 < options.size() ? options[i + 1] : QString());
            if (!match.hasMatch()) {
                session.error = QStringLiteral("--size wants WIDTHxHEIGHT");
                return session;
            }
            session.options.width = match.captured(1).toInt();
            session.options.height = match.captured(2).toInt();
            ++i;
        } else {
            session.error = QStringLiteral("unknown option: ") + option;
            return session;
        }
    }
    if ((session.options.panel || session.options.desktopIcons) && !session.options.windowManager) {
        session.error = QStringLiteral("--panel and --desktop-icons need the window manager");
    } else if (session.command.isEmpty()) {
        session.error = QStringLiteral("no command after --");
    }
    return session;
}

int RunInSession(const SessionCommand& session) {
    TestDesktop desktop(session.options);
    if (!desktop.ok()) {
        std::fprintf(stderr, "pw-x-session: %s\n", qPrintable(desktop.error()));
        return 3;
    }
    QProcessEnvironment env = desktop.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
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

    const pid_t parent = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("pw-x-session: fork");
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
        ::execvpe(argv[0], argv.data(), envp.data());
        std::fprintf(stderr, "pw-x-session: cannot run %s\n", argv[0]);
        ::_exit(127);
    }
    ::setpgid(child, child);  // also here, so that no signal races the child's own call
    g_child = child;

    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    g_child = 0;
    // What the command left behind in its group (background programs) goes
    // before the display does.
    if (::kill(-child, SIGTERM) == 0) {
        TestDesktop::waitUntil([&] { return ::kill(-child, 0) != 0; }, std::chrono::seconds(3));
        ::kill(-child, SIGKILL);
    }
    return StatusOf(status);
}

}  // namespace pwtest
