#pragma once

// The check as the program runs it: on the schedule of update.ini, within
// one time limit, and with conditional requests against the manifest kept in
// the user's cache (see check_schedule.h and manifest_cache.h).

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <chrono>
#include <optional>

#include "patchwell/download/small/conditional_fetcher.h"
#include "patchwell/download/small/small_fetcher.h"
#include "patchwell/platform/network_cost.h"
#include "patchwell/update/core/check_schedule.h"
#include "patchwell/update/core/manifest_cache.h"

namespace patchwell::update {

struct ManifestAcceptance;
struct Services;
struct VerifiedManifest;

// The fetcher of the services while the program runs. For the manifest's
// signature during a check it answers from the cache (after a 304) or
// fetches within the check's time limit and keeps what came; every other
// file (release notes) goes to `inner` unchanged.
class CheckFetcher : public download::SmallFetcher {
public:
    using Clock = std::chrono::steady_clock;

    CheckFetcher(download::SmallFetcher& inner, download::ConditionalFetcher& conditional)
        : inner_(inner), conditional_(conditional) {}

    std::optional<QByteArray> Fetch(const QString& url, qint64 maxBytes) override;

    // The signature at `url` is the cached one (none: there is none).
    void ServeCached(const QString& url, std::optional<QByteArray> signature);
    // The signature at `url` is fetched, by `deadline` when there is one.
    void FetchFresh(const QString& url, std::optional<Clock::time_point> deadline);
    // The signature last served for the manifest, for the cache.
    const std::optional<QByteArray>& Signature() const { return signature_; }

private:
    download::SmallFetcher& inner_;
    download::ConditionalFetcher& conditional_;
    QString url_;
    bool cached_ = false;
    std::optional<Clock::time_point> deadline_;
    std::optional<QByteArray> signature_;
};

class ScheduledCheck {
public:
    ScheduledCheck(download::ConditionalFetcher& conditional, CheckFetcher& signatures,
                   CheckRequest request, QString cacheRoot, platform::NetworkCost* cost = nullptr)
        : conditional_(conditional),
          signatures_(signatures),
          request_(std::move(request)),
          cacheRoot_(std::move(cacheRoot)),
          cost_(cost) {}

    // Reads the settings of update.ini (after writing a requested channel)
    // and starts the time limit. Called once, by the start without windows.
    void Begin(const QString& programFolder, const QString& checkUrl);
    const CheckSettings& Settings() const { return settings_; }

    struct Fetched {
        enum class Kind { Manifest, Failed };
        Kind kind = Kind::Failed;
        QByteArray bytes;
        bool fromCache = false;
    };
    // The manifest: fetched, or after a 304 the cached copy (whose signature
    // the services' fetcher then serves). `unconditional` sends no
    // validators. A Retry-After is recorded as notbefore.
    Fetched FetchManifest(bool unconditional);

    // The fetched or cached manifest was accepted: the cache keeps it and
    // update.ini the time of the check.
    void Completed(const QDateTime& nowUtc);
    void DropCache();

    // What the offer of `manifest`'s update says besides "An update has been
    // found": on a metered connection, that it is one and the installer's
    // size; otherwise nothing.
    QString OfferNote(const VerifiedManifest& manifest) const;

private:
    std::optional<CheckFetcher::Clock::time_point> Deadline() const;
    std::chrono::milliseconds Remaining() const;

    download::ConditionalFetcher& conditional_;
    CheckFetcher& signatures_;
    CheckRequest request_;
    QString cacheRoot_;
    platform::NetworkCost* cost_;
    QString programFolder_;
    QString checkUrl_;
    CheckSettings settings_;
    CheckFetcher::Clock::time_point started_;
    std::optional<ManifestCache> cache_;
    QByteArray manifest_;
    download::Validators validators_;
    bool fromCache_ = false;
};

// The check, made once: the manifest fetched, accepted or refused (cached
// bytes that no longer pass are fetched once more, whole), and an accepted
// one recorded as the completed check. None when it could not be carried
// out.
std::optional<ManifestAcceptance> CheckOnce(Services& services, ScheduledCheck& scheduled,
                                            const QString& checkUrl, const QDateTime& nowUtc);

}  // namespace patchwell::update
