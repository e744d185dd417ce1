#include "patchwell/update/core/check/fetch.h"

#include <QFile>
#include <QLocale>
#include <QLoggingCategory>

#include <fcntl.h>
#include <unistd.h>

#include "common/files/whole_file.h"
#include "common/paths/program_path.h"

#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/texts.h"

Q_LOGGING_CATEGORY(lcSchedule, "patchwell.update.schedule")

namespace patchwell::update {

namespace {

using Kind = download::SmallAnswer::Kind;

// The manifest lands as iupdate.ini, as the control would write it: never
// through a symbolic link planted at its name.
bool WriteRemoteManifest(const QString& programFolder, const QByteArray& bytes) {
    const QByteArray path = QFile::encodeName(common::LocalPath(RemoteManifestPath(programFolder)));
    const int fd =
        ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        return false;
    }
    const bool written =
        common::WriteAll(fd, bytes.constData(), static_cast<std::size_t>(bytes.size()));
    return ::close(fd) == 0 && written;
}

}  // namespace

void ScheduledCheck::Begin(const QString& programFolder, const QString& checkUrl) {
    programFolder_ = programFolder;
    checkUrl_ = checkUrl;
    if (request_.channel && !RecordChannel(programFolder, *request_.channel)) {
        qCWarning(lcSchedule) << "the channel could not be written to update.ini";
    }
    settings_ = ReadCheckSettings(programFolder, request_);
    started_ = Clock::now();
    cache_.emplace(cacheRoot_, checkUrl, programFolder);
}

std::optional<ScheduledCheck::Clock::time_point> ScheduledCheck::Deadline() const {
    if (settings_.limit.count() <= 0) {
        return std::nullopt;
    }
    return started_ + settings_.limit;
}

std::chrono::milliseconds ScheduledCheck::Remaining() const {
    const auto deadline = Deadline();
    if (!deadline) {
        return std::chrono::milliseconds(0);
    }
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
    // Spent: the smallest limit there is, so that nothing waits.
    return std::max(left, std::chrono::milliseconds(1));
}

ScheduledCheck::Fetched ScheduledCheck::FetchManifest(bool unconditional) {
    Fetched result;
    if (Deadline() && Clock::now() >= *Deadline()) {
        return result;
    }
    const std::optional<CachedManifest> cached = unconditional ? std::nullopt : cache_->Load();
    const download::SmallAnswer answer =
        fetcher_.Fetch({checkUrl_, kMaxManifestBytes,
                        cached ? cached->validators : download::Validators(), Remaining()});
    if ((answer.kind == Kind::Body || (answer.kind == Kind::NotModified && cached)) &&
        !WriteRemoteManifest(programFolder_,
                             answer.kind == Kind::Body ? answer.body : cached->manifest)) {
        return result;
    }
    switch (answer.kind) {
        case Kind::Body:
            result.kind = Fetched::Kind::Manifest;
            result.bytes = answer.body;
            result.validators = answer.validators;
            return result;
        case Kind::NotModified:
            if (!cached) {
                // A 304 to a request that asked for none: nothing to reuse.
                return unconditional ? result : FetchManifest(true);
            }
            result.kind = Fetched::Kind::Manifest;
            result.bytes = cached->manifest;
            result.signature = cached->signature;
            result.validators = cached->validators;
            result.fromCache = true;
            return result;
        case Kind::RetryLater:
            if (!RecordNotBefore(programFolder_, QDateTime::currentDateTimeUtc(),
                                 answer.retryAfterSeconds)) {
                qCWarning(lcSchedule) << "notbefore could not be written to update.ini";
            }
            return result;
        case Kind::Failed:
            return result;
    }
    return result;
}

void ScheduledCheck::FetchSignature(Fetched& fetched) const {
    if (fetched.fromCache) {
        return;  // the cache gave it with the manifest
    }
    fetched.signature.reset();
    std::chrono::milliseconds limit{0};
    if (const auto deadline = Deadline()) {
        limit = std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - Clock::now());
        if (limit.count() <= 0) {
            return;
        }
    }
    const download::SmallAnswer answer =
        fetcher_.Fetch({SignatureAddress(checkUrl_), kMaxSignatureBytes, {}, limit});
    if (answer.kind == Kind::Body) {
        fetched.signature = answer.body;
    }
}

void ScheduledCheck::Completed(const QDateTime& nowUtc, const Fetched& fetched) {
    if (!RecordCompletedCheck(programFolder_, settings_, nowUtc)) {
        qCWarning(lcSchedule) << "the time of the check could not be written to update.ini";
    }
    if (fetched.fromCache) {
        return;  // the cache holds these bytes already
    }
    if (!fetched.validators.empty()) {
        cache_->Store({fetched.bytes, fetched.signature, fetched.validators});
    } else {
        cache_->Drop();
    }
}

void ScheduledCheck::DropCache() {
    cache_->Drop();
}

QString ScheduledCheck::OfferNote(const VerifiedManifest& manifest) const {
    if (!Metered()) {
        return {};
    }
    if (!manifest.installerSize) {
        return texts::MeteredUnknownSize();
    }
    return texts::MeteredSize(
        QLocale().formattedDataSize(*manifest.installerSize, 1, QLocale::DataSizeSIFormat));
}

std::optional<ManifestAcceptance> CheckOnce(Services& services, ScheduledCheck& scheduled,
                                            const TrustInForce& trust, const QString& checkUrl,
                                            const QDateTime& nowUtc) {
    const auto accept = [&](ScheduledCheck::Fetched& fetched) {
        if (trust.state) {
            scheduled.FetchSignature(fetched);
        }
        return AcceptManifest(services, trust, fetched.bytes, fetched.signature, checkUrl, nowUtc);
    };
    ScheduledCheck::Fetched fetched = scheduled.FetchManifest(false);
    if (fetched.kind != ScheduledCheck::Fetched::Kind::Manifest) {
        return std::nullopt;
    }
    ManifestAcceptance accepted = accept(fetched);
    if (accepted.refusal && fetched.fromCache) {
        scheduled.DropCache();
        fetched = scheduled.FetchManifest(true);
        if (fetched.kind != ScheduledCheck::Fetched::Kind::Manifest) {
            return std::nullopt;
        }
        accepted = accept(fetched);
    }
    if (!accepted.refusal) {
        scheduled.Completed(nowUtc, fetched);
    }
    return accepted;
}

}  // namespace patchwell::update
