#include "install_logic.h"

#include <QFile>

#include "ini.h"
#include "manifest.h"
#include "program_path.h"
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

bool InstallLogic::StartInstaller(const QString& installerPath) {
    const QString program = common::LocalPath(installerPath);
    MakeExecutable(program);
    // The folder goes over as one argument, blanks and all; nothing passes
    // through a shell.
    return services_.launcher.StartDetached(
        program, {QStringLiteral("/auto"), services_.programFolder}, services_.programFolder);
}

void InstallLogic::Load(const QString& installerPath) {
    view_.HideDownloadWindow();
    view_.ShowWindow();
    view_.MakeTopmost();
    const QString localFile = LocalManifestPath(services_.programFolder);
    view_.SetProgramName(
        common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("Prgname"), localFile));

    DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
    if (!StartInstaller(installerPath)) {
        services_.messages.Show(texts::CouldNotStartInstaller(common::LocalPath(installerPath)),
                                platform::MessageIcon::Warning, texts::ApplicationTitle());
    }
    services_.lifetime.Wait(5000);
    DeleteOrReport(services_, installerPath);
    StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                       QStringLiteral("exe"), localFile));
    services_.lifetime.End();
}

}  // namespace patchwell::update
