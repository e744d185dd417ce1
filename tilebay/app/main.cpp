// tilebay: the desktop drawer panel.

#include <QApplication>
#include <QProcessEnvironment>

#include "common/cli/cli_parser.h"
#include "common/i18n/translations.h"
#include "common/process/termination_signals.h"
#include "tilebay/app/display_platform.h"
#include "tilebay/app/panel_controller.h"
#include "tilebay/app/program_folder.h"
#include "tilebay/app/shell_restore.h"
#include "tilebay/app/single_instance.h"
#include "tilebay/app/toggle_command.h"
#include "tilebay/cli/tilebay_command_line.h"
#include "tilebay/panel/items/file_icons.h"

namespace {

// `tilebay --toggle`: no window of its own, only a word to the running panel.
int RunToggle(const QString& lockPath) {
    if (tilebay::SendToggle(tilebay::ToggleSocketPath(lockPath), 3000)) {
        return 0;
    }
    common::cli::Emit({1,
                       {},
                       QCoreApplication::translate("tilebay::main",
                                                   "tilebay: no panel is running on this display") +
                           u'\n'});
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    // The programs the panel starts get the environment tilebay was started
    // with, taken before tilebay sets its own display platform.
    const QProcessEnvironment startEnvironment = QProcessEnvironment::systemEnvironment();
    // --help, --version and --autostart answer before any window or lock,
    // in the user's language: translations need an application object, and
    // a QCoreApplication must be gone before the QApplication comes.
    const QStringList arguments = common::cli::Arguments(argc, argv);
    const QString lockPath = tilebay::InstanceLockPath(qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                                       qEnvironmentVariable("DISPLAY"));
    {
        QCoreApplication answering(argc, argv);
        common::InstallTranslations(QStringLiteral("tilebay"));
        if (const auto code = common::cli::Emit(
                tilebay::RunCommandLine(arguments, tilebay::CurrentAutostartPlaces()))) {
            return *code;
        }
        if (tilebay::IsToggleCommand(arguments)) {
            return RunToggle(lockPath);
        }
    }
    tilebay::SetUpDisplayPlatform();
    QApplication::setApplicationName(QStringLiteral("tilebay"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.patchwell.tilebay"));
    QApplication app(argc, argv);
    common::InstallTranslations(QStringLiteral("tilebay"));
    QApplication::setQuitOnLastWindowClosed(false);

    // A second panel for the same user and display ends at once, before it
    // touches the desktop or the settings.
    const auto lock = tilebay::InstanceLock::Acquire(lockPath);
    if (!lock) {
        return 0;
    }
    common::TerminationSignals signals;

    tilebay::EnsureIconTheme();
    const QString programFolder = tilebay::ResolveProgramFolder(tilebay::CurrentPlaces());
    const auto desktopShell = tilebay::MakeDesktopShellEffects();
    // A run that ended without its closing steps left the taskbar or the
    // desktop icons hidden: they come back before anything else.
    tilebay::RestorableShellEffects shell(*desktopShell, tilebay::ShellStatePath(lockPath));
    shell.RestoreAfterUncleanEnd();
    tilebay::ThemeFileIconSource icons;
    tilebay::ProcessEventsPause pause;
    tilebay::SystemLoginName login;
    tilebay::XdgDesktopFolders folders;
    tilebay::ProcessRunService run(startEnvironment);
    tilebay::PanelServices services{shell, icons, pause, login, folders, run};
    services.makeWatcher = [] { return std::make_unique<tilebay::InotifyFolderWatcher>(); };
    services.notify = [](const QString& text) { tilebay::ShowNotice(text); };

    tilebay::QtDesktopActions desktopActions(run);
    tilebay::PanelController controller(programFolder, services,
                                        [] { return tilebay::CreateSequencerDevice(); });
    controller.SetDesktopActions(&desktopActions);
    tilebay::ToggleServer toggle;
    toggle.Listen(tilebay::ToggleSocketPath(lockPath));
    QObject::connect(&toggle, &tilebay::ToggleServer::toggleRequested, &controller,
                     [&controller] { controller.Toggle(); });
    // Queued: a signal during the first load ends it before the event loop
    // runs, and an exit asked for then would be lost.
    QObject::connect(
        &controller, &tilebay::PanelController::finished, &app,
        [](int code) { QCoreApplication::exit(code); }, Qt::QueuedConnection);
    QObject::connect(&signals, &common::TerminationSignals::Requested, &controller,
                     [&controller] { controller.Terminate(); });
    controller.loadPanel();
    return QApplication::exec();
}
