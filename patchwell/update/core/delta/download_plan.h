#pragma once

// What an update downloads, decided in one place: first a patch from the
// installer that ran here last, then the compressed installer, then (always,
// by the download window's own addresses) the installer itself with its
// mirrors. A patch or a compressed file is offered only where the manifest
// binds the installer's size and SHA-256, which what it turns into must
// have, and only with a well-formed length and SHA-256 of its own and an
// address no less secure than the installer's.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/manifest/signed_update.h"

namespace patchwell::update {

struct DeltaOffer {
    enum class Kind { Patch, Compressed };
    Kind kind = Kind::Compressed;
    QString address;
    qint64 size = 0;     // the file's length, as the manifest gives it
    QByteArray sha256;   // the file's SHA-256 (32 bytes)
    KeptInstaller base;  // a patch's base: the kept installer it applies to
};

// The files to try before the installer itself, in order: at most one patch
// (the first whose base is `current`) and at most one compressed file.
std::vector<DeltaOffer> PlanDownload(const VerifiedManifest& manifest,
                                     const std::optional<KeptInstaller>& current);

// The plan for this installation's kept installers: a current one that no
// longer hashes right (OpenVerified removes it) is no base, so its patch is
// not fetched only to be refused. It is hashed once more when the patch is
// applied.
std::vector<DeltaOffer> PlanDownload(const VerifiedManifest& manifest, const KeptInstallers& kept);

}  // namespace patchwell::update
