#pragma once

// The signing state of one installation, kept where no installer writes it:
// a file of the user's own (mode 0600 in a 0700 folder below the user's
// state folder) named after the program folder's real path. Once an
// installation has been under a key, this file decides which keys verify
// and how old a manifest may be, whatever update.ini says later; update.ini
// gets the keys written back for those who read them there. Only a
// deliberate `patchwell --forget-key` removes it.

#include <QString>
#include <QStringList>

#include <optional>

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

// The state file of `programFolder` in `stateFolder`.
QString TrustStateFile(const QString& stateFolder, const QString& programFolder);

struct TrustLoad {
    std::optional<TrustState> state;  // none when none is kept
    QString problem;                  // why a kept state cannot be used; "" when it can
};

// Reads the kept state. A file or folder that another user owns or may
// write, a link, or a file without a key cannot be used.
TrustLoad LoadTrustState(const QString& stateFolder, const QString& programFolder);

// Replaces the kept state in one rename (mode 0600, folder made 0700).
bool SaveTrustState(const QString& stateFolder, const QString& programFolder,
                    const TrustState& state);

struct TrustInForce {
    std::optional<TrustState> state;  // none: signed updates are off
    QString refusal;                  // "" unless the state cannot be had
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
// the same key, the key, next key and time there. The text to tell the user;
// `ok` false when something could not be removed.
QString ForgetTrust(const QString& stateFolder, const QString& programFolder, bool& ok);

}  // namespace patchwell::update
