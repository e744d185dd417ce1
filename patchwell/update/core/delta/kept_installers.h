#pragma once

// The installers that ran here, kept as the bases of later patches: after an
// installer that patchwell verified ran and exited 0, the bytes that ran
// (its sealed copy) are kept, with their SHA-256, in the user's own state
// folder (files 0600 in 0700 folders, owner checked, named after the program
// folder's real path; never in the program folder). The one before it stays
// too, for a rollback; older ones go. Nothing here changes at download time.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>

namespace patchwell::update {

struct KeptInstaller {
    QString path;       // the kept file
    QByteArray sha256;  // 32 bytes, as VerifiedManifest::installerSha256
    qint64 size = 0;
    QString version;  // the version it installed (curver of its manifest)
};

class KeptInstallers {
public:
    // `stateFolders` as in Services; the first one holds them (installers
    // are large: they are not kept twice).
    KeptInstallers(QStringList stateFolders, QString programFolder);

    // The installer that ran last, and the one before it: none when nothing
    // is kept, or when what is kept is not the user's own, not private, or
    // not what was recorded (size). The digest is re-checked by OpenVerified.
    std::optional<KeptInstaller> Current() const;
    std::optional<KeptInstaller> Previous() const;

    // Opens `kept` read-only and checks its SHA-256 against the recorded one
    // on the open descriptor; -1 when it no longer hashes right (the file
    // is then removed). The caller closes the descriptor.
    int OpenVerified(const KeptInstaller& kept) const;
    // Whether the open `fd` (a regular file or memory file of the user's
    // own) holds exactly `kept`'s bytes, read from its start.
    static bool Holds(const KeptInstaller& kept, int fd);

    // After a successful installation: the bytes at `sealedFd` (read from
    // offset 0), which hash to `sha256`, become the current installer, the
    // current one the previous one, and older ones are removed. False when
    // it could not be written (nothing kept changes then).
    bool Keep(int sealedFd, const QByteArray& sha256, const QString& version);

    // After a rollback, when the previous installer ran and exited 0: it
    // becomes the current one, and the one left goes. That one is no longer
    // installed, so it is no base of a patch, and going back once more must
    // not take the user forward to the version just left. False when there
    // is no previous one or the list could not be written (nothing changes
    // then).
    bool RolledBack();

    // A private folder of this installation's (0700, the user's own, beside
    // the kept installers) for files on their way in, such as a patch being
    // downloaded; created when missing. Empty when it cannot be had.
    QString WorkFolder() const;

private:
    QString Folder() const;
    std::optional<KeptInstaller> Kept(const QString& section) const;
    // Lists `current` and `before` (when given) in `folder` and removes
    // every other file there but the work folder.
    static bool List(const QString& folder, const KeptInstaller& current,
                     const std::optional<KeptInstaller>& before);

    QStringList stateFolders_;
    QString programFolder_;
};

}  // namespace patchwell::update
