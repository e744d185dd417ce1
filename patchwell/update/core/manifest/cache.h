#pragma once

// The last accepted remote manifest, kept in the user's cache so that the
// next check can ask the server whether it changed (a conditional request)
// instead of fetching it again:
//
//   $XDG_CACHE_HOME/patchwell/<one folder per verchckurl>/
//       manifest    the manifest's bytes
//       signature   its .minisig, when it had one
//       meta        ETag, Last-Modified and the SHA-256 of both files
//
// Both folders are the user's own with mode 0700; a folder of another owner,
// a symbolic link or a cache inside the program folder is not used. The
// cached bytes earn no trust: they go through every check fetched bytes go
// through, and a cache that fails one is dropped.

#include <QByteArray>
#include <QString>

#include <optional>

#include "patchwell/download/small/small_fetcher.h"

namespace patchwell::update {

struct CachedManifest {
    QByteArray manifest;
    std::optional<QByteArray> signature;
    download::Validators validators;
};

class ManifestCache {
public:
    // `root` is the folder that holds one folder per manifest address,
    // normally DefaultRoot(); empty: no cache.
    ManifestCache(QString root, const QString& checkUrl, const QString& programFolder);

    // $XDG_CACHE_HOME/patchwell, else ~/.cache/patchwell; empty when neither
    // is known.
    static QString DefaultRoot();

    // The cached manifest with validators to send, or none when there is
    // none that is whole, the user's own and unchanged since it was stored.
    std::optional<CachedManifest> Load() const;
    bool Store(const CachedManifest& entry) const;
    void Drop() const;

    QString Folder() const { return folder_; }

private:
    bool SafeFolder(bool create) const;

    QString root_;
    QString folder_;
};

}  // namespace patchwell::update
