#include "patchwell/download/small/small_fetcher.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QLoggingCategory>

#include <algorithm>
#include <ctime>
#include <string>
#include <utility>

#include "patchwell/download/http/http_headers.h"
#include "patchwell/download/transfer/curl_transfer.h"

namespace patchwell::download {

namespace {

Q_LOGGING_CATEGORY(lcFetch, "patchwell.fetch", QtWarningMsg)

// A validator goes back to the server only as it came: no line breaks or
// other control characters smuggled into the request.
bool Sendable(const QString& value) {
    return !value.isEmpty() && !http::HasControlCharacters(value.toStdString());
}

QString HeaderValue(const std::string& block, const char* name) {
    const auto value = http::FindHeader(block, name);
    if (!value || http::HasControlCharacters(*value)) {
        return {};
    }
    return QString::fromStdString(std::string(*value));
}

// The application's pending events, user input excepted (nothing without an
// application): what runs while a fetch waits.
void ProcessPendingEvents() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

// The body of a finished transfer, read whole; none when it grows past
// `maxBytes`.
std::optional<QByteArray> ReadWholeBody(CurlTransfer& transfer, qint64 maxBytes) {
    constexpr std::size_t kChunkBytes = 64 * 1024;
    QByteArray body;
    for (auto chunk = transfer.GetChunk(kChunkBytes); !chunk.empty();
         chunk = transfer.GetChunk(kChunkBytes)) {
        body.append(chunk.data(), static_cast<qsizetype>(chunk.size()));
        if (body.size() > maxBytes) {
            return std::nullopt;
        }
    }
    return body;
}

}  // namespace

std::optional<QByteArray> SmallFetcher::FetchBody(const QString& url, qint64 maxBytes) {
    SmallAnswer answer = Fetch({url, maxBytes, {}, std::chrono::milliseconds(0)});
    if (answer.kind != SmallAnswer::Kind::Body) {
        return std::nullopt;
    }
    return std::move(answer.body);
}

HttpSmallFetcher::HttpSmallFetcher() : HttpSmallFetcher(Options()) {}

HttpSmallFetcher::HttpSmallFetcher(Options options) : options_(std::move(options)) {
    if (!options_.processEvents) {
        options_.processEvents = &ProcessPendingEvents;
    }
}

SmallAnswer HttpSmallFetcher::Fetch(const SmallRequest& request) {
    using Clock = std::chrono::steady_clock;
    SmallAnswer answer;
    const QString& url = request.url;
    const qint64 maxBytes = request.maxBytes;
    if (maxBytes < 0) {
        return answer;
    }
    const Clock::time_point deadline = Clock::now() + request.limit;
    const bool limited = request.limit.count() > 0;
    CurlTransferOptions options;
    options.processEvents = options_.processEvents;
    options.maxBodyBytes = maxBytes;
    options.retryDelaysMs.clear();  // fetched whole or not at all
    options.clock = options_.clock;
    // The transfer counts whole seconds; the finer limit is watched below.
    options.overallTimeoutSeconds = limited
                                        ? static_cast<long>((request.limit.count() + 999) / 1000)
                                        : options_.overallTimeoutSeconds;
    if (limited) {
        options.connectTimeoutSeconds =
            std::min(options.connectTimeoutSeconds, options.overallTimeoutSeconds);
    }
    std::string headers;
    if (Sendable(request.validators.etag)) {
        headers += "If-None-Match: " + request.validators.etag.toStdString() + "\r\n";
    }
    if (Sendable(request.validators.lastModified)) {
        headers += "If-Modified-Since: " + request.validators.lastModified.toStdString() + "\r\n";
    }
    try {
        CurlTransfer transfer(std::move(options));
        transfer.SetURL(url.toStdString());
        transfer.Execute("GET", headers);
        while (transfer.StillExecuting()) {
            if (limited && Clock::now() >= deadline) {
                qCInfo(lcFetch) << "no answer in time:" << url;
                transfer.Cancel();
                return answer;
            }
            options_.processEvents();
        }
        const int status = transfer.StatusCode();
        const std::string block = transfer.GetHeader();
        answer.status = status;
        if (status == 304) {
            answer.kind = SmallAnswer::Kind::NotModified;
            return answer;
        }
        if (status == 429 || status == 503) {
            const int ms = http::RetryAfterMs(block, static_cast<int>(kMaxRetryAfterSeconds * 1000),
                                              std::time(nullptr));
            if (ms >= 0) {
                answer.kind = SmallAnswer::Kind::RetryLater;
                answer.retryAfterSeconds = (ms + 999) / 1000;
            }
            return answer;
        }
        if (status != 200 || transfer.ContentLength() > maxBytes) {
            qCInfo(lcFetch) << "refused:" << url << "answered" << status;
            return answer;
        }
        std::optional<QByteArray> body = ReadWholeBody(transfer, maxBytes);
        if (!body) {
            return answer;
        }
        answer.kind = SmallAnswer::Kind::Body;
        answer.body = std::move(*body);
        answer.validators = {HeaderValue(block, "ETag"), HeaderValue(block, "Last-Modified")};
        return answer;
    } catch (const TransferError& error) {
        qCInfo(lcFetch) << "failed:" << url << error.what();
        return answer;
    }
}

}  // namespace patchwell::download
