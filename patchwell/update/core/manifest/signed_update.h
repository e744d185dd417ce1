#pragma once

// Signed updates. A program opts in with [Update] publickey in its update.ini
// (a minisign public key). From then on the remote manifest is used only with
// a valid signature at its address + ".minisig", a signing time no older than
// the newest one accepted before, its own address equal to verchckurl, an
// expiry time not passed, and the installer's length and SHA-256 in it; the
// installer runs only when its sealed copy has exactly that length and
// digest. Any failure refuses the update with its reason.
//
// Every value is taken from the one copy of the manifest's bytes that was
// verified; the file is never read again.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>

#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/services.h"

class QRandomGenerator;

namespace patchwell::update {

// The remote manifest may be at most this large.
constexpr qint64 kMaxManifestBytes = 1 << 20;
// A .minisig file is a few hundred bytes; anything near this is not one.
constexpr qint64 kMaxSignatureBytes = 64 << 10;
// Release notes are a page of plain text.
constexpr qint64 kMaxNotesBytes = 64 << 10;

// What update.ini keeps about signing, in [Update]: publickey,
// nextpublickey and lastmanifesttime (it keeps no retired keys).
TrustState ReadSigningState(const QString& programFolder);

// The public key of update.ini; empty when signed updates are off.
QString ConfiguredPublicKey(const QString& programFolder);

// The remote manifest as the check accepted it.
struct VerifiedManifest {
    RemoteManifest values;
    bool keyed = false;  // verified with the installation's key
    QString address;     // where the manifest was fetched from
    // The installer's length and SHA-256 (32 bytes) when the manifest binds
    // them; always so when keyed.
    std::optional<qint64> installerSize;
    QByteArray installerSha256;
    QString releaseNotes;  // fetched and checked; empty when none

    bool BindsInstaller() const { return installerSize.has_value(); }
};

// 64 hex digits, either case: the 32 bytes; empty for anything else.
QByteArray Sha256FromHex(const QString& hex);

// A length in bytes as the manifest gives it: 1 to 18 decimal digits,
// nothing else; none for anything else.
std::optional<qint64> ByteCountFrom(const QString& text);

// Judges the binding keys of `values` (the installer's length and digest,
// the manifest's address and expiry, the next key) and fills `out`. Returns
// why the manifest may not be used, or none when it may. Without a key only
// the installer's length and digest count, and only when present.
MaybeRefusal BindManifest(const RemoteManifest& values, bool keyed, const QString& checkUrl,
                          const QDateTime& nowUtc, VerifiedManifest& out);

struct ManifestAcceptance {
    VerifiedManifest manifest;
    MaybeRefusal refusal;  // none when accepted
    // The bytes and signature judged, as they came (for a staged update,
    // which keeps them to be judged again at the next start).
    QByteArray bytes;
    std::optional<QByteArray> signature;
};

// Where the signature of the manifest at `checkUrl` is published.
QString SignatureAddress(const QString& checkUrl);

// Accepts the downloaded manifest `bytes` fetched from `checkUrl`, under
// `trust` (the kept signing state, see trust_state.h, established once per
// start). Under a key: checks `signature` (either the key or the next key,
// never a retired one; none is a refusal), the signing time, the binding
// keys and that it offers no older version than update.ini's prgver unless
// it allows a downgrade; then, and only for a manifest accepted as a whole,
// it records the signing time, a rotation to the next key and the
// manifest's word on the next key, first in the kept state and then in one
// atomic write of update.ini; a write that fails refuses the manifest.
// Without a key: only the binding keys present are judged, and `signature`
// is not looked at.
ManifestAcceptance AcceptManifest(Services& services, const TrustInForce& trust,
                                  const QByteArray& bytes,
                                  const std::optional<QByteArray>& signature,
                                  const QString& checkUrl, const QDateTime& nowUtc);

// Judges a manifest kept from an earlier start (`bytes`, `signature`) as
// AcceptManifest does, under the signing state in force now, and records
// nothing: a manifest signed before the newest one accepted since (one that a
// newer manifest superseded), or by a key the state no longer takes, is
// refused, as is one whose version is not newer than the installed one.
ManifestAcceptance JudgeKeptManifest(Services& services, const TrustInForce& trust,
                                     const QByteArray& bytes,
                                     const std::optional<QByteArray>& signature,
                                     const QString& checkUrl, const QDateTime& nowUtc);

// Why the sealed installer copy `sealedFd` may not run under `manifest`
// (another length, another SHA-256, unreadable); none when it may.
MaybeRefusal InstallerBindingProblem(const VerifiedManifest& manifest, int sealedFd);

// True when `received` bytes of installer are already more than the
// manifest binds it to: the download is to stop and its bytes go.
bool ExceedsBoundSize(const VerifiedManifest& manifest, qint64 received);

// Puts back into update.ini those of publickey, nextpublickey and
// lastmanifesttime that it held in `before` and has lost since (an installer
// that rewrites the file), and a lastmanifesttime moved back. False when that
// was needed and could not be written.
bool RestoreSigningState(const QString& programFolder, const TrustState& before);

// [Update] rollout: a whole number 0-100; missing or malformed means 100.
int RolloutPercent(const QString& rollout);

// This installation's number 0-99 for staged rollouts: [Update] rolloutbucket
// of update.ini, drawn once from `random` and stored there when missing or
// malformed. A number that cannot be stored is used for this run only.
int RolloutBucket(const QString& programFolder, QRandomGenerator& random);

// Whether the update is offered to this installation.
bool OfferedInRollout(const VerifiedManifest& manifest, const QString& programFolder,
                      QRandomGenerator& random);

enum class Offering {
    Update,   // offered
    None,     // the version installed, or outside the rollout: up to date
    Skipped,  // the version the user chose to skip
};

// Whether `manifest`'s update is offered to an installation at
// `localVersion` that checks by `settings`: another version than it has, not
// the one the user skipped, and inside the rollout.
Offering UpdateOffered(const VerifiedManifest& manifest, const QString& programFolder,
                       const QString& localVersion, const CheckSettings& settings);

// The release notes `manifest` names, fetched through the services' fetcher:
// UTF-8 text of at most kMaxNotesBytes, matching curvernotessha256 when given
// (required under a key). Empty when there are none or they fail any of this.
QString FetchReleaseNotes(Services& services, const VerifiedManifest& manifest);

// The end of an update that could not be verified: the user is told so with
// `reason` on a second line, "iupdate.ini" and `installerFile` (when not
// empty) are deleted, and nothing is started. The caller ends the program.
void RefuseUnverifiedUpdate(Services& services, const QString& installerFile,
                            const Refusal& reason);

}  // namespace patchwell::update
