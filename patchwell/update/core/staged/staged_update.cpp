#include "patchwell/update/core/staged/staged_update.h"

#include <QDir>
#include <QFile>
#include <QLoggingCategory>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/files/own_file.h"
#include "common/files/whole_file.h"
#include "common/process/private_folder.h"
#include "patchwell/platform/user_folders.h"
#include "patchwell/update/core/manifest/channel.h"
#include "patchwell/update/core/manifest/trust_state.h"

Q_LOGGING_CATEGORY(lcStaged, "patchwell.update.staged")

namespace patchwell::update {

namespace {

const QString kManifest = QStringLiteral("manifest");
const QString kSignature = QStringLiteral("manifest.minisig");
const QString kDownloadPrefix = QStringLiteral("download-");

std::optional<QByteArray> ReadPrivate(const QString& path, qint64 limit) {
    const common::FileRead read = common::ReadRegularFile(path, {limit, false, true, false});
    if (read.kind != common::FileRead::Kind::Read) {
        return std::nullopt;
    }
    return read.bytes;
}

StagedInstall Failed(const QString& problem) {
    StagedInstall result;
    result.problem = problem;
    qCWarning(lcStaged).noquote() << "the staged update is not installed:" << problem;
    return result;
}

}  // namespace

StagedUpdates::StagedUpdates(QStringList stateFolders, QString programFolder)
    : stateFolders_(std::move(stateFolders)), programFolder_(std::move(programFolder)) {}

QString StagedUpdates::Folder() const {
    return stateFolders_.isEmpty() ? QString()
                                   : StagedFolderIn(stateFolders_.first(), programFolder_);
}

QString StagedUpdates::FilePath(const QString& name) const {
    return QDir(Folder()).filePath(name);
}

bool StagedUpdates::UsableFolder() const {
    const QString folder = Folder();
    return !folder.isEmpty() && common::PrivateFolderPathProblem(folder).isEmpty();
}

bool StagedUpdates::KeepManifest(const QByteArray& bytes,
                                 const std::optional<QByteArray>& signature) {
    const QString folder = Folder();
    if (folder.isEmpty()) {
        return false;
    }
    for (const QString& path : {stateFolders_.first(), folder}) {
        const QString problem = common::MakePrivateFolder(path, platform::UserFolderRules());
        if (!problem.isEmpty()) {
            qCWarning(lcStaged).noquote() << "no update is staged:" << problem;
            return false;
        }
    }
    if (!UsableFolder()) {
        return false;
    }
    const std::optional<KeptManifest> kept = Manifest();
    if (kept && kept->bytes == bytes && kept->signature == signature) {
        return true;
    }
    // Another manifest: the installer staged for the old one has no use
    // now. Downloads stay: each is named after the SHA-256 of its file, so
    // the same file offered again (a manifest signed anew) is continued,
    // and the next staging removes the others.
    const QString installer = FilePath(QLatin1String(kStagedInstallerName));
    for (const QString& path : {installer, FilePath(kManifest), FilePath(kSignature)}) {
        QFile::remove(path);
    }
    if (signature && !common::ReplaceFile(FilePath(kSignature), *signature, true)) {
        return false;
    }
    return common::ReplaceFile(FilePath(kManifest), bytes, true);
}

std::optional<StagedUpdates::KeptManifest> StagedUpdates::Manifest() const {
    if (!UsableFolder()) {
        return std::nullopt;
    }
    std::optional<QByteArray> bytes = ReadPrivate(FilePath(kManifest), kMaxManifestBytes);
    if (!bytes) {
        return std::nullopt;
    }
    KeptManifest kept;
    kept.bytes = std::move(*bytes);
    kept.signature = ReadPrivate(FilePath(kSignature), kMaxSignatureBytes);
    return kept;
}

std::optional<QString> StagedUpdates::StagedVersion() const {
    const std::optional<KeptManifest> kept = Manifest();
    if (!kept || stateFolders_.isEmpty() ||
        !InstallerPresent(stateFolders_.first(), programFolder_)) {
        return std::nullopt;
    }
    return ParseChannelManifest(kept->bytes, ConfiguredChannel(programFolder_)).curver;
}

QString StagedUpdates::DownloadPath(const QByteArray& sha256) const {
    if (sha256.size() != 32 || !UsableFolder()) {
        return {};
    }
    return FilePath(kDownloadPrefix + QString::fromLatin1(sha256.toHex()));
}

void StagedUpdates::DropDownloadsBut(const QString& keep) const {
    if (!UsableFolder()) {
        return;
    }
    QDir dir(Folder());
    for (const QString& entry :
         dir.entryList({kDownloadPrefix + QStringLiteral("*")}, QDir::Files | QDir::System)) {
        if (dir.filePath(entry) != keep) {
            dir.remove(entry);
        }
    }
}

bool StagedUpdates::StageInstaller(int sealedFd, const QByteArray& manifestBytes) const {
    if (!UsableFolder()) {
        return false;
    }
    // A start that found a newer manifest meanwhile has the last word.
    return common::ReplaceFileFrom(FilePath(QLatin1String(kStagedInstallerName)), sealedFd, true,
                                   [&] {
                                       const std::optional<KeptManifest> kept = Manifest();
                                       return kept && kept->bytes == manifestBytes;
                                   });
}

StagedInstall StagedUpdates::Take(Services& services, const TrustInForce& trust,
                                  const QString& checkUrl, const QDateTime& nowUtc) const {
    struct ClearAtEnd {
        const StagedUpdates& staged;
        ~ClearAtEnd() { staged.Clear(); }
    } clear{*this};
    const std::optional<KeptManifest> kept = Manifest();
    if (!kept) {
        return Failed(QStringLiteral("its manifest is missing or not the user's own"));
    }
    ManifestAcceptance judged =
        JudgeKeptManifest(services, trust, kept->bytes, kept->signature, checkUrl, nowUtc);
    if (judged.refusal) {
        return Failed(RefusalText(*judged.refusal));
    }
    if (!judged.manifest.BindsInstaller()) {
        return Failed(QStringLiteral("its manifest binds no installer"));
    }
    const int in =
        ::open(QFile::encodeName(FilePath(QLatin1String(kStagedInstallerName))).constData(),
               O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    struct stat info {};
    if (in < 0 || ::fstat(in, &info) != 0 || !S_ISREG(info.st_mode) || info.st_uid != ::geteuid() ||
        (info.st_mode & 077) != 0) {
        if (in >= 0) {
            ::close(in);
        }
        return Failed(QStringLiteral("the installer is missing or not the user's own"));
    }
    auto copy = std::make_unique<platform::SealedCopy>(
        [in](int out) { return ::lseek(out, 0, SEEK_SET) == 0 && common::CopyAll(in, out); });
    ::close(in);
    if (!copy->valid()) {
        return Failed(QStringLiteral("no sealed copy could be made"));
    }
    const MaybeRefusal problem = InstallerBindingProblem(judged.manifest, copy->fd());
    if (problem) {
        return Failed(RefusalText(*problem));
    }
    StagedInstall result;
    result.copy = std::move(copy);
    result.manifest = std::move(judged.manifest);
    return result;
}

void StagedUpdates::Clear() const {
    const QString folder = Folder();
    if (folder.isEmpty() || !common::PrivateFolderProblem(folder).isEmpty()) {
        return;
    }
    QDir dir(folder);
    for (const QString& entry : dir.entryList(QDir::Files | QDir::Hidden | QDir::System)) {
        dir.remove(entry);
    }
}

}  // namespace patchwell::update
