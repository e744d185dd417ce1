#include "patchwell/update/core/logic/rollback_logic.h"

#include <QLoggingCategory>

#include <optional>

#include <unistd.h>

#include "common/ini/ini.h"
#include "patchwell/platform/sealed_copy.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/texts.h"

Q_LOGGING_CATEGORY(lcRollback, "patchwell.update.rollback")

namespace patchwell::update {

RollbackLogic::RollbackLogic(Services& services, InstallView& view)
    : services_(services), view_(view) {}

void RollbackLogic::StartServedAndEnd() {
    StartServedProgram(services_,
                       common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("exe"),
                                            LocalManifestPath(services_.programFolder)));
    services_.lifetime.End();
}

void RollbackLogic::Run() {
    if (!services_.instanceGuard.TryClaim()) {
        services_.messages.Show(texts::RanOnce(), platform::MessageIcon::Warning,
                                texts::ApplicationTitle());
        services_.lifetime.End();
        return;
    }
    const QString localFile = LocalManifestPath(services_.programFolder);
    const common::IniSnapshot updateIni = common::IniSnapshot::Read(localFile);
    const QString name = updateIni.value(QStringLiteral("Program"), QStringLiteral("Prgname"));
    const QString installed = updateIni.value(QStringLiteral("Program"), QStringLiteral("prgver"));

    KeptInstallers kept(services_.stateFolders, services_.programFolder);
    const std::optional<KeptInstaller> previous = kept.Previous();
    if (!previous || IsUpToDate(installed, previous->version)) {
        services_.messages.Show(texts::NothingToRollBack(name), platform::MessageIcon::Information,
                                texts::ApplicationTitle());
        StartServedAndEnd();
        return;
    }
    // What runs is a sealed copy of bytes that hash as they did when they
    // ran: no change to the kept file after this check reaches the installer.
    const int opened = kept.OpenVerified(*previous);
    std::optional<platform::SealedCopy> copy;
    if (opened >= 0) {
        copy.emplace(opened);
        ::close(opened);
    }
    if (!copy || !copy->valid() || !KeptInstallers::Holds(*previous, copy->fd())) {
        services_.messages.Show(texts::RollbackChanged(previous->version),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
        StartServedAndEnd();
        return;
    }
    if (services_.messages.Ask(texts::ConfirmRollback(name, installed, previous->version),
                               platform::MessageIcon::Information,
                               texts::ApplicationTitle()) != platform::MessageAnswer::Yes) {
        StartServedAndEnd();
        return;
    }

    view_.ShowWindow();
    view_.MakeTopmost();
    view_.SetProgramName(name);
    // What an installer that rewrites update.ini must not take away.
    const TrustState signing = ReadSigningState(services_.programFolder);
    const platform::ProgramEnd end = services_.launcher.RunFromDescriptor(
        copy->fd(), {QStringLiteral("/auto"), services_.programFolder}, services_.programFolder);
    if (end.kind == platform::ProgramEnd::Kind::NotStarted) {
        services_.messages.Show(texts::CouldNotStartInstaller(previous->path),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    } else if (!end.succeeded()) {
        services_.messages.Show(texts::InstallerFailed(previous->path, DescribeProgramEnd(end)),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    } else {
        // The version left is not offered again; a later one is.
        if (!installed.isEmpty() && !RecordSkippedVersion(services_.programFolder, installed)) {
            services_.messages.Show(texts::CouldNotSkip(installed, localFile),
                                    platform::MessageIcon::Warning, texts::ApplicationTitle());
        }
        if (!kept.RolledBack()) {
            qCWarning(lcRollback) << "the kept installers could not follow the rollback";
        }
    }
    if (!RestoreSigningState(services_.programFolder, signing)) {
        services_.messages.Show(texts::CouldNotKeepSigning(localFile),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
    StartServedAndEnd();
}

}  // namespace patchwell::update
