#pragma once

// The signing state of one installation, kept where no installer writes it:
// files of the user's own (mode 0600 in 0700 folders below the user's state
// folders, no folder above them open to others), named after the program
// folder's real path and after the manifest's address, so that a moved
// folder, an update.ini that names another address and a run without the
// session's XDG_STATE_HOME all find it. Once an installation has been under
// a key, this state decides which keys verify and how old a manifest may be,
// whatever update.ini says later; update.ini gets the keys written back for
// those who read them there. Only a deliberate `patchwell --forget-key`
// removes it.

#include <QString>
#include <QStringList>

#include <optional>

#include "patchwell/update/core/manifest/state_names.h"
#include "patchwell/update/core/refusal.h"

#include "patchwell/update/core/services.h"

namespace patchwell::update {

struct TrustState {
    QString publicKey;         // the key that signs now
    QString nextPublicKey;     // the key announced to sign next
    QString lastManifestTime;  // the newest signing time accepted
    QStringList retiredKeys;   // keys replaced by a rotation: never again

    bool operator==(const TrustState& other) const {
        return publicKey == other.publicKey && nextPublicKey == other.nextPublicKey &&
               lastManifestTime == other.lastManifestTime && retiredKeys == other.retiredKeys;
    }
    bool operator!=(const TrustState& other) const { return !(*this == other); }
};

// The state after accepting a manifest signed at `signedAt`, by the next key
// when `usedNext` (which makes it the key and retires the old one), that
// announces `announcedNext`: a key neither current nor retired becomes the
// next key; none, or one that is not acceptable, withdraws the next key.
TrustState AdvanceTrust(const TrustState& state, bool usedNext, long long signedAt,
                        const QString& announcedNext);

// The state file of `programFolder` in `stateFolder`, and the one of the
// manifest address `checkUrl`.
QString TrustStateFile(const QString& stateFolder, const QString& programFolder);
QString TrustStateFileForAddress(const QString& stateFolder, const QString& checkUrl);

// The text of a state file: INI through common/ini, each value quoted. None
// when a value holds a control character or is too long to be read back; the
// folder and address, kept only for whoever reads the file, are then left out.
std::optional<QByteArray> TrustStateText(const TrustState& state, const QString& programFolder,
                                         const QString& checkUrl);

struct TrustLoad {
    std::optional<TrustState> state;  // none when none is kept
    MaybeRefusal problem;             // why a kept state cannot be used; none when it can
    bool everywhere = false;          // every state file holds it as it is written now
};

// Reads the kept state from every state file of the program folder and of
// the address in `stateFolders`; where they differ, the one furthest on
// (more keys retired, then the later signing time). A file or folder that
// another user owns or may write, or that a folder above it exposes, a link,
// anything but a regular file, or a file that is not exactly what
// SaveTrustState writes (or wrote in the line format of earlier versions)
// cannot be used.
TrustLoad LoadTrustState(const QStringList& stateFolders, const QString& programFolder,
                         const QString& checkUrl);

// Replaces every state file in `stateFolders`, each in one rename (mode 0600,
// folders made 0700). False when one in the first folder could not be
// written; the other folders are kept where they can be.
bool SaveTrustState(const QStringList& stateFolders, const QString& programFolder,
                    const QString& checkUrl, const TrustState& state);

struct TrustInForce {
    std::optional<TrustState> state;  // none: signed updates are off
    MaybeRefusal refusal;             // none unless the state cannot be had
};

// The state the check goes by, restored at every start: the kept one, or,
// when none is kept, the key of update.ini (stored from then on); none
// without either. The keys and time are written back into update.ini where it
// lost or changed them (a failure there is only logged: the kept file
// decides).
TrustInForce EstablishTrust(Services& services);

// Writes the state's key, next key and time into update.ini where they
// differ. False when a needed write failed.
bool MirrorTrustIntoIni(const QString& programFolder, const TrustState& state);

// `patchwell --forget-key`: removes the kept state and, when update.ini holds
// the same key, the key, next key and time there. What was done, with the
// program folder as its real path.
struct ForgetOutcome {
    enum class Kind { Forgotten, NoneKept, NotRemoved };
    Kind kind;
    QString folder;

    friend bool operator==(const ForgetOutcome& a, const ForgetOutcome& b) {
        return a.kind == b.kind && a.folder == b.folder;
    }
};
ForgetOutcome ForgetTrust(const QStringList& stateFolders, const QString& programFolder);

}  // namespace patchwell::update
