#include "patchwell/download/small/conditional_fetcher.h"

#include <QLoggingCategory>

#include <algorithm>
#include <ctime>
#include <string>

#include "patchwell/download/http/http_headers.h"
#include "patchwell/download/small/private/whole_body.h"
#include "patchwell/download/transfer/curl_transfer.h"

namespace patchwell::download {

namespace {

Q_LOGGING_CATEGORY(lcConditional, "patchwell.fetch.conditional", QtWarningMsg)

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

}  // namespace

ConditionalAnswer HttpConditionalFetcher::Fetch(const QString& url, qint64 maxBytes,
                                                const Validators& validators,
                                                std::chrono::milliseconds limit) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + limit;
    const bool limited = limit.count() > 0;
    ConditionalAnswer answer;
    CurlTransferOptions options;
    options.processEvents = &ProcessPendingEvents;
    options.maxBodyBytes = maxBytes;
    options.retryDelaysMs.clear();  // fetched whole or not at all
    // The transfer counts whole seconds; the finer limit is watched below.
    options.overallTimeoutSeconds = limited ? static_cast<long>((limit.count() + 999) / 1000) : 60;
    if (limited) {
        options.connectTimeoutSeconds =
            std::min(options.connectTimeoutSeconds, options.overallTimeoutSeconds);
    }
    std::string headers;
    if (Sendable(validators.etag)) {
        headers += "If-None-Match: " + validators.etag.toStdString() + "\r\n";
    }
    if (Sendable(validators.lastModified)) {
        headers += "If-Modified-Since: " + validators.lastModified.toStdString() + "\r\n";
    }
    try {
        CurlTransfer transfer(std::move(options));
        transfer.SetURL(url.toStdString());
        transfer.Execute("GET", headers);
        while (transfer.StillExecuting()) {
            if (limited && Clock::now() >= deadline) {
                qCInfo(lcConditional) << "no answer in time:" << url;
                transfer.Cancel();
                return answer;
            }
        }
        const int status = transfer.StatusCode();
        const std::string block = transfer.GetHeader();
        answer.status = status;
        if (status == 304) {
            answer.kind = ConditionalAnswer::Kind::NotModified;
            return answer;
        }
        if (status == 429 || status == 503) {
            const int ms = http::RetryAfterMs(block, static_cast<int>(kMaxRetryAfterSeconds * 1000),
                                              std::time(nullptr));
            if (ms >= 0) {
                answer.kind = ConditionalAnswer::Kind::RetryLater;
                answer.retryAfterSeconds = (ms + 999) / 1000;
            }
            return answer;
        }
        if (status != 200 || transfer.ContentLength() > maxBytes) {
            qCInfo(lcConditional) << "refused:" << url << "answered" << status;
            return answer;
        }
        std::optional<QByteArray> body = ReadWholeBody(transfer, maxBytes);
        if (!body) {
            return answer;
        }
        answer.kind = ConditionalAnswer::Kind::Body;
        answer.body = std::move(*body);
        answer.validators = {HeaderValue(block, "ETag"), HeaderValue(block, "Last-Modified")};
        return answer;
    } catch (const TransferError& error) {
        qCInfo(lcConditional) << "failed:" << url << error.what();
        return answer;
    }
}

}  // namespace patchwell::download
