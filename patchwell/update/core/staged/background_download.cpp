#include "patchwell/update/core/staged/background_download.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLoggingCategory>

#include <fcntl.h>
#include <unistd.h>

#include <vector>

#include "common/ini/ini.h"
#include "common/process/instance_lock.h"
#include "common/process/private_folder.h"
#include "patchwell/download/control/download_core.h"
#include "patchwell/update/core/delta/delta_installer.h"
#include "patchwell/update/core/delta/download_plan.h"
#include "patchwell/update/core/installer_sources.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/staged/staged_update.h"

Q_LOGGING_CATEGORY(lcStage, "patchwell.update.stage")

namespace patchwell::update {

namespace {

// The connection's cost is asked again at most this often during a transfer.
constexpr qint64 kCostIntervalMs = 2000;

// One file to download: a patch or compressed installer of the plan, or the
// installer itself at one of its addresses.
struct Candidate {
    QString address;
    qint64 size = 0;
    QByteArray sha256;
    std::optional<DeltaOffer> offer;  // none: the installer itself
};

std::vector<Candidate> Candidates(const VerifiedManifest& manifest, const KeptInstallers& kept) {
    std::vector<Candidate> candidates;
    for (const DeltaOffer& offer : PlanDownload(manifest, kept)) {
        candidates.push_back({offer.address, offer.size, offer.sha256, offer});
    }
    for (const QString& address :
         InstallerAddresses(manifest.values.curverurl, manifest.values.curvermirrors)) {
        candidates.push_back(
            {address, *manifest.installerSize, manifest.installerSha256, std::nullopt});
    }
    return candidates;
}

enum class Received { Whole, Metered, Failed };

// Downloads `candidate` into `path`, continuing what a run before left there.
Received Receive(const Candidate& candidate, const QString& path, platform::NetworkCost& cost,
                 const std::shared_ptr<download::DownLoadEnvironment>& environment) {
    download::DownLoadCore control(environment);
    control.setUrl(candidate.address);
    control.setSaveLocation(path);
    control.setKeepType(false);
    control.setPromptOverwrite(false);
    bool completed = false;
    bool metered = false;
    bool oversized = false;
    QElapsedTimer sinceCost;
    sinceCost.start();
    QObject::connect(&control, &download::DownLoadCore::DLComplete, [&] { completed = true; });
    QObject::connect(&control, &download::DownLoadCore::RecievedBytes, [&](qint64 bytes) {
        if (bytes > candidate.size) {
            oversized = true;
            control.Cancel();
        } else if (sinceCost.elapsed() >= kCostIntervalMs) {
            sinceCost.restart();
            if (cost.Metered()) {
                metered = true;
                control.Cancel();
            }
        }
    });
    QObject::connect(&control, &download::DownLoadCore::DLError, [&](const QString& error) {
        qCInfo(lcStage).noquote() << candidate.address << ":" << error;
    });
    control.GetFileInformation();
    const qint64 announced = control.FileSize();
    if (announced <= 0 || announced != candidate.size) {
        qCInfo(lcStage).noquote() << candidate.address << "announces" << announced << "bytes, not"
                                  << candidate.size;
        return Received::Failed;
    }
    const qint64 existing = QFileInfo(path).size();
    if (existing == candidate.size) {
        return Received::Whole;  // the run before was stopped after its last byte
    }
    if (existing > 0 && existing < candidate.size && control.ResumeSupported()) {
        qCInfo(lcStage).noquote() << "continuing" << candidate.address << "from byte" << existing;
        control.DLResume();
    }
    if (!completed && !metered && !oversized) {
        control.download();
    }
    if (metered) {
        return Received::Metered;
    }
    if (oversized) {
        QFile::remove(path);
        return Received::Failed;
    }
    return completed && QFileInfo(path).size() == candidate.size ? Received::Whole
                                                                 : Received::Failed;
}

// The installer made of what arrived for `candidate`, checked against the
// manifest; null when it is not the one the manifest binds.
std::unique_ptr<platform::SealedCopy> InstallerOf(const Candidate& candidate, const QString& path,
                                                  const VerifiedManifest& manifest,
                                                  const KeptInstallers& kept) {
    if (candidate.offer) {
        DeltaInstaller made = InstallerFromDelta(manifest, *candidate.offer, path, kept);
        if (!made.copy) {
            qCInfo(lcStage).noquote() << candidate.address << "could not be used:" << made.detail;
        }
        return std::move(made.copy);
    }
    auto copy = std::make_unique<platform::SealedCopy>(path);
    const MaybeRefusal problem = copy->valid() ? InstallerBindingProblem(manifest, copy->fd())
                                               : Refusal{RefusalKind::UnreadableInstaller};
    if (problem) {
        qCInfo(lcStage).noquote() << candidate.address
                                  << "is not the installer:" << RefusalText(*problem);
        return nullptr;
    }
    return copy;
}

QString LockPath(const QString& programFolder) {
    const QString folder = common::InstanceLockFolder(QStringLiteral("patchwell"),
                                                      qEnvironmentVariable("XDG_RUNTIME_DIR"),
                                                      qEnvironmentVariable("XDG_CACHE_HOME"));
    return folder.isEmpty() ? QString()
                            : QDir(folder).filePath(InstallationStateName("stage-", programFolder) +
                                                    QStringLiteral(".lock"));
}

}  // namespace

StageOutcome DownloadStagedUpdate(Services& services, platform::NetworkCost& cost,
                                  std::shared_ptr<download::DownLoadEnvironment> environment) {
    const QString lockPath = LockPath(services.programFolder);
    const std::unique_ptr<common::InstanceLock> lock =
        lockPath.isEmpty() ? nullptr : common::InstanceLock::Acquire(lockPath);
    if (!lock) {
        return StageOutcome::Busy;
    }
    const StagedUpdates staged(services.stateFolders, services.programFolder);
    const std::optional<StagedUpdates::KeptManifest> kept = staged.Manifest();
    if (!kept) {
        return StageOutcome::Nothing;
    }
    if (StagedUpdates::InstallerPresent(services.stateFolders.value(0), services.programFolder)) {
        return StageOutcome::AlreadyStaged;
    }
    const QString checkUrl =
        common::ReadIniValue(QStringLiteral("Update"), QStringLiteral("verchckurl"),
                             LocalManifestPath(services.programFolder));
    const TrustInForce trust = EstablishTrust(services);
    const ManifestAcceptance judged = JudgeKeptManifest(
        services, trust, kept->bytes, kept->signature, checkUrl, QDateTime::currentDateTimeUtc());
    if (judged.refusal || !judged.manifest.BindsInstaller()) {
        qCWarning(lcStage).noquote()
            << "the kept manifest no longer passes:"
            << (judged.refusal ? RefusalText(*judged.refusal) : QStringLiteral("no installer"));
        staged.Clear();
        return StageOutcome::Nothing;
    }
    const VerifiedManifest& manifest = judged.manifest;
    const KeptInstallers installers(services.stateFolders, services.programFolder);
    for (const Candidate& candidate : Candidates(manifest, installers)) {
        if (cost.Metered()) {
            return StageOutcome::Metered;
        }
        const QString path = staged.DownloadPath(candidate.sha256);
        if (path.isEmpty()) {
            return StageOutcome::Failed;
        }
        const Received received = Receive(candidate, path, cost, environment);
        if (received == Received::Metered) {
            qCInfo(lcStage) << "the connection is metered: the download goes on at a later start";
            return StageOutcome::Metered;
        }
        if (received == Received::Failed) {
            continue;  // what arrived so far stays for the next run
        }
        const std::unique_ptr<platform::SealedCopy> copy =
            InstallerOf(candidate, path, manifest, installers);
        if (!copy) {
            QFile::remove(path);
            continue;
        }
        const bool done = staged.StageInstaller(copy->fd(), kept->bytes);
        staged.DropDownloadsBut({});
        if (!done) {
            qCWarning(lcStage) << "the installer could not be staged in" << staged.Folder();
            return StageOutcome::Failed;
        }
        qCInfo(lcStage).noquote() << "staged" << manifest.values.curver << "from"
                                  << candidate.address;
        return StageOutcome::Staged;
    }
    return StageOutcome::Failed;
}

}  // namespace patchwell::update
