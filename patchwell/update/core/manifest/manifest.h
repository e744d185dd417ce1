#pragma once

// The local manifest "update.ini" beside the program and the remote manifest
// that the check downloads as "iupdate.ini".

#include <QString>

namespace patchwell::update {

// Program folder & "/update.ini", and the same for "iupdate.ini".
QString LocalManifestPath(const QString& programFolder);
QString RemoteManifestPath(const QString& programFolder);

// The values of the remote manifest, all of them taken from one copy of its
// bytes in memory (the copy whose signature was checked).
struct RemoteManifest {
    QString curver;          // [Update] curver
    QString curverurl;       // [Update] curverurl
    QString updaterVersion;  // [updateprg] curver (kept, not used)
    QString updaterUrl;      // [updateprg] curverurl (kept, not used)
    QString savefileas;      // [Update] savefileas
    // What binds the manifest to its installer, its address and its time,
    // all in [Update]; read as text, judged by the signed-update rules.
    QString curversize;         // the installer's length in bytes
    QString curversha256;       // the installer's SHA-256, 64 hex digits
    QString manifesturl;        // where the manifest is published
    QString expires;            // YYYY-MM-DDTHH:MM:SSZ
    QString nextpublickey;      // the key that will sign after the current one
    QString rollout;            // percent of installations offered the update
    QString curvernotes;        // address of the release notes
    QString curvernotessha256;  // their SHA-256
    QString curvermirrors;      // further addresses of the installer, blank-separated
    QString allowdowngrade;     // "1": the publisher means an older version
    // Binary patches to this release from earlier installers: each its
    // address, the SHA-256 of the installer it applies to, its length and
    // its own SHA-256. Used only with curversize and curversha256.
    QString curverpatch1, curverpatch1from, curverpatch1size, curverpatch1sha256;
    QString curverpatch2, curverpatch2from, curverpatch2size, curverpatch2sha256;
    QString curverpatch3, curverpatch3from, curverpatch3size, curverpatch3sha256;
    // The installer compressed with zstd: address, length and SHA-256.
    QString curverzst, curverzstsize, curverzstsha256;
};

// Parses the manifest's bytes with the INI rules of ReadIniValue.
RemoteManifest ParseRemoteManifest(const QByteArray& content);

// The keys a release section holds, [Update] or a channel's [Update.NAME]:
// the version and everything that describes its installer.
struct ReleaseKey {
    const char* name;
    QString RemoteManifest::*field;
};
extern const ReleaseKey kReleaseKeys[25];

// Version texts are compared exactly: character by character, letter case
// counting, no trimming and no reading as numbers. Any difference offers the
// update, whichever side is newer.
bool IsUpToDate(const QString& localVersion, const QString& remoteVersion);

// The installer's file name comes from the network. It must name a file
// inside the program folder: not empty, not absolute, and without a ".."
// component ("/" and "\" both count as separators).
bool IsSafeSaveName(const QString& savefileas);

// Program folder & "/" & name: where a relative name of the manifests lives.
QString InProgramFolder(const QString& programFolder, const QString& name);

// Where the installer named `savefileas` is saved: a "\" in the name counts
// as a folder separator, so the control writes, and the installation step
// runs and deletes, one and the same path.
QString InstallerSaveLocation(const QString& programFolder, const QString& savefileas);

// The file the installer is written to, for every address it comes from:
// `saveLocation` with the extension of `curverurl`, as the download window's
// control names it (KeepType), derived once so that a mirror's address
// cannot change it.
QString InstallerTarget(const QString& curverurl, const QString& saveLocation);

// True when a download from `url` to `saveLocation` would write over a file
// the updater relies on: either manifest, `executablePath` (the updater) or
// the served program `exe`. The control may give the file the URL's
// extension, so that name counts too. Symbolic links to folders are followed.
bool OverwritesProtectedFile(const QString& programFolder, const QString& executablePath,
                             const QString& exe, const QString& url, const QString& saveLocation);

}  // namespace patchwell::update
