#include "check_logic.h"

#include "ini.h"
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
    localVersion =
        common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"), localFile);
    checkUrl =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("verchckurl"), localFile);

    dl1_.setUrl(checkUrl);
    dl1_.setSaveLocation(RemoteManifestPath(services_.programFolder));

    // Each early end below means the check could not be carried out: the
    // window then shows its explanation.
    if (!dl1_.CPause() && !dl1_.InDL()) {
        dl1_.GetFileInformation();
        if (!ended_ && dl1_.FileSize() > 0) {
            view_.HideWindow();
            dl1_.download();  // OnDLComplete runs inside this call
        }
    }
    if (!ended_ && !downloadWindowOpened_) {
        view_.ShowWindow();
    }
}

void CheckLogic::OnDLComplete() {
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
    // outside the program folder makes the check fail instead.
    if (!IsSafeSaveName(saveFileName)) {
        return;
    }
    ControlPort& next = view_.DownloadWindowControl();
    downloadWindowOpened_ = true;
    next.setUrl(updateUrl);
    next.setSaveLocation(InProgramFolder(services_.programFolder, saveFileName));
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
