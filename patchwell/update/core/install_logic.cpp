#include "install_logic.h"

#include <QFile>

#include <optional>

#include "ini.h"
#include "manifest.h"
#include "program_path.h"
#include "sealed_copy.h"
#include "signed_update.h"
#include "texts.h"

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

bool InstallLogic::StartInstaller(const QString& installerFile) {
    const QString program = common::LocalPath(installerFile);
    MakeExecutable(program);
    // The folder goes over as one argument, blanks and all; nothing passes
    // through a shell.
    return services_.launcher.StartDetached(
        program, {QStringLiteral("/auto"), services_.programFolder}, services_.programFolder);
}

bool InstallLogic::StartVerifiedInstaller(const QString& publicKey, const QString& installerFile,
                                          const QString& installerUrl, bool& started) {
    // The signature is checked on a sealed copy and the installer started
    // from that same copy: no write to the file after the check can change
    // what runs.
    const platform::SealedCopy copy(common::LocalPath(installerFile));
    const std::optional<QByteArray> signature =
        services_.fetcher.Fetch(installerUrl + QStringLiteral(".minisig"), kMaxSignatureBytes);
    if (!copy.valid() || !signature || !SignatureHolds(publicKey, *signature, copy.fd())) {
        return false;
    }
    DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
    started = services_.launcher.StartDetachedFromDescriptor(
        copy.fd(), {QStringLiteral("/auto"), services_.programFolder}, services_.programFolder);
    return true;
}

void InstallLogic::Load(const QString& installerFile, const QString& installerUrl) {
    view_.HideDownloadWindow();
    view_.ShowWindow();
    view_.MakeTopmost();
    const QString localFile = LocalManifestPath(services_.programFolder);
    view_.SetProgramName(
        common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("Prgname"), localFile));

    bool started = false;
    const QString publicKey = ConfiguredPublicKey(services_.programFolder);
    if (publicKey.isEmpty()) {
        DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
        started = StartInstaller(installerFile);
    } else if (!StartVerifiedInstaller(publicKey, installerFile, installerUrl, started)) {
        RefuseUnverifiedUpdate(services_, installerFile);
        services_.lifetime.End();
        return;
    }
    if (!started) {
        services_.messages.Show(texts::CouldNotStartInstaller(common::LocalPath(installerFile)),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
    services_.lifetime.Wait(5000);
    DeleteOrReport(services_, installerFile);
    StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                       QStringLiteral("exe"), localFile));
    services_.lifetime.End();
}

}  // namespace patchwell::update
