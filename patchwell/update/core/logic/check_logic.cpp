#include "patchwell/update/core/logic/check_logic.h"

#include <QFile>

#include <optional>

#include "common/ini/ini.h"
#include "common/paths/program_path.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/texts.h"

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
    const MaybeRefusal shortcoming =
        FolderShortcoming(services_.storage, services_.programFolder, 0);
    if (shortcoming) {
        services_.messages.Show(RefusalText(*shortcoming), platform::MessageIcon::Warning,
                                texts::ApplicationTitle());
        StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                           QStringLiteral("exe"), localFile));
        End();
        return;
    }
    localVersion_ =
        common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"), localFile);
    checkUrl_ =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("verchckurl"), localFile);
    // The signing state is restored before anything is fetched: a key an
    // installer dropped from update.ini goes back there. A check made
    // without windows has done so.
    if (!checked_) {
        trust_ = EstablishTrust(services_);
        if (trust_.refusal) {
            Refuse(*trust_.refusal);
            return;
        }
    }

    if (scheduled_ != nullptr) {
        RunScheduled();
        return;
    }
    FetchThroughControl();
}

void CheckLogic::FetchThroughControl() {
    dl1_.setUrl(checkUrl_);
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

void CheckLogic::OnRecievedBytes(qint64 lnumBYTES) {
    if (lnumBYTES > kMaxManifestBytes && !manifestTooLarge_) {
        manifestTooLarge_ = true;
        dl1_.Cancel();
    }
}

namespace {

// The remote manifest's bytes, read once: none when it is larger than any
// manifest; empty when it is missing or cannot be read.
std::optional<QByteArray> ReadManifestOnce(const QString& path) {
    QFile file(common::LocalPath(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return QByteArray();
    }
    const QByteArray bytes = file.read(kMaxManifestBytes + 1);
    if (bytes.size() > kMaxManifestBytes) {
        return std::nullopt;
    }
    return bytes;
}

}  // namespace

void CheckLogic::OnDLComplete() {
    // A server that sends more than it announced: the check could not be
    // carried out, and the oversized file goes.
    const QString remoteFile = RemoteManifestPath(services_.programFolder);
    const std::optional<QByteArray> bytes =
        manifestTooLarge_ ? std::nullopt : ReadManifestOnce(remoteFile);
    if (!bytes) {
        DeleteFileAt(remoteFile);
        return;
    }
    // From here on every value comes from these bytes, which were verified
    // when a key is set; the file itself is not read again.
    const std::optional<QByteArray> signature =
        trust_.state ? services_.fetcher.FetchBody(SignatureAddress(checkUrl_), kMaxSignatureBytes)
                     : std::nullopt;
    Continue(AcceptManifest(services_, trust_, *bytes, signature, checkUrl_,
                            QDateTime::currentDateTimeUtc()));
}

void CheckLogic::RunScheduled() {
    // As the control's own probe does, the connection is checked before
    // anything is asked: offline, the user hears it (unless quiet) and no
    // request waits for its time-out.
    if (!checked_ && !dl1_.CheckConnection()) {
        if (!Quiet()) {
            services_.messages.Show(download::texts::Translated(download::texts::kOfflineNotice),
                                    platform::MessageIcon::None, texts::ApplicationTitle());
        }
        NotCarriedOut();
        return;
    }
    view_.HideWindow();
    const std::optional<ManifestAcceptance> accepted =
        checked_
            ? checked_
            : CheckOnce(services_, *scheduled_, trust_, checkUrl_, QDateTime::currentDateTimeUtc());
    if (accepted) {
        Continue(*accepted);
    }
    if (!ended_ && !downloadWindowOpened_) {
        NotCarriedOut();
    }
}

void CheckLogic::NotCarriedOut() {
    if (Quiet()) {
        StartServedAndEnd();
        return;
    }
    view_.ShowWindow();
}

void CheckLogic::Refuse(const Refusal& reason) {
    RefuseUnverifiedUpdate(services_, {}, reason);
    // Asked to stay out of the way, the program is not kept from starting by
    // whoever can answer for the server: the old version runs, as when the
    // check could not be carried out.
    if (Quiet()) {
        StartServedAndEnd();
        return;
    }
    End();
}

void CheckLogic::StartServedAndEnd() {
    StartServedProgram(services_,
                       common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("exe"),
                                            LocalManifestPath(services_.programFolder)));
    End();
}

void CheckLogic::Continue(const ManifestAcceptance& accepted) {
    const QString remoteFile = RemoteManifestPath(services_.programFolder);
    if (accepted.refusal) {
        Refuse(*accepted.refusal);
        return;
    }
    manifest = accepted.manifest;
    const QString& updateUrl = manifest.values.curverurl;
    const QString& saveFileName = manifest.values.savefileas;

    const CheckSettings unscheduled;
    switch (UpdateOffered(manifest, services_.programFolder, localVersion_,
                          scheduled_ != nullptr ? scheduled_->Settings() : unscheduled)) {
        case Offering::None:
            UpToDate();
            return;
        case Offering::Skipped:
            // The user has answered this version's offer: the program starts
            // without a word, as after a quiet check that found nothing.
            DeleteOrReport(services_, remoteFile);
            StartServedAndEnd();
            return;
        case Offering::Update:
            break;
    }

    // The save name comes from the network; one that would put the installer
    // outside the program folder (also through a symbolic link to a folder),
    // or over a file the updater relies on, makes the check fail instead.
    const QString localFile = LocalManifestPath(services_.programFolder);
    // The file is named once, from curverurl (the control would give it that
    // address's extension): that name is checked here and written from
    // every address, mirrors included.
    const QString saveLocation = InstallerSaveLocation(services_.programFolder, saveFileName);
    const QString target = InstallerTarget(updateUrl, saveLocation);
    if (!IsSafeSaveName(saveFileName) ||
        OverwritesProtectedFile(
            services_.programFolder, services_.executablePath,
            common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("exe"), localFile),
            updateUrl, saveLocation) ||
        !SavesInsideProgramFolder(services_.programFolder, updateUrl, saveLocation)) {
        return;
    }
    // With the installer's size announced, the room for it is known now.
    const MaybeRefusal shortcoming = FolderShortcoming(services_.storage, services_.programFolder,
                                                       manifest.installerSize.value_or(0));
    if (shortcoming) {
        services_.messages.Show(RefusalText(*shortcoming), platform::MessageIcon::Warning,
                                texts::ApplicationTitle());
        DeleteOrReport(services_, remoteFile);
        StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                           QStringLiteral("exe"), localFile));
        End();
        return;
    }
    manifest.releaseNotes = FetchReleaseNotes(services_, manifest);
    if (scheduled_ != nullptr) {
        offerNote = scheduled_->OfferNote(manifest);
    }
    ControlPort& next = view_.DownloadWindowControl();
    downloadWindowOpened_ = true;
    next.setUrl(updateUrl);
    next.setSaveLocation(target);
    next.setKeepType(false);
    view_.HideWindow();
    view_.StopTimer();
    view_.ShowDownloadWindow();
}

void CheckLogic::UpToDate() {
    const QString localFile = LocalManifestPath(services_.programFolder);
    if (!Quiet()) {
        services_.messages.Show(
            texts::LatestVersion(common::ReadIniValue(QStringLiteral("Program"),
                                                      QStringLiteral("Prgname"), localFile)),
            platform::MessageIcon::Information, texts::CheckTitle());
    }
    DeleteOrReport(services_, RemoteManifestPath(services_.programFolder));
    StartServedProgram(services_, common::ReadIniValue(QStringLiteral("Program"),
                                                       QStringLiteral("exe"), localFile));
    End();
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
