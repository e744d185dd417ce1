// tilebay: the desktop drawer panel.

#include <QApplication>

#include "cli_parser.h"
#include "file_icons.h"
#include "panel_controller.h"
#include "program_folder.h"
#include "single_instance.h"
#include "termination_signals.h"
#include "tilebay_command_line.h"

int main(int argc, char** argv) {
    // --help, --version and --autostart answer before any window or lock.
    if (const auto code = common::cli::Emit(tilebay::RunCommandLine(
            common::cli::Arguments(argc, argv), tilebay::CurrentAutostartPlaces()))) {
        return *code;
    }
    QApplication::setApplicationName(QStringLiteral("tilebay"));
    QApplication::setDesktopFileName(QStringLiteral("org.example.patchwell.tilebay"));
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);

    // A second panel for the same user and display ends at once, before it
    // touches the desktop or the settings.
    const auto lock = tilebay::InstanceLock::Acquire(tilebay::InstanceLockPath(
        qEnvironmentVariable("XDG_RUNTIME_DIR"), qEnvironmentVariable("DISPLAY")));
    if (!lock) {
        return 0;
    }
    common::TerminationSignals signals;

    tilebay::EnsureIconTheme();
    const QString programFolder = tilebay::ResolveProgramFolder(tilebay::CurrentPlaces());
    const auto shell = tilebay::MakeDesktopShellEffects();
    tilebay::ThemeFileIconSource icons;
    tilebay::ProcessEventsPause pause;
    tilebay::SystemLoginName login;
    tilebay::XdgDesktopFolders folders;
    tilebay::ProcessRunService run;
    tilebay::PanelServices services{*shell, icons, pause, login, folders, run};

    tilebay::PanelController controller(programFolder, services,
                                        [] { return tilebay::CreateSequencerDevice(); });
    QObject::connect(&controller, &tilebay::PanelController::finished, &app,
                     [](int code) { QCoreApplication::exit(code); });
    QObject::connect(&signals, &common::TerminationSignals::Requested, &controller,
                     [&controller] { controller.Terminate(); });
    controller.loadPanel();
    return QApplication::exec();
}
