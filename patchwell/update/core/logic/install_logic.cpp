#include "patchwell/update/core/logic/install_logic.h"

#include <QFile>
#include <QLoggingCategory>

#include <cstring>

#include <memory>
#include <optional>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/platform/sealed_copy.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/texts.h"

Q_LOGGING_CATEGORY(lcInstall, "patchwell.update.install")

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
                                             const platform::SealedCopy& copy,
                                             platform::ProgramEnd& end) {
    // The length and digest are checked on a sealed copy and the installer
    // run from that same copy: no write to the file after the check can
    // change what runs.
    // An installer made by the download step is bound whatever the key says.
    MaybeRefusal problem = Refusal{RefusalKind::UnreadableInstaller};
    if (copy.valid()) {
        problem = manifest.BindsInstaller() ? InstallerBindingProblem(manifest, copy.fd())
                                            : Refusal{RefusalKind::Unbound};
    }
    if (problem) {
        return problem;
    }
    DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
    end = services_.launcher.RunFromDescriptor(
        copy.fd(), {QStringLiteral("/auto"), services_.programFolder}, services_.programFolder);
    // The bytes that ran and installed are what the next patch applies to;
    // they are kept only now, never at download time.
    if (end.succeeded() &&
        !KeptInstallers(services_.stateFolders, services_.programFolder)
             .Keep(copy.fd(), manifest.installerSha256, manifest.values.curver)) {
        qCWarning(lcInstall) << "the installer that ran could not be kept; the next update "
                                "comes whole";
    }
    return {};
}

void InstallLogic::Load(const QString& installerFile, const VerifiedManifest& manifest) {
    Install(installerFile, nullptr, manifest);
}

void InstallLogic::Load(const platform::SealedCopy& ready, const QString& shownName,
                        const VerifiedManifest& manifest) {
    Install(shownName, &ready, manifest);
}

void InstallLogic::Install(const QString& installerFile, const platform::SealedCopy* ready,
                           const VerifiedManifest& manifest) {
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
    if (ready != nullptr || manifest.keyed || manifest.BindsInstaller()) {
        std::unique_ptr<platform::SealedCopy> own;
        if (ready == nullptr) {
            own = std::make_unique<platform::SealedCopy>(common::LocalPath(installerFile));
        }
        const MaybeRefusal problem = RunBoundInstaller(manifest, ready ? *ready : *own, end);
        if (problem) {
            RefuseUnverifiedUpdate(services_, ready ? QString() : installerFile, *problem);
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
    if (ready == nullptr) {
        DeleteOrReport(services_, installerFile);
    }
    if (!RestoreSigningState(services_.programFolder, signing)) {
        services_.messages.Show(texts::CouldNotKeepSigning(localFile),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
    StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                       QStringLiteral("exe"), localFile));
    services_.lifetime.End();
}

}  // namespace patchwell::update
