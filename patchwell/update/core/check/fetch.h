#pragma once

// The check as the program runs it: on the schedule of update.ini, within
// one time limit, and with conditional requests against the manifest kept in
// the user's cache (see schedule.h here and manifest/cache.h).

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

#include "patchwell/download/small/small_fetcher.h"
#include "patchwell/platform/network_cost.h"
#include "patchwell/update/core/check/schedule.h"
#include "patchwell/update/core/manifest/cache.h"

namespace patchwell::update {

struct ManifestAcceptance;
struct Services;
struct TrustInForce;
struct VerifiedManifest;

class ScheduledCheck {
public:
    using Clock = std::chrono::steady_clock;

    ScheduledCheck(download::SmallFetcher& fetcher, CheckRequest request, QString cacheRoot,
                   platform::NetworkCost* cost = nullptr)
        : fetcher_(fetcher),
          request_(std::move(request)),
          cacheRoot_(std::move(cacheRoot)),
          cost_(cost) {}

    // Reads the settings of update.ini (after writing a requested channel)
    // and starts the time limit. Called once, by the start without windows.
    void Begin(const QString& programFolder, const QString& checkUrl);
    const CheckSettings& Settings() const { return settings_; }
    const CheckRequest& Request() const { return request_; }

    struct Fetched {
        enum class Kind { Manifest, Failed };
        Kind kind = Kind::Failed;
        QByteArray bytes;
        // The manifest's signature: the cached one after a 304, else what
        // FetchSignature fetched.
        std::optional<QByteArray> signature;
        download::Validators validators;
        bool fromCache = false;
    };
    // The manifest: fetched, or after a 304 the cached copy with its
    // signature. `unconditional` sends no validators. A Retry-After is
    // recorded as notbefore.
    Fetched FetchManifest(bool unconditional);
    // The signature of a manifest that was fetched, not cached: fetched
    // within the check's time limit.
    void FetchSignature(Fetched& fetched) const;

    // The `fetched` manifest was accepted: the cache keeps it and
    // update.ini the time of the check.
    void Completed(const QDateTime& nowUtc, const Fetched& fetched);
    void DropCache();

    // What the offer of `manifest`'s update says besides "An update has been
    // found": on a metered connection, that it is one and the installer's
    // size; otherwise nothing.
    QString OfferNote(const VerifiedManifest& manifest) const;
    // Whether the connection counts as metered (never without a way to ask).
    bool Metered() const { return cost_ != nullptr && cost_->Metered(); }

private:
    std::optional<Clock::time_point> Deadline() const;
    std::chrono::milliseconds Remaining() const;

    download::SmallFetcher& fetcher_;
    CheckRequest request_;
    QString cacheRoot_;
    platform::NetworkCost* cost_;
    QString programFolder_;
    QString checkUrl_;
    CheckSettings settings_;
    Clock::time_point started_;
    std::optional<ManifestCache> cache_;
};

// The check, made once under `trust`: the manifest (with its signature
// when a key is in force) fetched, accepted or refused (cached bytes that no
// longer pass are fetched once more, whole), and an accepted one recorded as
// the completed check. None when it could not be carried out.
std::optional<ManifestAcceptance> CheckOnce(Services& services, ScheduledCheck& scheduled,
                                            const TrustInForce& trust, const QString& checkUrl,
                                            const QDateTime& nowUtc);

}  // namespace patchwell::update
