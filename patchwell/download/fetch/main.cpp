// patchwell-fetch: drives one download control from the command line, the
// way a host window does, and prints what it reports.

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <memory>

#include <fcntl.h>
#include <unistd.h>

#include "common/cli/cli_parser.h"
#include "common/i18n/translations.h"
#include "patchwell/download/control/download_core.h"
#include "patchwell/download/control/download_environment.h"
#include "patchwell/download/control/download_events.h"
#include "patchwell/download/control/download_interface.h"
#include "patchwell/download/fetch/fetch_cli.h"

using patchwell::download::DownLoadCore;
using patchwell::download::EventRelay;
using patchwell::download::SystemDownLoadEnvironment;
using namespace patchwell::fetch;

namespace {

int interruptPipe[2] = {-1, -1};

// The properties reported after the run, each one of the control's.
constexpr const char* kReportedProperties[] = {"FileExists", "FileSize", "ResumeSupported",
                                               "Connected", "InDL"};
constexpr bool AreProperties() {
    for (const char* name : kReportedProperties) {
        if (patchwell::download::PropertyIndex(name) < 0) {
            return false;
        }
    }
    return true;
}
static_assert(AreProperties(), "patchwell-fetch reports properties of the control");

// The first Ctrl-C asks the control to cancel (through the event loop, at the
// next point where the control lets events run); a second one ends the
// program the default way.
extern "C" void onInterrupt(int) {
    const char byte = 'i';
    [[maybe_unused]] const auto ignored = ::write(interruptPipe[1], &byte, 1);
    std::signal(SIGINT, SIG_DFL);
}

void printLine(const char* name, const QString& value) {
    const QByteArray bytes = value.toLocal8Bit();
    std::fputs(name, stdout);
    std::fputc('\t', stdout);
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

void printNumber(const char* name, qint64 value) {
    std::fprintf(stdout, "%s\t%lld\n", name, static_cast<long long>(value));
}

void printProperty(const char* name, bool value) {
    std::fprintf(stdout, "@%s\t%s\n", name, value ? "true" : "false");
}

// Event lines are buffered for speed; whenever the control lets events run
// (at least every 50 ms during a transfer, and at every wait) what has been
// printed so far goes out, so a reader sees the lines as they come.
class FetchEnvironment : public SystemDownLoadEnvironment {
public:
    using SystemDownLoadEnvironment::SystemDownLoadEnvironment;
    void ProcessEvents() override {
        std::fflush(stdout);
        SystemDownLoadEnvironment::ProcessEvents();
    }
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The usage and its errors in the user's language; the event lines stay
    // the control's own.
    common::InstallTranslations(QStringLiteral("patchwell"));
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    if (arguments.size() == 1 && (arguments.first() == QStringLiteral("--help") ||
                                  arguments.first() == QStringLiteral("-h"))) {
        std::fputs(UsageText().toLocal8Bit().constData(), stdout);
        return 0;
    }
    if (arguments.size() == 1 && arguments.first() == QStringLiteral("--version")) {
        return *common::cli::Emit(
            {0, common::cli::VersionText(QStringLiteral("patchwell-fetch")), {}});
    }
    QString error;
    const auto options = ParseFetchArguments(arguments, error);
    if (!options) {
        std::fprintf(stderr, "patchwell-fetch: %s\n\n%s", error.toLocal8Bit().constData(),
                     UsageText().toLocal8Bit().constData());
        return 2;
    }

    // Event lines are many and small: buffer them unless someone watches.
    static char outBuffer[1 << 16];
    if (::isatty(STDOUT_FILENO) == 0) {
        std::setvbuf(stdout, outBuffer, _IOFBF, sizeof outBuffer);
    }

    auto environment =
        std::make_shared<FetchEnvironment>(std::make_unique<TerminalDialogs>(stdin, stderr));
    DownLoadCore core(environment);
    core.setUrl(options->url);
    core.setSaveLocation(options->saveLocation);
    core.setCHUNK(options->chunk);
    core.setKeepType(options->keepType);
    core.setOnlineCheck(options->onlineCheck);
    core.setPromptOverwrite(options->promptOverwrite);

    bool completed = false;
    QObject::connect(&core, &DownLoadCore::DLComplete, [&completed] { completed = true; });

    std::unique_ptr<EventRelay> printer;
    std::unique_ptr<ProgressLine> progress;
    QElapsedTimer clock;
    qint64 lastBytes = 0;
    if (!options->quiet) {
        // Every event, one line each: its name and its value.
        printer =
            std::make_unique<EventRelay>(core, [](const QString& name, const QVariant& value) {
                const QByteArray event = name.toLatin1();
                if (value.typeId() == QMetaType::Int || value.typeId() == QMetaType::LongLong) {
                    printNumber(event.constData(), value.toLongLong());
                } else {
                    printLine(event.constData(), value.toString());
                }
            });
    } else if (::isatty(STDERR_FILENO) != 0) {
        const qint64 existing = options->resume ? QFileInfo(options->saveLocation).size() : 0;
        progress = std::make_unique<ProgressLine>(stderr, existing);
        QObject::connect(&core, &DownLoadCore::RecievedBytes, [&](qint64 bytes) {
            lastBytes = bytes;
            progress->Update(bytes, core.FileSize(), clock.elapsed() / 1000.0);
        });
    }

    // Ctrl-C reaches the control as a Cancel() from the event loop, which
    // the control runs during its waits and the transfer during its reads.
    if (::pipe2(interruptPipe, O_CLOEXEC | O_NONBLOCK) == 0) {
        auto* notifier = new QSocketNotifier(interruptPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, [&core] {
            char byte;
            while (::read(interruptPipe[0], &byte, 1) > 0) {
            }
            core.Cancel();
        });
        struct sigaction action {};
        action.sa_handler = onInterrupt;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGINT, &action, nullptr);
    }

    clock.start();
    core.GetFileInformation();
    bool success = false;
    if (options->probe) {
        success = core.FileExists() && core.FileSize() > 0;
    } else if (core.FileSize() > 0) {
        clock.restart();
        if (options->resume) {
            core.DLResume();
        } else {
            core.download();
        }
        success = completed;
    }
    if (progress) {
        progress->Update(lastBytes, core.FileSize(), clock.elapsed() / 1000.0, true);
        progress->Finish();
    }

    for (const char* name : kReportedProperties) {
        const QVariant value = core.property(name);
        if (value.typeId() == QMetaType::Bool) {
            printProperty(name, value.toBool());
        } else {
            std::fprintf(stdout, "@%s\t%lld\n", name, value.toLongLong());
        }
    }
    std::fflush(stdout);
    return success ? 0 : 1;
}
