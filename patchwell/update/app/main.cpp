// patchwell: keeps the program in its folder up to date.

#include <QApplication>

#include <optional>

#include "common/i18n/translations.h"
#include "common/process/termination_signals.h"
#include "patchwell/download/small/small_fetcher.h"
#include "patchwell/platform/folder_storage.h"
#include "patchwell/platform/instance_guard.h"
#include "patchwell/platform/low_priority.h"
#include "patchwell/platform/network_cost.h"
#include "patchwell/platform/process_launcher.h"
#include "patchwell/platform/program_lifetime.h"
#include "patchwell/platform/qt_message_boxes.h"
#include "patchwell/platform/user_folders.h"
#include "patchwell/platform/whole_program.h"
#include "patchwell/update/app/options.h"
#include "patchwell/update/core/check/fetch.h"
#include "patchwell/update/core/check/windowless_start.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/staged/background_download.h"
#include "patchwell/update/core/status.h"
#include "patchwell/update/core/texts.h"
#include "patchwell/update/windows/forms.h"

namespace {

// What `--forget-key` did, as the user reads it.
QString ForgetText(const patchwell::update::ForgetOutcome& forgot) {
    namespace texts = patchwell::update::texts;
    using Kind = patchwell::update::ForgetOutcome::Kind;
    switch (forgot.kind) {
        case Kind::Forgotten:
            return texts::KeyForgotten(forgot.folder);
        case Kind::NoneKept:
            return texts::NoKeyKept(forgot.folder);
        case Kind::NotRemoved:
            break;
    }
    return texts::CouldNotForgetKey(forgot.folder);
}

}  // namespace

int main(int argc, char* argv[]) {
    // The program as the kernel started it (or its front, whose image this
    // is): its folder is the program folder, and the translations are beside it.
    const patchwell::platform::ProgramIdentity self = patchwell::platform::ReadProgramIdentity();
    patchwell::platform::AdoptIdentity(self);
    const QString executable = self.executable;
    const QString programFolder = self.Folder();
    // Qt's application folder (plugins, qt.conf) is then the front's, never
    // the folder patchwell was started in (see whole_program.h).
    patchwell::platform::WorkInFolder(programFolder);
    // The texts are translated from the start: --help, usage errors and what
    // the windowless start says. A QCoreApplication holds the translators
    // until windows are needed; it goes before the QApplication comes.
    std::optional<QCoreApplication> core(std::in_place, argc, argv);
    common::InstallTranslations(QStringLiteral("patchwell"), programFolder);
    // --help, --version, --forget-key and usage errors answer without a window.
    const patchwell::update::ParsedOptions options =
        patchwell::update::ParseOptions(common::cli::Arguments(argc, argv));
    if (const auto code = common::cli::Emit(options.outcome)) {
        return *code;
    }
    const QStringList stateFolders = patchwell::platform::UserStateFolders();
    if (options.status) {
        return *common::cli::Emit(
            {0, patchwell::update::StatusText(stateFolders, programFolder), QString()});
    }
    patchwell::platform::DetachedProcessLauncher launcher;
    patchwell::platform::LockFileInstanceGuard guard(executable);
    patchwell::platform::QtMessageBoxes messages;
    patchwell::platform::RealProgramLifetime lifetime;
    patchwell::download::HttpSmallFetcher fetcher;
    patchwell::platform::SystemFolderStorage storage;
    if (options.forgetKey) {
        const patchwell::update::ForgetOutcome forgot =
            patchwell::update::ForgetTrust(stateFolders, programFolder);
        const bool ok = forgot.kind != patchwell::update::ForgetOutcome::Kind::NotRemoved;
        const QString text = ForgetText(forgot) + QStringLiteral("\n");
        return *common::cli::Emit({ok ? 0 : 1, ok ? text : QString(), ok ? QString() : text});
    }
    patchwell::update::Services services{launcher,      guard,      messages, lifetime,    fetcher,
                                         programFolder, executable, storage,  stateFolders};
    patchwell::platform::QtNetworkCost cost;
    patchwell::update::HeldMessages held;
    patchwell::update::Services windowless{launcher,      guard,      held,    lifetime,    fetcher,
                                           programFolder, executable, storage, stateFolders};
    if (options.stage) {
        // In the background while the user works: nothing shown, nothing
        // in the program folder, every other process first.
        patchwell::platform::LowerOwnPriority();
        const patchwell::update::StageOutcome outcome =
            patchwell::update::DownloadStagedUpdate(windowless, cost);
        return outcome == patchwell::update::StageOutcome::Failed ? 1 : 0;
    }
    patchwell::update::ScheduledCheck scheduled(
        fetcher, options.request, patchwell::update::ManifestCache::DefaultRoot(), &cost);
    // Within the schedule, or quiet with nothing to say: the served program
    // starts before any window system is touched.
    // --rollback checks nothing: it goes straight to its window.
    patchwell::update::WindowlessStart windowlessStart;
    if (!options.rollback) {
        windowlessStart = patchwell::update::StartWithoutWindows(windowless, scheduled);
    }
    if (windowlessStart.over) {
        if (!held.Empty()) {
            core.reset();
            QApplication app(argc, argv);
            common::InstallTranslations(QStringLiteral("patchwell"), programFolder);
            held.ShowAll(messages);
        }
        return 0;
    }

    core.reset();
    QApplication app(argc, argv);
    common::InstallTranslations(QStringLiteral("patchwell"), programFolder);
    QApplication::setApplicationName(QStringLiteral("Patchwell"));
    // Windows come and go (hidden, replaced) during the run; the program ends
    // only through its own steps.
    QApplication::setQuitOnLastWindowClosed(false);

    patchwell::update::Forms forms(services, patchwell::update::DownLoadControlFactory());
    // Log-out, kill or a closed terminal: clean up as the download window's
    // unload does, then end.
    common::TerminationSignals termination;
    QObject::connect(&termination, &common::TerminationSignals::Requested, &app,
                     [&forms](int) { forms.Terminate(); });
    if (options.rollback) {
        forms.Rollback();  // ends the program
        return 0;
    }
    if (windowlessStart.staged) {
        forms.InstallStaged(std::move(*windowlessStart.staged));
    } else {
        forms.Start(scheduled, std::move(windowlessStart.checked));
    }
    return QApplication::exec();
}
