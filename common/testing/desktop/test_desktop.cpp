#include "common/testing/desktop/test_desktop.h"
#include "common/testing/wait_for.h"

#include "common/testing/desktop/internal.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <sys/prctl.h>
#include <sys/types.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>

namespace pwtest {

namespace internal {

QString tail(const QString& path, int lines) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QStringList all = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    return all.mid(qMax(0, all.size() - lines)).join(QLatin1Char('\n'));
}

// Runs in the child between fork and exec: its own process group, so that
// teardown can end whatever it starts, and an end of its own should the test
// process die without running destructors (a crash, an abort).
void DetachChild() {
    ::setsid();
    ::prctl(PR_SET_PDEATHSIG, SIGTERM);
}

}  // namespace internal

namespace {

using internal::DetachChild;
using internal::tail;

// Two outputs of the dummy driver on a virtual screen wide enough for both.
constexpr char kDummyConfig[] =
    "Section \"Device\"\n Identifier \"d\"\n Driver \"dummy\"\n VideoRam 256000\nEndSection\n"
    "Section \"Monitor\"\n Identifier \"m\"\n HorizSync 5.0-1000.0\n VertRefresh 5.0-200.0\n"
    "EndSection\nSection \"Screen\"\n Identifier \"s\"\n Device \"d\"\n Monitor \"m\"\n"
    " DefaultDepth 24\n SubSection \"Display\"\n  Depth 24\n  Virtual 4096 2160\n"
    " EndSubSection\nEndSection\n";

QString hex(XWindowId window) {
    return QStringLiteral("0x") + QString::number(window, 16);
}

// Reads the number after "<label>:" in xwininfo output.
std::optional<QString> field(const QString& output, const QString& label) {
    const QRegularExpression re(
        QStringLiteral("^\\s*") + QRegularExpression::escape(label) + QStringLiteral(":\\s*(\\S+)"),
        QRegularExpression::MultilineOption);
    const auto match = re.match(output);
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    return match.captured(1);
}

}  // namespace

TestDesktop::TestDesktop(std::chrono::milliseconds readyTimeout) : readyTimeout_(readyTimeout) {
    scratch_ = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pwdesk-XXXXXX"));
    if (!scratch_->isValid()) {
        error_ = QStringLiteral("cannot create a scratch folder");
        return;
    }
    const QString home = homePath();
    for (const char* sub : {".config", ".cache", ".local/share", "Desktop", "runtime"}) {
        QDir(home).mkpath(QString::fromLatin1(sub));
    }
    QFile::setPermissions(home + QStringLiteral("/runtime"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

    env_ = QProcessEnvironment::systemEnvironment();
    env_.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env_.remove(QStringLiteral("XAUTHORITY"));
    env_.remove(QStringLiteral("SESSION_MANAGER"));
    // The programs speak English unless a test names a language: whatever
    // the machine's own locale is.
    env_.insert(QStringLiteral("LANGUAGE"), QStringLiteral("en"));
    env_.insert(QStringLiteral("HOME"), home);
    env_.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/.config"));
    env_.insert(QStringLiteral("XDG_CACHE_HOME"), home + QStringLiteral("/.cache"));
    env_.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/.local/share"));
    env_.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/runtime"));
    // No session bus: nothing may start a bus daemon that outlives the test.
    env_.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QStringLiteral("disabled:"));
    env_.insert(QStringLiteral("NO_AT_BRIDGE"), QStringLiteral("1"));
    env_.insert(QStringLiteral("GTK_A11Y"), QStringLiteral("none"));
}

TestDesktop::~TestDesktop() {
    stopAll();
}

XDesktop::XDesktop(Options options) : TestDesktop(options.readyTimeout), options_(options) {
    if (ok() && !startSession()) {
        stopAll();
    }
}

XDesktop::~XDesktop() = default;

bool XDesktop::startSession() {
    if (!startServer()) {
        return false;
    }
    env_.insert(QStringLiteral("DISPLAY"), display_);
    if (options_.windowManager &&
        !(startProgram(QStringLiteral("openbox"), {}) && waitForWindowManager())) {
        return false;
    }
    // The compositor comes before the dock: tint2 looks for one during its
    // first 30 s and, when one turns up, restarts itself with new windows,
    // under other ids whenever another client connected while it was away.
    // The dock window found below then stays the dock's for the session.
    if (options_.compositor) {
        if (!startProgram(QStringLiteral("xcompmgr"), {QStringLiteral("-n")})) {
            return false;
        }
        compositorPid_ = processes_.back()->processId();
        // xcompmgr names a window of its own when it takes the compositing
        // manager selection; it has no _NET_WM_PID to search by.
        if (!awaitReady(QStringLiteral("the compositor"), [&] {
                return !parseWindowIds(run(QStringLiteral("xdotool"),
                                           {QStringLiteral("search"), QStringLiteral("--name"),
                                            QStringLiteral("^xcompmgr$")})
                                           .out)
                            .empty();
            })) {
            return false;
        }
    }
    if (options_.panel) {
        if (!startProgram(QStringLiteral("tint2"), {})) {
            return false;
        }
        panelPid_ = processes_.back()->processId();
        panelWindow_ = waitForClientOfType(panelPid_, QStringLiteral("_NET_WM_WINDOW_TYPE_DOCK"));
        if (panelWindow_ == 0) {
            return false;
        }
    }
    if (options_.desktopIcons) {
        if (!startProgram(QStringLiteral("pcmanfm"), {QStringLiteral("--desktop")})) {
            return false;
        }
        iconsPid_ = processes_.back()->processId();
        iconsWindow_ =
            waitForClientOfType(iconsPid_, QStringLiteral("_NET_WM_WINDOW_TYPE_DESKTOP"));
        if (iconsWindow_ == 0) {
            return false;
        }
    }
    return true;
}

QString TestDesktop::homePath() const {
    return scratch_->path() + QStringLiteral("/home");
}

std::vector<qint64> TestDesktop::processIds() const {
    std::vector<qint64> pids;
    for (const auto& process : processes_) {
        pids.push_back(process->processId());
    }
    return pids;
}

bool XDesktop::startServer() {
    // Servers of tests running side by side may race for one display; one
    // that dies before it reports a display is replaced by a new one.
    constexpr int kAttempts = 3;
    for (int attempt = 1; attempt <= kAttempts; ++attempt) {
        if (tryServer(attempt)) {
            return true;
        }
        stopAll();
    }
    return false;
}

bool XDesktop::tryServer(int attempt) {
    auto server = std::make_unique<QProcess>();
    // -displayfd 1: the server picks a free display and writes its number to
    // stdout once it accepts connections.
    QStringList arguments{QStringLiteral("-displayfd"), QStringLiteral("1"),
                          QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                          QStringLiteral("-noreset")};
    const QString log = scratch_->path() + QStringLiteral("/server.%1.log").arg(attempt);
    if (options_.dummyScreens) {
        const QString config = scratch_->path() + QStringLiteral("/dummy.conf");
        QFile file(config);
        if (!file.open(QIODevice::WriteOnly) || file.write(kDummyConfig) < 0) {
            error_ = QStringLiteral("cannot write ") + config;
            return false;
        }
        file.close();
        server->setProgram(QStringLiteral("Xorg"));
        arguments << QStringLiteral("-config") << config << QStringLiteral("-logfile")
                  << scratch_->path() + QStringLiteral("/Xorg.%1.log").arg(attempt);
    } else {
        server->setProgram(QStringLiteral("Xvfb"));
        arguments << QStringLiteral("-screen") << QStringLiteral("0")
                  << QStringLiteral("%1x%2x24").arg(options_.width).arg(options_.height);
    }
    server->setArguments(arguments);
    server->setProcessEnvironment(env_);
    server->setStandardErrorFile(log);
    server->setChildProcessModifier(DetachChild);
    server->start();
    if (!server->waitForStarted(5000)) {
        error_ = QStringLiteral("cannot start ") + server->program() + QStringLiteral(": ") +
                 server->errorString();
        return false;
    }
    QProcess* raw = server.get();
    processes_.push_back(std::move(server));

    QByteArray out;
    QDeadlineTimer deadline(readyTimeout_);
    while (!out.contains('\n')) {
        if (deadline.hasExpired() || raw->state() != QProcess::Running) {
            error_ = raw->program() + QStringLiteral(" did not report a display:\n") + tail(log);
            return false;
        }
        raw->waitForReadyRead(100);
        out += raw->readAllStandardOutput();
    }
    bool number = false;
    const int display = QString::fromLatin1(out).trimmed().toInt(&number);
    if (!number) {
        error_ = raw->program() + QStringLiteral(" wrote no display number: ") +
                 QString::fromLatin1(out);
        return false;
    }
    display_ = QStringLiteral(":%1").arg(display);
    error_.clear();
    return true;
}

bool TestDesktop::startProgram(const QString& program, const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    process->setProgram(program);
    process->setArguments(arguments);
    process->setProcessEnvironment(env_);
    process->setWorkingDirectory(homePath());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(scratch_->path() + QLatin1Char('/') + program +
                                   QStringLiteral(".log"));
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->setChildProcessModifier(DetachChild);
    process->start();
    const bool started = process->waitForStarted(5000);
    if (!started) {
        error_ = QStringLiteral("cannot start ") + program + QStringLiteral(": ") +
                 process->errorString();
    }
    processes_.push_back(std::move(process));
    return started;
}

bool TestDesktop::awaitReady(const QString& what, const std::function<bool()>& ready) {
    QProcess* process = processes_.back().get();
    const bool done =
        waitFor([&] { return process->state() != QProcess::Running || ready(); }, readyTimeout_);
    if (!done || process->state() != QProcess::Running) {
        error_ =
            what + QStringLiteral(" did not come up:\n") +
            tail(scratch_->path() + QLatin1Char('/') + process->program() + QStringLiteral(".log"));
        return false;
    }
    return true;
}

bool XDesktop::waitForWindowManager() {
    return awaitReady(QStringLiteral("the window manager"), [&] {
        const auto check = property(0, QStringLiteral("_NET_SUPPORTING_WM_CHECK"));
        if (!check || check->isEmpty()) {
            return false;
        }
        const auto ids = parseWindowIds(check->first());
        if (ids.empty()) {
            return false;
        }
        // The check window names itself once the manager is set up.
        const auto self = property(ids.front(), QStringLiteral("_NET_SUPPORTING_WM_CHECK"));
        return self && !self->isEmpty() && parseWindowIds(self->first()) == ids;
    });
}

XWindowId XDesktop::waitForClientOfType(qint64 pid, const QString& typeAtom) {
    XWindowId found = 0;
    awaitReady(processes_.back()->program() + QStringLiteral(" (a ") + typeAtom +
                   QStringLiteral(" window)"),
               [&] {
                   for (XWindowId window : windowsOfPid(pid)) {
                       const auto type = property(window, QStringLiteral("_NET_WM_WINDOW_TYPE"));
                       if (!type || !type->contains(typeAtom) || !windowInfo(window).viewable()) {
                           continue;
                       }
                       if (options_.windowManager) {
                           const auto clients = clientList();
                           if (std::find(clients.begin(), clients.end(), window) == clients.end()) {
                               continue;
                           }
                       }
                       found = window;
                       return true;
                   }
                   return false;
               });
    return found;
}

void TestDesktop::stopAll() {
    // Last started first, so that the server goes last.
    for (auto it = processes_.rbegin(); it != processes_.rend(); ++it) {
        QProcess& process = **it;
        const qint64 group = process.processId();
        if (process.state() != QProcess::NotRunning && group > 0) {
            ::kill(-static_cast<pid_t>(group), SIGTERM);
            if (!process.waitForFinished(3000)) {
                ::kill(-static_cast<pid_t>(group), SIGKILL);
                process.waitForFinished(3000);
            }
            // Whatever the leader left behind in its group goes too.
            ::kill(-static_cast<pid_t>(group), SIGKILL);
        }
    }
    processes_.clear();
}

ToolResult TestDesktop::run(const QString& program, const QStringList& arguments,
                            std::chrono::milliseconds timeout) const {
    ToolResult result;
    QProcess process;
    process.setProcessEnvironment(env_);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(5000)) {
        result.err = process.errorString();
        return result;
    }
    result.started = true;
    if (!process.waitForFinished(static_cast<int>(timeout.count()))) {
        process.kill();
        process.waitForFinished(3000);
        result.err = program + QStringLiteral(" timed out");
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err += QString::fromUtf8(process.readAllStandardError());
    return result;
}

std::optional<QStringList> TestDesktop::property(XWindowId window, const QString& name) const {
    QStringList arguments;
    if (window == 0) {
        arguments << QStringLiteral("-root");
    } else {
        arguments << QStringLiteral("-id") << hex(window);
    }
    arguments << name;
    const ToolResult result = run(QStringLiteral("xprop"), arguments);
    if (!result.ok()) {
        return std::nullopt;
    }
    return parseXprop(result.out, name);
}

XWindowInfo TestDesktop::windowInfo(XWindowId window) const {
    const ToolResult result =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), hex(window),
                                         QStringLiteral("-children"), QStringLiteral("-stats")});
    if (!result.ok()) {
        return {};
    }
    return parseXwininfo(result.out);
}

std::vector<XWindowId> TestDesktop::clientList() const {
    const auto list = property(0, QStringLiteral("_NET_CLIENT_LIST"));
    return list ? parseWindowIds(list->join(QLatin1Char(' '))) : std::vector<XWindowId>{};
}

std::vector<XWindowId> TestDesktop::topLevelWindows() const {
    const ToolResult result =
        run(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-children")});
    std::vector<XWindowId> windows;
    if (result.ok()) {
        // Child lines start with the window id; the header lines do not.
        const QRegularExpression line(QStringLiteral("^\\s+(0x[0-9a-fA-F]+)\\s"),
                                      QRegularExpression::MultilineOption);
        auto it = line.globalMatch(result.out);
        while (it.hasNext()) {
            windows.push_back(it.next().captured(1).toULongLong(nullptr, 16));
        }
    }
    for (XWindowId client : clientList()) {
        if (std::find(windows.begin(), windows.end(), client) == windows.end()) {
            windows.push_back(client);
        }
    }
    return windows;
}

std::vector<XWindowId> TestDesktop::windowsOfPid(qint64 pid) const {
    const ToolResult result =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--pid"), QString::number(pid)});
    return parseWindowIds(result.out);
}

std::vector<XWindowId> TestDesktop::windowsOfType(const QString& typeAtom) const {
    std::vector<XWindowId> found;
    for (XWindowId window : topLevelWindows()) {
        const auto type = property(window, QStringLiteral("_NET_WM_WINDOW_TYPE"));
        if (type && type->contains(typeAtom)) {
            found.push_back(window);
        }
    }
    return found;
}

std::optional<QStringList> TestDesktop::parseXprop(const QString& output, const QString& name) {
    for (const QString& line : output.split(QLatin1Char('\n'))) {
        if (!line.startsWith(name)) {
            continue;
        }
        const QString rest = line.mid(name.size());
        if (!rest.startsWith(QLatin1Char('(')) && !rest.startsWith(QLatin1Char(':'))) {
            continue;  // a longer name that begins with this one
        }
        if (rest.contains(QStringLiteral("not found")) ||
            rest.contains(QStringLiteral("no such atom"))) {
            return std::nullopt;
        }
        // "NAME(TYPE) = a, b" or "NAME(WINDOW): window id # 0x1, 0x2"
        qsizetype start = rest.indexOf(QStringLiteral(" = "));
        if (start >= 0) {
            start += 3;
        } else {
            start = rest.indexOf(QLatin1Char(':'));
            if (start < 0) {
                return QStringList{};
            }
            start += 1;
        }
        QString values = rest.mid(start).trimmed();
        if (values.startsWith(QStringLiteral("window id # "))) {
            values = values.mid(12);
        }
        if (values.isEmpty()) {
            return QStringList{};
        }
        QStringList items = values.split(QStringLiteral(", "));
        for (QString& item : items) {
            item = item.trimmed();
        }
        return items;
    }
    return std::nullopt;
}

XWindowInfo TestDesktop::parseXwininfo(const QString& output) {
    XWindowInfo info;
    const auto x = field(output, QStringLiteral("Absolute upper-left X"));
    const auto y = field(output, QStringLiteral("Absolute upper-left Y"));
    const auto width = field(output, QStringLiteral("Width"));
    const auto height = field(output, QStringLiteral("Height"));
    const auto mapState = field(output, QStringLiteral("Map State"));
    if (!x || !y || !width || !height || !mapState) {
        return info;
    }
    info.exists = true;
    info.geometry = QRect(x->toInt(), y->toInt(), width->toInt(), height->toInt());
    info.mapState = *mapState;
    info.overrideRedirect =
        field(output, QStringLiteral("Override Redirect State")) == QStringLiteral("yes");
    if (const auto parent = field(output, QStringLiteral("Parent window id"))) {
        info.parent = parent->toULongLong(nullptr, 16);
    }
    return info;
}

std::vector<XWindowId> TestDesktop::parseWindowIds(const QString& text) {
    std::vector<XWindowId> ids;
    const QRegularExpression id(QStringLiteral("\\b(0x[0-9a-fA-F]+|[0-9]+)\\b"));
    auto it = id.globalMatch(text);
    while (it.hasNext()) {
        const QString token = it.next().captured(1);
        bool ok = false;
        const XWindowId value = token.startsWith(QStringLiteral("0x"))
                                    ? token.mid(2).toULongLong(&ok, 16)
                                    : token.toULongLong(&ok, 10);
        if (ok && value != 0) {
            ids.push_back(value);
        }
    }
    return ids;
}

}  // namespace pwtest
