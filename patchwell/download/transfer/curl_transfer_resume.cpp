// CurlTransfer's continuation of a broken body: what the first answer offers
// for it, the wait before the next attempt, the range request and whether
// its answer carries exactly the missing bytes.

#include <algorithm>
#include <chrono>

#include "common/text/text.h"
#include "patchwell/download/http/http_headers.h"
#include "patchwell/download/http/http_parsing.h"
#include "patchwell/download/transfer/curl_transfer.h"

namespace patchwell::download {

// A retry's answer may only carry exactly the missing bytes of the same entity.
bool CurlTransfer::retryAnswerFits(int code) {
    if (code == 503 || code == 429) {
        // Busy for now: the next attempt waits what the server asks (or the
        // next wait of the list when it asks nothing).
        req_.resume.retryAfterMs =
            http::RetryAfterMs(req_.answer.block, options_.maxRetryAfterMs, clock_.WallSeconds());
        req_.resume.retryRefused = false;
        return false;
    }
    const auto range = http::FindHeader(req_.answer.block, "Content-Range");
    const bool fits = code == 206 && range &&
                      http::RangeCarries(*range, req_.resume.bodyStart + req_.resume.received,
                                         req_.resume.bodyEnd, req_.resume.entityTotal);
    req_.resume.retryRefused = !fits;
    return fits;
}

// The status and length of the final answer as the library read them, and
// whether a broken body of it can be continued. Taken once, before any retry
// can change what the library reports.
void CurlTransfer::captureFirstAnswer() {
    if (req_.answer.captured || !req_.answer.headersDone) {
        return;
    }
    req_.answer.captured = true;
    long code = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
    req_.answer.status = static_cast<int>(code);
    curl_off_t length = -1;
    curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    req_.answer.libraryLength = static_cast<std::int64_t>(length);
    char* effective = nullptr;
    curl_easy_getinfo(easy_.get(), CURLINFO_EFFECTIVE_URL, &effective);
    req_.resume.effectiveUrl = effective != nullptr ? effective : url_;

    req_.resume.validator = http::StrongValidator(req_.answer.finalHeaders);
    if (req_.answer.libraryLength < 0) {
        return;
    }
    const auto ranges = http::FindHeader(req_.answer.finalHeaders, "Accept-Ranges");
    const auto range = http::FindHeader(req_.answer.finalHeaders, "Content-Range");
    if (req_.answer.status == 200 && ranges && common::EqualsNoCase(*ranges, "bytes")) {
        req_.resume.bodyStart = 0;
        req_.resume.bodyEnd = req_.answer.libraryLength;
        req_.resume.entityTotal = req_.answer.libraryLength;
    } else if (req_.answer.status == 206 && range) {
        const auto parsed = http::ParseContentRange(*range);
        if (!parsed || parsed->last - parsed->first + 1 != req_.answer.libraryLength) {
            return;
        }
        req_.resume.bodyStart = parsed->first;
        req_.resume.bodyEnd = parsed->last + 1;
        req_.resume.entityTotal = parsed->total;
    } else {
        return;
    }
    req_.resume.resumable = !req_.resume.validator.empty();
}

// The connection broke or went quiet. A body that can be continued waits for
// its next attempt; anything else fails.
void CurlTransfer::broken(const std::string& text) {
    captureFirstAnswer();
    const bool missing =
        req_.resume.resumable && req_.resume.bodyStart + req_.resume.received < req_.resume.bodyEnd;
    const auto attempts = options_.retryDelaysMs.size();
    if (!req_.answer.headersDone || !missing || req_.resume.retryRefused ||
        static_cast<std::size_t>(req_.resume.retriesUsed) >= attempts) {
        fail(req_.resume.retryRefused ? "the server did not send the rest of the file" : text);
        return;
    }
    if (req_.life.attached) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
        req_.life.attached = false;
    }
    req_.body.paused = false;
    req_.body.pendingDelivery = 0;
    const int delay =
        req_.resume.retryAfterMs >= 0
            ? req_.resume.retryAfterMs
            : options_.retryDelaysMs[static_cast<std::size_t>(req_.resume.retriesUsed)];
    req_.resume.retryAfterMs = -1;
    ++req_.resume.retriesUsed;
    req_.resume.waitingRetry = true;
    req_.resume.retryAt = clock_.Now() + std::chrono::milliseconds(std::max(0, delay));
}

void CurlTransfer::startRetry() {
    req_.resume.waitingRetry = false;
    retryHeaders_.reset();
    for (const std::string& line : extraLines_) {
        appendLine(retryHeaders_, line);
    }
    appendLine(retryHeaders_,
               "Range: bytes=" + std::to_string(req_.resume.bodyStart + req_.resume.received) +
                   "-" + std::to_string(req_.resume.bodyEnd - 1));
    appendLine(retryHeaders_, "If-Range: " + req_.resume.validator);
    configure("GET", req_.resume.effectiveUrl, retryHeaders_.get());
    req_.resume.retrying = true;
    req_.resume.retryAccepted = false;
    req_.resume.retryRefused = false;
    req_.answer.atBlockStart = true;
    if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
        fail("cannot start the request");
        return;
    }
    req_.life.attached = true;
    const auto now = clock_.Now();
    req_.stall.idleSince = now;
    resetRateWindow(now);
}

}  // namespace patchwell::download
