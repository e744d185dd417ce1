#include "patchwell/update/core/logic/install_logic.h"

#include <QFile>

#include <cstring>

#include <optional>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/platform/sealed_copy.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/texts.h"

namespace patchwell::update {

bool MakeExecutable(const QString& path) {
    QFile file(path);
    if (!file.exists()) {
        return false;
    }
    QFileDevice::Permissions permissions = file.permissions();
    permissions |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (permissions.testFlag(QFileDevice::ReadGroup)) {
        permissions |= QFileDevice::ExeGroup;
    }
    if (permissions.testFlag(QFileDevice::ReadOther)) {
        permissions |= QFileDevice::ExeOther;
    }
    return file.setPermissions(permissions);
}

InstallLogic::InstallLogic(Services& services, InstallView& view)
    : services_(services), view_(view) {}

QString DescribeProgramEnd(const platform::ProgramEnd& end) {
    if (end.kind == platform::ProgramEnd::Kind::Killed) {
        const char* name = ::sigabbrev_np(end.code);
        return texts::KilledBySignal(
            end.code,
            name != nullptr ? QStringLiteral(", SIG") + QString::fromLatin1(name) : QString());
    }
    return texts::ExitStatus(end.code);
}

platform::ProgramEnd InstallLogic::RunInstaller(const QString& installerFile) {
    const QString program = common::LocalPath(installerFile);
    MakeExecutable(program);
    // The folder goes over as one argument, blanks and all; nothing passes
    // through a shell.
    return services_.launcher.Run(program, {QStringLiteral("/auto"), services_.programFolder},
                                  services_.programFolder);
}

MaybeRefusal InstallLogic::RunBoundInstaller(const VerifiedManifest& manifest,
                                             const QString& installerFile,
                                             platform::ProgramEnd& end) {
    // The length and digest are checked on a sealed copy and the installer
    // run from that same copy: no write to the file after the check can
    // change what runs.
    const platform::SealedCopy copy(common::LocalPath(installerFile));
    const MaybeRefusal problem = copy.valid() ? InstallerBindingProblem(manifest, copy.fd())
                                              : Refusal{RefusalKind::UnreadableInstaller};
    if (problem) {
        return problem;
    }
    DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
    end = services_.launcher.RunFromDescriptor(
        copy.fd(), {QStringLiteral("/auto"), services_.programFolder}, services_.programFolder);
    return {};
}

void InstallLogic::Load(const QString& installerFile, const VerifiedManifest& manifest) {
    view_.HideDownloadWindow();
    view_.ShowWindow();
    view_.MakeTopmost();
    const QString localFile = LocalManifestPath(services_.programFolder);
    view_.SetProgramName(
        common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("Prgname"), localFile));

    // What an installer that rewrites update.ini must not take away.
    const TrustState signing = ReadSigningState(services_.programFolder);
    // The installer runs to its end before its file goes and the served
    // program starts: a long installer never has the program started under
    // it, and one that fails is reported.
    platform::ProgramEnd end;
    if (manifest.keyed || manifest.BindsInstaller()) {
        const MaybeRefusal problem = RunBoundInstaller(manifest, installerFile, end);
        if (problem) {
            RefuseUnverifiedUpdate(services_, installerFile, *problem);
            services_.lifetime.End();
            return;
        }
    } else {
        DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
        end = RunInstaller(installerFile);
    }
    if (end.kind == platform::ProgramEnd::Kind::NotStarted) {
        services_.messages.Show(texts::CouldNotStartInstaller(common::LocalPath(installerFile)),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    } else if (!end.succeeded()) {
        services_.messages.Show(
            texts::InstallerFailed(common::LocalPath(installerFile), DescribeProgramEnd(end)),
            platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
    DeleteOrReport(services_, installerFile);
    if (!RestoreSigningState(services_.programFolder, signing)) {
        services_.messages.Show(texts::CouldNotKeepSigning(localFile),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
    StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                       QStringLiteral("exe"), localFile));
    services_.lifetime.End();
}

}  // namespace patchwell::update
