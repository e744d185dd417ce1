#pragma once

// An update downloaded in the background (autoupdate=1) waits here for the
// next start: in the user's state folder, one private folder per
// installation (0700, the user's own, named after the program folder's real
// path; never in the program folder or a temporary folder, which are emptied
// or aged out). It holds the signed manifest the update came from and its
// signature, the download on its way in (continued by the next run) and,
// once made and checked, the installer (0600). The next start checks them
// all again before anything runs; whatever fails a check is deleted.

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

#include "patchwell/platform/sealed_copy.h"
#include "patchwell/update/core/manifest/signed_update.h"

namespace patchwell::update {

// The staged folder of `programFolder` in `stateFolder`, and the name of the
// staged installer in it.
QString StagedFolderIn(const QString& stateFolder, const QString& programFolder);
extern const char kStagedInstallerName[];

// What the next start installs: the staged installer in a sealed copy,
// checked against the manifest it came from. No copy when a check failed
// (`problem` says which, for the log); the staged files are gone then.
struct StagedInstall {
    std::unique_ptr<platform::SealedCopy> copy;
    VerifiedManifest manifest;
    QString problem;
};

class StagedUpdates {
public:
    // `stateFolders` as in Services; the first one holds the staged files.
    StagedUpdates(QStringList stateFolders, QString programFolder);

    // Whether an installer is staged for `programFolder` in `stateFolder`: one
    // look at the file, nothing read (the start within the schedule asks).
    // (Defined apart from the rest, so that the front links nothing more.)
    static bool InstallerPresent(const QString& stateFolder, const QString& programFolder);

    QString Folder() const;

    // The manifest the background download is for, kept with its signature
    // (none without a key). A kept manifest of other bytes is superseded:
    // it goes with its staged installer (downloads on their way in stay, to
    // be continued where the new manifest offers the same file). False when
    // the files could not be written.
    bool KeepManifest(const QByteArray& bytes, const std::optional<QByteArray>& signature);

    struct KeptManifest {
        QByteArray bytes;
        std::optional<QByteArray> signature;
    };
    // The kept manifest, when the folder and its files are the user's own
    // and closed to others; none otherwise.
    std::optional<KeptManifest> Manifest() const;

    // The version of the installer staged, as its kept manifest names it
    // (not judged: for --status); none when no installer is staged.
    std::optional<QString> StagedVersion() const;

    // Where a download of the file with `sha256` is received (the same name
    // at every run, so that the next run continues it); empty without a
    // usable folder.
    QString DownloadPath(const QByteArray& sha256) const;
    // Removes every download but the one at `keep`.
    void DropDownloadsBut(const QString& keep) const;

    // Stages the bytes of `sealedFd` as the installer, when the kept
    // manifest still holds `manifestBytes` (no later start superseded it
    // meanwhile). False when it was not staged.
    bool StageInstaller(int sealedFd, const QByteArray& manifestBytes) const;

    // The check of the next start: the kept manifest judged again under
    // `trust` (signature under the kept key, signing time, binding, version
    // order; see JudgeKeptManifest), the staged installer copied into a
    // sealed copy and its length and SHA-256 checked there. The staged files
    // are deleted whatever the outcome: what is installed is in the copy, and
    // nothing that failed is tried again.
    StagedInstall Take(Services& services, const TrustInForce& trust, const QString& checkUrl,
                       const QDateTime& nowUtc) const;

    // Deletes every staged file.
    void Clear() const;

private:
    QString FilePath(const QString& name) const;
    bool UsableFolder() const;

    QStringList stateFolders_;
    QString programFolder_;
};

}  // namespace patchwell::update
