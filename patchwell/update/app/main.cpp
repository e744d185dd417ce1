// patchwell: keeps the program in its folder up to date.

#include <QApplication>

#include "common/cli/cli_parser.h"
#include "common/paths/program_path.h"
#include "common/process/termination_signals.h"
#include "patchwell/platform/folder_storage.h"
#include "patchwell/platform/instance_guard.h"
#include "patchwell/platform/private_folder.h"
#include "patchwell/platform/process_launcher.h"
#include "patchwell/platform/program_lifetime.h"
#include "patchwell/platform/qt_message_boxes.h"
#include "patchwell/platform/small_fetcher.h"
#include "patchwell/update/core/trust_state.h"
#include "patchwell/update/windows/forms.h"

int main(int argc, char* argv[]) {
    // --help, --version and --forget-key; they answer without a window.
    common::cli::CommandLine line(QStringLiteral("patchwell"),
                                  QStringLiteral("Keeps the program in its folder up to date."));
    const QCommandLineOption forgetKey(
        QStringLiteral("forget-key"),
        QStringLiteral("Forget the signing key kept for this program folder: its updates are "
                       "then no longer checked for signatures until update.ini names a key."));
    line.addOption(forgetKey);
    if (const auto code = common::cli::Emit(line.parse(common::cli::Arguments(argc, argv)))) {
        return *code;
    }
    if (line.parser().isSet(forgetKey)) {
        QCoreApplication core(argc, argv);
        bool ok = false;
        const QString text = patchwell::update::ForgetTrust(patchwell::platform::UserStateFolder(),
                                                            common::ProgramFolder(), ok) +
                             QStringLiteral("\n");
        return *common::cli::Emit({ok ? 0 : 1, ok ? text : QString(), ok ? QString() : text});
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Patchwell"));
    // Windows come and go (hidden, replaced) during the run; the program ends
    // only through its own steps.
    QApplication::setQuitOnLastWindowClosed(false);

    patchwell::platform::DetachedProcessLauncher launcher;
    patchwell::platform::LockFileInstanceGuard guard(QCoreApplication::applicationFilePath());
    patchwell::platform::QtMessageBoxes messages;
    patchwell::platform::RealProgramLifetime lifetime;
    patchwell::platform::HttpSmallFetcher fetcher;
    patchwell::platform::SystemFolderStorage storage;
    patchwell::update::Services services{launcher,
                                         guard,
                                         messages,
                                         lifetime,
                                         fetcher,
                                         common::ProgramFolder(),
                                         QCoreApplication::applicationFilePath(),
                                         storage,
                                         patchwell::platform::UserStateFolder()};

    patchwell::update::Forms forms(services, patchwell::update::DownLoadControlFactory());
    // Log-out, kill or a closed terminal: clean up as the download window's
    // unload does, then end.
    common::TerminationSignals termination;
    QObject::connect(&termination, &common::TerminationSignals::Requested, &app,
                     [&forms](int) { forms.Terminate(); });
    forms.Start();
    return QApplication::exec();
}
