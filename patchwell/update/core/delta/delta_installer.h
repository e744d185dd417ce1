#pragma once

// Turns a downloaded patch or compressed installer into the installer the
// manifest binds, in a sealed copy that the installation step runs: nothing
// of it runs unless the result has exactly the bound length and SHA-256.

#include <QString>

#include <memory>

#include "patchwell/platform/sealed_copy.h"
#include "patchwell/update/core/delta/download_plan.h"

namespace patchwell::update {

enum class DeltaFailure {
    None,
    Unreadable,    // the received file could not be opened or read
    WrongLength,   // it is not as long as the manifest says
    WrongDigest,   // its SHA-256 is not the manifest's
    NoBase,        // the patch's base is gone or no longer hashes right
    NotApplied,    // the decoder refused it, the result grew too large, no room
    NotInstaller,  // the result is not the installer the manifest binds
};

struct DeltaInstaller {
    std::unique_ptr<platform::SealedCopy> copy;  // set only when it is the installer
    DeltaFailure failure = DeltaFailure::None;
    QString detail;  // what went wrong, in English, for the log
};

// Checks the file at `received` against `offer` (length, SHA-256), opens a
// patch's base through `kept` (hashed again), decodes the file into a
// sealed copy no longer than the manifest's installer, with a window no
// larger than that size and the base's call for, and checks the copy
// against the manifest as the installation step does.
DeltaInstaller InstallerFromDelta(const VerifiedManifest& manifest, const DeltaOffer& offer,
                                  const QString& received, const KeptInstallers& kept);

}  // namespace patchwell::update
