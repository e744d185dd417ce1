#pragma once

#include <QByteArray>
#include <QString>

#include <chrono>

namespace patchwell::download {

// What a server said about a body it sent before: sent back so that it can
// answer "not modified" instead of the body.
struct Validators {
    QString etag;          // ETag
    QString lastModified;  // Last-Modified

    bool empty() const { return etag.isEmpty() && lastModified.isEmpty(); }
};

struct ConditionalAnswer {
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

// Fetches one small file (a manifest, a signature) with conditional requests
// and one overall time limit.
class ConditionalFetcher {
public:
    virtual ~ConditionalFetcher() = default;
    // GET `url`; with validators, If-None-Match / If-Modified-Since go with
    // it. The whole request, body included, takes at most `limit` (zero: the
    // request rules' own time-outs only). A body above `maxBytes` fails.
    virtual ConditionalAnswer Fetch(const QString& url, qint64 maxBytes,
                                    const Validators& validators,
                                    std::chrono::milliseconds limit) = 0;
};

// Over the download engine and its HTTP rules, as HttpSmallFetcher; the Qt
// event loop runs while it waits (user input excepted).
class HttpConditionalFetcher : public ConditionalFetcher {
public:
    ConditionalAnswer Fetch(const QString& url, qint64 maxBytes, const Validators& validators,
                            std::chrono::milliseconds limit) override;
};

// Retry-After is honoured up to a day; a longer wait is cut to that. The
// answer is not signed (anyone on the way can send it), so it may hold back
// the automatic checks for a day at most: a fix published the next day is
// still seen the day after.
constexpr qint64 kMaxRetryAfterSeconds = 24 * 3600;

}  // namespace patchwell::download
