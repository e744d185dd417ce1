#pragma once

// Signed updates. A program opts in with [Update] publickey in its update.ini
// (a minisign public key); from then on a remote manifest is used only with a
// valid signature at its address + ".minisig" and a signing time no older
// than the newest one accepted before, and an installer runs only with a
// valid signature at its address + ".minisig". Any failure refuses the update.

#include <QString>

#include "services.h"

namespace patchwell::update {

// The remote manifest may be at most this large.
constexpr qint64 kMaxManifestBytes = 1 << 20;
// A .minisig file is a few hundred bytes; anything near this is not one.
constexpr qint64 kMaxSignatureBytes = 64 << 10;

// The public key of update.ini; empty when signed updates are off.
QString ConfiguredPublicKey(const QString& programFolder);

// Checks the downloaded "iupdate.ini" against its signature fetched from
// `manifestUrl` + ".minisig" and the signing time against [Update]
// lastmanifesttime, which it then advances. False when the manifest may not
// be used.
bool AcceptSignedManifest(Services& services, const QString& publicKey, const QString& manifestUrl);

// Checks `signature` for the bytes of the open descriptor `fd`.
bool SignatureHolds(const QString& publicKey, const QByteArray& signature, int fd);

// The end of an update that could not be verified: the user is told so,
// "iupdate.ini" and `installerFile` (when not empty) are deleted, and nothing
// is started. The caller ends the program.
void RefuseUnverifiedUpdate(Services& services, const QString& installerFile);

}  // namespace patchwell::update
