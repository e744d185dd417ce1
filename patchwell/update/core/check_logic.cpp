#include "check_logic.h"

#include <QFileInfo>

#include "folder_checks.h"
#include "ini.h"
#include "program_path.h"
#include "signed_update.h"
#include "texts.h"

namespace patchwell::update {

CheckLogic::CheckLogic(Services& services, CheckView& view, ControlPort& dl1)
    : services_(services), view_(view), dl1_(dl1) {}

void CheckLogic::End() {
    ended_ = true;
    services_.lifetime.End();
}

void CheckLogic::Load() {
    if (!services_.instanceGuard.TryClaim()) {
        services_.messages.Show(texts::RanOnce(), platform::MessageIcon::Warning,
                                texts::ApplicationTitle());
        End();
        return;
    }
    view_.MakeTopmost();

    const QString localFile = LocalManifestPath(services_.programFolder);
    // A folder we cannot write could take neither manifest nor installer:
    // say so before anything is fetched, and leave the program as it is.
    const QString shortcoming = FolderShortcoming(services_.storage, services_.programFolder, 0);
    if (!shortcoming.isEmpty()) {
        services_.messages.Show(shortcoming, platform::MessageIcon::Warning,
                                texts::ApplicationTitle());
        StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                           QStringLiteral("exe"), localFile));
        End();
        return;
    }
    localVersion =
        common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"), localFile);
    checkUrl =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("verchckurl"), localFile);

    dl1_.setUrl(checkUrl);
    dl1_.setSaveLocation(RemoteManifestPath(services_.programFolder));

    // Each early end below means the check could not be carried out: the
    // window then shows its explanation. A manifest announced as larger than
    // any manifest is not fetched at all.
    if (!dl1_.CPause() && !dl1_.InDL()) {
        dl1_.GetFileInformation();
        if (!ended_ && dl1_.FileSize() > 0 && dl1_.FileSize() <= kMaxManifestBytes) {
            view_.HideWindow();
            dl1_.download();  // OnDLComplete runs inside this call
        }
    }
    if (!ended_ && !downloadWindowOpened_) {
        view_.ShowWindow();
    }
}

void CheckLogic::OnRecievedBytes(qint32 lnumBYTES) {
    if (lnumBYTES > kMaxManifestBytes && !manifestTooLarge_) {
        manifestTooLarge_ = true;
        dl1_.Cancel();
    }
}

void CheckLogic::OnDLComplete() {
    // A server that sends more than it announced: the check could not be
    // carried out, and the oversized file goes.
    const QString remoteFile = RemoteManifestPath(services_.programFolder);
    if (manifestTooLarge_ || QFileInfo(common::LocalPath(remoteFile)).size() > kMaxManifestBytes) {
        DeleteFileAt(remoteFile);
        return;
    }
    const QString publicKey = ConfiguredPublicKey(services_.programFolder);
    if (!publicKey.isEmpty() && !AcceptSignedManifest(services_, publicKey, checkUrl)) {
        RefuseUnverifiedUpdate(services_, {});
        End();
        return;
    }

    const RemoteManifest remote = ReadRemoteManifest(services_.programFolder);
    remoteVersion = remote.curver;
    updateUrl = remote.curverurl;
    updaterVersion = remote.updaterVersion;
    updaterUrl = remote.updaterUrl;
    saveFileName = remote.savefileas;

    const QString localFile = LocalManifestPath(services_.programFolder);
    if (IsUpToDate(localVersion, remoteVersion)) {
        services_.messages.Show(
            texts::LatestVersion() + common::ReadIniValue(QStringLiteral("Program"),
                                                          QStringLiteral("Prgname"), localFile),
            platform::MessageIcon::Information, texts::CheckTitle());
        DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
        StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                           QStringLiteral("exe"), localFile));
        End();
        return;
    }

    // The save name comes from the network; one that would put the installer
    // outside the program folder (also through a symbolic link to a folder),
    // or over a file the updater relies on, makes the check fail instead.
    const QString saveLocation = InstallerSaveLocation(services_.programFolder, saveFileName);
    if (!IsSafeSaveName(saveFileName) ||
        OverwritesProtectedFile(
            services_.programFolder, services_.executablePath,
            common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("exe"), localFile),
            updateUrl, saveLocation) ||
        !SavesInsideProgramFolder(services_.programFolder, updateUrl, saveLocation)) {
        return;
    }
    // With the installer's size announced, the room for it is known now.
    const QString shortcoming = FolderShortcoming(services_.storage, services_.programFolder,
                                                  AnnouncedInstallerSize(services_.programFolder));
    if (!shortcoming.isEmpty()) {
        services_.messages.Show(shortcoming, platform::MessageIcon::Warning,
                                texts::ApplicationTitle());
        DeleteOrReport(services_, remoteFile);
        StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                           QStringLiteral("exe"), localFile));
        End();
        return;
    }
    ControlPort& next = view_.DownloadWindowControl();
    downloadWindowOpened_ = true;
    next.setUrl(updateUrl);
    next.setSaveLocation(saveLocation);
    view_.HideWindow();
    view_.StopTimer();
    view_.ShowDownloadWindow();
}

void CheckLogic::OnOkClicked() {
    dl1_.Cancel();
    End();
}

void CheckLogic::OnTimerTick() {
    if (dl1_.Connected()) {
        return;
    }
    services_.messages.Show(texts::NoConnection(), platform::MessageIcon::Warning,
                            texts::ApplicationTitle());
    dl1_.Cancel();
    view_.StopTimer();
    End();
}

}  // namespace patchwell::update
