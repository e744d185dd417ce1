#pragma once

// Small files (manifests, signatures, release notes) fetched whole into
// memory: one request and one answer for each of them.

#include <QByteArray>
#include <QString>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>

namespace patchwell::download {

class TransferClock;

// What a server said about a body it sent before: sent back so that it can
// answer "not modified" instead of the body.
struct Validators {
    QString etag;          // ETag
    QString lastModified;  // Last-Modified

    bool empty() const { return etag.isEmpty() && lastModified.isEmpty(); }
};

struct SmallRequest {
    QString url;
    qint64 maxBytes = 0;  // a body above this fails
    // With validators, If-None-Match / If-Modified-Since go with the request.
    Validators validators;
    // The whole request, body included, takes at most this long (zero: the
    // fetcher's own overall limit).
    std::chrono::milliseconds limit{0};
};

struct SmallAnswer {
    enum class Kind {
        Body,         // 200 with a body within the limit
        NotModified,  // 304: the body sent before still holds
        RetryLater,   // 429 or 503 with a readable Retry-After
        Failed,       // anything else: no connection, time-out, an HTTP error
    };
    Kind kind = Kind::Failed;
    QByteArray body;
    Validators validators;  // of a Body answer
    qint64 retryAfterSeconds = -1;
    int status = 0;
};

class SmallFetcher {
public:
    virtual ~SmallFetcher() = default;
    virtual SmallAnswer Fetch(const SmallRequest& request) = 0;

    // The body of `url` when the server answers with success and the body has
    // at most `maxBytes` bytes; none for any other answer.
    std::optional<QByteArray> FetchBody(const QString& url, qint64 maxBytes);
};

// Over the download engine and its HTTP rules, the same as the installer's:
// http and https only, never from https to http, certificates checked, the
// proxy variables, the stall time-out and the low-speed floor, and the body
// broken off as soon as it grows past the limit. A fetch without a limit of
// its own takes at most `overallTimeoutSeconds`. While it waits, the Qt event
// loop runs (user input excepted): windows are painted, timers fire and a
// termination signal is acted on.
class HttpSmallFetcher : public SmallFetcher {
public:
    struct Options {
        long overallTimeoutSeconds = 60;
        // The transfer's clock; the steady clock when empty (tests simulate).
        std::shared_ptr<download::TransferClock> clock;
        // Runs while the fetch waits; empty: the application's pending
        // events, user input excepted.
        std::function<void()> processEvents;
    };

    HttpSmallFetcher();
    explicit HttpSmallFetcher(Options options);
    SmallAnswer Fetch(const SmallRequest& request) override;

private:
    Options options_;
};

// Retry-After is honoured up to a day; a longer wait is cut to that. The
// answer is not signed (anyone on the way can send it), so it may hold back
// the automatic checks for a day at most: a fix published the next day is
// still seen the day after.
constexpr qint64 kMaxRetryAfterSeconds = 24 * 3600;

}  // namespace patchwell::download
