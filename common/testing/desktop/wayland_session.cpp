// The Wayland session (WaylandDesktop): headless sway with two outputs and XWayland, and the tools
// that drive and read it (swaymsg, the virtual pointer and keyboard tools, grim).

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <unistd.h>

#include "common/testing/desktop/internal.h"
#include "common/testing/desktop/test_desktop.h"
#include "common/testing/wait_for.h"

namespace pwtest {

namespace {

// sway refuses to run as root; a root test runs it as nobody.
constexpr uid_t kSwayUser = 65534;

QString firstEntry(const QString& folder, const QString& pattern) {
    const QStringList found = QDir(folder).entryList({pattern}, QDir::System | QDir::Files);
    return found.isEmpty() ? QString() : folder + QLatin1Char('/') + found.first();
}

}  // namespace

WaylandDesktop::WaylandDesktop(Options options)
    : TestDesktop(options.readyTimeout), options_(options) {
    if (ok() && !startSway()) {
        stopInputTools();
        stopAll();
    }
}

WaylandDesktop::~WaylandDesktop() {
    stopInputTools();
    stopAll();
}

// The tools end at the end of their input, before the session they drive.
void WaylandDesktop::stopInputTools() {
    for (std::unique_ptr<QProcess>* tool : {&pointer_, &keyboard_}) {
        if (*tool != nullptr) {
            (*tool)->closeWriteChannel();
            if (!(*tool)->waitForFinished(3000)) {
                (*tool)->kill();
                (*tool)->waitForFinished(3000);
            }
            tool->reset();
        }
    }
}

// Starts one sway as sway's user with `config` and the backend's variables in `backend`, its
// log in the scratch folder's `log`; ready once its sockets exist and `outputs` outputs are up.
bool WaylandDesktop::launchSway(const QByteArray& config, const QProcessEnvironment& backend,
                                const QString& log, int outputs, SwaySockets* sockets) {
    auto runtimeFolder =
        std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/pwway-XXXXXX"));
    if (!runtimeFolder->isValid()) {
        error_ = QStringLiteral("cannot create sway's runtime folder");
        return false;
    }
    const QString runtime = runtimeFolder->path();
    swayRuntimes_.push_back(std::move(runtimeFolder));
    const bool root = ::getuid() == 0;
    const QString configPath = runtime + QStringLiteral("/config");
    QFile file(configPath);
    if (!file.open(QIODevice::WriteOnly) || file.write(config) != config.size()) {
        error_ = QStringLiteral("cannot write ") + configPath;
        return false;
    }
    file.close();
    if (root && (::chown(QFile::encodeName(runtime).constData(), kSwayUser, kSwayUser) != 0 ||
                 ::chown(QFile::encodeName(configPath).constData(), kSwayUser, kSwayUser) != 0)) {
        error_ = QStringLiteral("cannot hand ") + runtime + QStringLiteral(" to sway's user");
        return false;
    }

    QProcessEnvironment swayEnv = backend;
    for (const char* name : {"PATH", "LANG"}) {
        if (env_.contains(QString::fromLatin1(name))) {
            swayEnv.insert(QString::fromLatin1(name), env_.value(QString::fromLatin1(name)));
        }
    }
    swayEnv.insert(QStringLiteral("HOME"), runtime);
    swayEnv.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    swayEnv.insert(QStringLiteral("WLR_RENDERER"), QStringLiteral("pixman"));
    swayEnv.insert(QStringLiteral("WLR_LIBINPUT_NO_DEVICES"), QStringLiteral("1"));

    auto sway = std::make_unique<QProcess>();
    QStringList command{QStringLiteral("sway"), QStringLiteral("-d"), QStringLiteral("-c"),
                        configPath};
    if (root) {
        sway->setProgram(QStringLiteral("setpriv"));
        command = QStringList{QStringLiteral("--reuid=%1").arg(kSwayUser),
                              QStringLiteral("--regid=%1").arg(kSwayUser),
                              QStringLiteral("--clear-groups"), QStringLiteral("--")} +
                  command;
    } else {
        sway->setProgram(command.takeFirst());
    }
    sway->setArguments(command);
    sway->setProcessEnvironment(swayEnv);
    sway->setWorkingDirectory(runtime);
    sway->setStandardInputFile(QProcess::nullDevice());
    sway->setStandardOutputFile(scratch_->path() + QLatin1Char('/') + log);
    sway->setProcessChannelMode(QProcess::MergedChannels);
    sway->setChildProcessModifier(internal::DetachChild);
    sway->start();
    if (!sway->waitForStarted(5000)) {
        error_ = QStringLiteral("cannot start sway: ") + sway->errorString();
        return false;
    }
    processes_.push_back(std::move(sway));

    const bool up = waitFor(
        [&] {
            if (processes_.back()->state() != QProcess::Running) {
                return true;
            }
            sockets->wayland = firstEntry(runtime, QStringLiteral("wayland-[0-9]"));
            sockets->ipc = firstEntry(runtime, QStringLiteral("sway-ipc.*.sock"));
            if (sockets->wayland.isEmpty() || sockets->ipc.isEmpty()) {
                return false;
            }
            int active = 0;
            for (const WaylandOutput& output : outputsOf(sockets->ipc)) {
                active += output.active ? 1 : 0;
            }
            return active == outputs;
        },
        readyTimeout_);
    if (!up || processes_.back()->state() != QProcess::Running) {
        error_ = QStringLiteral("sway did not come up:\n") +
                 internal::tail(scratch_->path() + QLatin1Char('/') + log);
        return false;
    }
    return true;
}

bool WaylandDesktop::startSway() {
    const QByteArray mode =
        QByteArray::number(options_.width) + 'x' + QByteArray::number(options_.height);
    QProcessEnvironment backend;
    QByteArray first = "HEADLESS-1";
    QByteArray second = "HEADLESS-2";
    if (options_.nested) {
        // The outer sway shows the inner one's outputs as windows, floating at their own size.
        QProcessEnvironment outerBackend;
        outerBackend.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        outerBackend.insert(QStringLiteral("WLR_HEADLESS_OUTPUTS"), QStringLiteral("1"));
        if (!launchSway("xwayland disable\nfor_window [app_id=\"wlroots\"] floating enable\n",
                        outerBackend, QStringLiteral("sway-outer.log"), 1, &outer_)) {
            return false;
        }
        backend.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("wayland"));
        backend.insert(QStringLiteral("WLR_WL_OUTPUTS"), QStringLiteral("2"));
        backend.insert(QStringLiteral("WAYLAND_DISPLAY"), outer_.wayland);
        first = "WL-1";
        second = "WL-2";
    } else {
        backend.insert(QStringLiteral("WLR_BACKENDS"), QStringLiteral("headless"));
        backend.insert(QStringLiteral("WLR_HEADLESS_OUTPUTS"), QStringLiteral("2"));
    }
    // Every output gets a wallpaper (outputs added later too): sway 1.7 leaves the pixels of a
    // moved surface on an output without one.
    const QByteArray config = "output * bg #444444 solid_color\noutput " + first + " mode " + mode +
                              " pos 0 0 bg #336699 solid_color\noutput " + second + " mode " +
                              mode + " pos " + QByteArray::number(options_.width) +
                              " 0 bg #665544 solid_color\n"
                              "xwayland enable\nfocus_follows_mouse no\ndefault_border none\n";
    SwaySockets sockets;
    if (!launchSway(config, backend, QStringLiteral("sway.log"), 2, &sockets)) {
        return false;
    }
    env_.insert(QStringLiteral("WAYLAND_DISPLAY"), sockets.wayland);
    env_.insert(QStringLiteral("SWAYSOCK"), sockets.ipc);
    const QString runtime = QFileInfo(sockets.ipc).path();
    const bool root = ::getuid() == 0;
    // XWayland's display as sway hands it to the programs it starts.
    const QString displayFile = runtime + QStringLiteral("/display");
    if (!swaymsg({QStringLiteral("exec"), QStringLiteral("printenv DISPLAY > ") + displayFile})
             .ok() ||
        !waitFor([&] { return QFileInfo(displayFile).size() > 0; }, readyTimeout_)) {
        error_ = QStringLiteral("sway reported no XWayland display:\n") +
                 internal::tail(scratch_->path() + QStringLiteral("/sway.log"));
        return false;
    }
    QFile displayText(displayFile);
    displayText.open(QIODevice::ReadOnly);
    display_ = QString::fromLatin1(displayText.readAll()).trimmed();
    env_.insert(QStringLiteral("DISPLAY"), display_);
    if (root) {
        // XWayland lets in sway's user only: the programs under test run as root.
        const QString granted = runtime + QStringLiteral("/xhost");
        swaymsg({QStringLiteral("exec"), QStringLiteral("xhost +si:localuser:root > ") + granted +
                                             QStringLiteral(" 2>&1")});
        if (!waitFor([&] { return QFileInfo(granted).size() > 0; }, readyTimeout_)) {
            error_ = QStringLiteral("XWayland did not let root in");
            return false;
        }
    }
    return startInputTools();
}

QString WaylandDesktop::swayLog() const {
    QFile file(scratch_->path() + QStringLiteral("/sway.log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

ToolResult WaylandDesktop::swaymsg(const QStringList& arguments) const {
    return run(
        QStringLiteral("swaymsg"),
        QStringList{QStringLiteral("-s"), env_.value(QStringLiteral("SWAYSOCK"))} + arguments);
}

std::vector<WaylandOutput> WaylandDesktop::outputs() const {
    return outputsOf(env_.value(QStringLiteral("SWAYSOCK")));
}

std::vector<WaylandOutput> WaylandDesktop::outputsOf(const QString& ipc) const {
    const ToolResult result =
        run(QStringLiteral("swaymsg"), {QStringLiteral("-s"), ipc, QStringLiteral("-r"),
                                        QStringLiteral("-t"), QStringLiteral("get_outputs")});
    return result.ok() ? parseSwayOutputs(result.out) : std::vector<WaylandOutput>{};
}

// The output's window in the outer sway is closed; the inner one drops the output.
bool WaylandDesktop::removeOutput(const QString& name) const {
    if (outer_.ipc.isEmpty()) {
        return false;
    }
    const ToolResult closed =
        run(QStringLiteral("swaymsg"), {QStringLiteral("-s"), outer_.ipc,
                                        QStringLiteral("[title=\"wlroots - %1\"] kill").arg(name)});
    return closed.ok() && waitFor([&] {
               for (const WaylandOutput& output : outputs()) {
                   if (output.name == name) {
                       return false;
                   }
               }
               return true;
           });
}

std::vector<WaylandOutput> WaylandDesktop::parseSwayOutputs(const QString& json) {
    std::vector<WaylandOutput> found;
    for (const QJsonValue& value : QJsonDocument::fromJson(json.toUtf8()).array()) {
        const QJsonObject output = value.toObject();
        const QJsonObject rect = output.value(QStringLiteral("rect")).toObject();
        found.push_back(
            {output.value(QStringLiteral("name")).toString(),
             output.value(QStringLiteral("active")).toBool(),
             QRect(rect.value(QStringLiteral("x")).toInt(), rect.value(QStringLiteral("y")).toInt(),
                   rect.value(QStringLiteral("width")).toInt(),
                   rect.value(QStringLiteral("height")).toInt())});
    }
    return found;
}

bool WaylandDesktop::pointerTo(int x, int y, bool click) const {
    return pointerCommand(x, y, click ? " click" : "");
}

bool WaylandDesktop::rightClickAt(int x, int y) const {
    return pointerCommand(x, y, " rclick");
}

bool WaylandDesktop::leftButtonAt(int x, int y, bool down) const {
    return pointerCommand(x, y, down ? " press" : " release");
}

bool WaylandDesktop::pointerCommand(int x, int y, const char* action) const {
    // The layout's box: absolute motion maps onto it.
    QRect layout;
    for (const WaylandOutput& output : outputs()) {
        if (output.active) {
            layout = layout.united(output.rect);
        }
    }
    if (layout.isEmpty() || !layout.contains(x, y)) {
        return false;
    }
    const QByteArray line = QByteArray::number(x - layout.x()) + ' ' +
                            QByteArray::number(y - layout.y()) + ' ' +
                            QByteArray::number(layout.width()) + ' ' +
                            QByteArray::number(layout.height()) + action + '\n';
    return toolCommand(pointer_.get(), line) == "ok";
}

// Writes one command line to an input tool of the session and returns the line it answers.
QByteArray WaylandDesktop::toolCommand(QProcess* tool, const QByteArray& line) {
    if (tool == nullptr || tool->state() != QProcess::Running) {
        return {};
    }
    tool->write(line);
    QByteArray answer;
    QDeadlineTimer deadline(std::chrono::seconds(10));
    while (!answer.contains('\n') && !deadline.hasExpired() && tool->state() == QProcess::Running) {
        tool->waitForReadyRead(100);
        answer += tool->readAllStandardOutput();
    }
    return answer.trimmed();
}

// Starts an input tool of the session (one device for the whole session); null when it did not
// report "ready".
std::unique_ptr<QProcess> WaylandDesktop::startTool(const QString& program) const {
    auto tool = std::make_unique<QProcess>();
    tool->setProcessEnvironment(env_);
    tool->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    tool->setChildProcessModifier(internal::DetachChild);
    tool->start(program, {});
    QByteArray answer;
    QDeadlineTimer deadline(readyTimeout_);
    while (!answer.contains('\n') && !deadline.hasExpired() &&
           tool->state() != QProcess::NotRunning) {
        tool->waitForReadyRead(100);
        answer += tool->readAllStandardOutput();
    }
    return answer.trimmed() == "ready" ? std::move(tool) : nullptr;
}

// The session's pointer and keyboard tools.
bool WaylandDesktop::startInputTools() {
#if defined(PW_WL_POINTER) && defined(PW_WL_KEYBOARD)
    pointer_ = startTool(QStringLiteral(PW_WL_POINTER));
    keyboard_ = startTool(QStringLiteral(PW_WL_KEYBOARD));
    if (pointer_ == nullptr || keyboard_ == nullptr) {
        error_ =
            QStringLiteral("the %1 tool did not start")
                .arg(pointer_ == nullptr ? QStringLiteral("pointer") : QStringLiteral("keyboard"));
        return false;
    }
    return true;
#else
    error_ = QStringLiteral(
        "built without the Wayland input tools (libwayland-dev or libxkbcommon-dev missing)");
    return false;
#endif
}

bool WaylandDesktop::type(const QString& text, bool key) const {
    if (text.contains(QLatin1Char('\n'))) {
        return false;  // one command a line
    }
    const QByteArray line = (key ? "key " : "type ") + text.toUtf8() + '\n';
    return toolCommand(keyboard_.get(), line) == "ok";
}

bool WaylandDesktop::screenshot(const QString& output, const QString& path) const {
    return run(QStringLiteral("grim"), {QStringLiteral("-o"), output, path}).ok();
}

}  // namespace pwtest
