#include "patchwell/download/transfer/curl_transfer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <mutex>

#include "common/text/text.h"
#include "patchwell/download/http/http_headers.h"
#include "patchwell/download/http/http_policy.h"

namespace patchwell::download {

namespace {

using namespace std::chrono_literals;

// A pause of the host longer than this between two calls is time the
// transfer was deliberately not read; it does not count as a stall.
constexpr auto kHostAbsence = 1s;
// While data flows without waiting, the hook still runs this often.
constexpr auto kHookWhileFlowing = 50ms;

void initialiseCurlOnce() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

using text::StartsWithNoCase;

// The transfer's clock: the given one, else the steady clock.
TransferClock& clockOf(CurlTransferOptions& options) {
    if (!options.clock) {
        options.clock = SteadyTransferClock();
    }
    return *options.clock;
}

}  // namespace

CurlTransfer::CurlTransfer(CurlTransferOptions options)
    : options_(std::move(options)), clock_(clockOf(options_)) {
    initialiseCurlOnce();
    multi_.reset(curl_multi_init());
    easy_.reset(curl_easy_init());
    if (!multi_ || !easy_) {
        throw TransferError("cannot initialise the HTTP library");
    }
    // The multi handle's wake-up pair is made with it.
    http::MarkSocketsCloseOnExec();
    if (options_.pollIntervalMs <= 0) {
        options_.pollIntervalMs = 20;
    }
    lastHook_ = clock_.Now();
}

CurlTransfer::~CurlTransfer() {
    if (req_.attached) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
    }
}

void CurlTransfer::SetURL(const std::string& url) {
    url_ = url;
}

std::string CurlTransfer::URL() const {
    return url_;
}

void CurlTransfer::SetCancelCheck(std::function<bool()> check) {
    cancelCheck_ = std::move(check);
}

void CurlTransfer::resetRequest() {
    if (req_.attached) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
    }
    ++generation_;
    req_ = Request();
}

void CurlTransfer::Cancel() {
    resetRequest();
}

void CurlTransfer::configure(const std::string& operation, const std::string& url,
                             curl_slist* requestHeaders) {
    CURL* h = easy_.get();
    curl_easy_reset(h);
    errorBuffer_[0] = '\0';
    if (!http::ApplyPolicy(h, url, options_)) {
        throw TransferError("cannot configure the request");
    }
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kCurlBufferBytes);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &CurlTransfer::onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &CurlTransfer::onBody);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, requestHeaders);
    if (operation == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    }
}

namespace {

curl_slist* appendLine(std::unique_ptr<curl_slist, CurlSlistDeleter>& list,
                       const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) {
        throw TransferError("out of memory");
    }
    list.release();
    list.reset(grown);
    return grown;
}

}  // namespace

void CurlTransfer::Execute(const std::string& operation, const std::string& requestHeaders) {
    resetRequest();
    std::string op;
    for (char c : operation) {
        op += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    if (op.empty()) {
        op = "GET";
    }
    if (op != "GET" && op != "HEAD") {
        throw TransferError("unsupported operation: " + operation);
    }
    if (!http::IsHttpAddress(url_)) {
        throw TransferError("only http and https addresses are supported: " + url_);
    }
    // Extra header lines go out exactly as given, one per CR LF. A retry
    // sends them again, but its own Range and If-Range.
    requestHeaders_.reset();
    extraLines_.clear();
    std::string_view rest(requestHeaders);
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        auto line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        appendLine(requestHeaders_, std::string(line));
        if (!StartsWithNoCase(line, "Range:") && !StartsWithNoCase(line, "If-Range:")) {
            extraLines_.emplace_back(line);
        }
    }
    configure(op, url_, requestHeaders_.get());
    if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
        throw TransferError("cannot start the request");
    }
    req_.attached = true;
    req_.open = true;
    const auto now = clock_.Now();
    req_.startedAt = now;
    req_.idleSince = now;
    req_.lastReturn = now;
    resetRateWindow(now);
    pump();
}

std::size_t CurlTransfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<CurlTransfer*>(self)->takeHeaderLine(std::string_view(data, size * count));
}

std::size_t CurlTransfer::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<CurlTransfer*>(self)->takeBody(data, size * count);
}

// Header lines arrive one by one. Only the first line of a block is a status
// line, as the library reads it; a later line that merely looks like one is
// an ordinary (bad) header line of the same answer.
std::size_t CurlTransfer::takeHeaderLine(std::string_view line) {
    req_.idleSince = clock_.Now();
    if (req_.atBlockStart) {
        req_.block.assign(line);
        req_.atBlockStart = false;
        return line.size();
    }
    req_.block.append(line);
    if (line == "\r\n" || line == "\n") {
        req_.atBlockStart = true;
        const int code = http::StatusOf(req_.block);
        const bool interim = code >= 100 && code < 200;
        // The library follows a 3xx that carries a Location; its body is skipped.
        const bool followed = code >= 300 && code < 400 && code != 304 &&
                              http::FindHeader(req_.block, "Location").has_value();
        if (!interim && !followed) {
            if (req_.retrying) {
                // Returning less than given makes the library abandon the
                // request; the pump then waits or gives up.
                if (!retryAnswerFits(code)) {
                    return 0;
                }
                req_.retryAccepted = true;
            } else {
                req_.finalHeaders = req_.block;
                req_.headersDone = true;
            }
        }
    }
    return line.size();
}

// A retry's answer may only carry exactly the missing bytes of the same entity.
bool CurlTransfer::retryAnswerFits(int code) {
    if (code == 503 || code == 429) {
        // Busy for now: the next attempt waits what the server asks (or the
        // next wait of the list when it asks nothing).
        req_.retryAfterMs =
            http::RetryAfterMs(req_.block, options_.maxRetryAfterMs, clock_.WallSeconds());
        req_.retryRefused = false;
        return false;
    }
    const auto range = http::FindHeader(req_.block, "Content-Range");
    const bool fits =
        code == 206 && range &&
        http::RangeCarries(*range, req_.bodyStart + req_.received, req_.bodyEnd, req_.entityTotal);
    req_.retryRefused = !fits;
    return fits;
}

std::size_t CurlTransfer::takeBody(const char* data, std::size_t n) {
    if (!req_.headersDone || (req_.retrying && !req_.retryAccepted)) {
        return n;  // body of an answer that is not the final one: never part of the file
    }
    if (n == 0) {
        return 0;
    }
    if (!req_.captured) {
        captureFirstAnswer();
    }
    req_.idleSince = clock_.Now();
    if (options_.maxBodyBytes >= 0 &&
        req_.bodyStart + req_.received + static_cast<std::int64_t>(n) > options_.maxBodyBytes) {
        req_.overCap = true;
        return 0;  // the library ends the transfer; the pump reports it
    }
    RingBuffer& ring = req_.ring;
    if (ring.free() < n) {
        if (ring.size() < req_.wanted || n > ring.capacity()) {
            // The chunk being read needs more than the ring holds: grow it.
            ring.Grow(std::max(ring.capacity() * 2, ring.size() + n));
        } else {
            req_.paused = true;
            req_.pendingDelivery = n;
            return CURL_WRITEFUNC_PAUSE;
        }
    }
    ring.Push(data, n);
    req_.received += static_cast<std::int64_t>(n);
    req_.rateWindowBytes += static_cast<std::int64_t>(n);
    return n;
}

// The status and length of the final answer as the library read them, and
// whether a broken body of it can be continued. Taken once, before any retry
// can change what the library reports.
void CurlTransfer::captureFirstAnswer() {
    if (req_.captured || !req_.headersDone) {
        return;
    }
    req_.captured = true;
    long code = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
    req_.status = static_cast<int>(code);
    curl_off_t length = -1;
    curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    req_.libraryLength = static_cast<std::int64_t>(length);
    char* effective = nullptr;
    curl_easy_getinfo(easy_.get(), CURLINFO_EFFECTIVE_URL, &effective);
    req_.effectiveUrl = effective != nullptr ? effective : url_;

    req_.validator = http::StrongValidator(req_.finalHeaders);
    if (req_.libraryLength < 0) {
        return;
    }
    const auto ranges = http::FindHeader(req_.finalHeaders, "Accept-Ranges");
    const auto range = http::FindHeader(req_.finalHeaders, "Content-Range");
    if (req_.status == 200 && ranges && text::EqualsNoCase(*ranges, "bytes")) {
        req_.bodyStart = 0;
        req_.bodyEnd = req_.libraryLength;
        req_.entityTotal = req_.libraryLength;
    } else if (req_.status == 206 && range) {
        const auto parsed = text::ParseContentRange(*range);
        if (!parsed || parsed->last - parsed->first + 1 != req_.libraryLength) {
            return;
        }
        req_.bodyStart = parsed->first;
        req_.bodyEnd = parsed->last + 1;
        req_.entityTotal = parsed->total;
    } else {
        return;
    }
    req_.resumable = !req_.validator.empty();
}

void CurlTransfer::resumeIfRoom() {
    if (!req_.paused || !req_.attached) {
        return;
    }
    if (req_.ring.free() < req_.pendingDelivery && req_.ring.size() >= req_.wanted) {
        return;
    }
    // Resuming delivers the held data from inside curl_easy_pause, and the
    // write callback may pause again: the flag must be clear before the call.
    req_.paused = false;
    const auto now = clock_.Now();
    req_.idleSince = now;
    resetRateWindow(now);
    if (curl_easy_pause(easy_.get(), CURLPAUSE_CONT) != CURLE_OK) {
        fail("cannot resume the transfer");
    }
}

void CurlTransfer::fail(const std::string& text) {
    if (!req_.done) {
        req_.done = true;
        req_.failed = true;
        req_.errorText = text;
    }
    if (req_.attached) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
        req_.attached = false;
    }
    req_.paused = false;
    req_.waitingRetry = false;
}

// The connection broke or went quiet. A body that can be continued waits for
// its next attempt; anything else fails.
void CurlTransfer::broken(const std::string& text) {
    captureFirstAnswer();
    const bool missing = req_.resumable && req_.bodyStart + req_.received < req_.bodyEnd;
    const auto attempts = options_.retryDelaysMs.size();
    if (!req_.headersDone || !missing || req_.retryRefused ||
        static_cast<std::size_t>(req_.retriesUsed) >= attempts) {
        fail(req_.retryRefused ? "the server did not send the rest of the file" : text);
        return;
    }
    if (req_.attached) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
        req_.attached = false;
    }
    req_.paused = false;
    req_.pendingDelivery = 0;
    const int delay = req_.retryAfterMs >= 0
                          ? req_.retryAfterMs
                          : options_.retryDelaysMs[static_cast<std::size_t>(req_.retriesUsed)];
    req_.retryAfterMs = -1;
    ++req_.retriesUsed;
    req_.waitingRetry = true;
    req_.retryAt = clock_.Now() + std::chrono::milliseconds(std::max(0, delay));
}

void CurlTransfer::startRetry() {
    req_.waitingRetry = false;
    retryHeaders_.reset();
    for (const std::string& line : extraLines_) {
        appendLine(retryHeaders_, line);
    }
    appendLine(retryHeaders_, "Range: bytes=" + std::to_string(req_.bodyStart + req_.received) +
                                  "-" + std::to_string(req_.bodyEnd - 1));
    appendLine(retryHeaders_, "If-Range: " + req_.validator);
    configure("GET", req_.effectiveUrl, retryHeaders_.get());
    req_.retrying = true;
    req_.retryAccepted = false;
    req_.retryRefused = false;
    req_.atBlockStart = true;
    if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
        fail("cannot start the request");
        return;
    }
    req_.attached = true;
    const auto now = clock_.Now();
    req_.idleSince = now;
    resetRateWindow(now);
}

// A step of the library that started a name resolution has opened a
// descriptor pair for it without close-on-exec; connection sockets are
// opened marked.
void CurlTransfer::markDescriptors() {
    http::MarkResolverSocketsCloseOnExec();
}

void CurlTransfer::pump() {
    if (!req_.attached || req_.done) {
        return;
    }
    int running = 0;
    if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
        fail("transfer engine failure");
        return;
    }
    markDescriptors();
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_.get(), &left)) {
        if (msg->msg != CURLMSG_DONE || msg->easy_handle != easy_.get()) {
            continue;
        }
        const CURLcode result = msg->data.result;
        if (req_.overCap || result == CURLE_FILESIZE_EXCEEDED) {
            fail("the body is larger than " + std::to_string(options_.maxBodyBytes) + " bytes");
            return;
        }
        if (result != CURLE_OK) {
            broken(errorBuffer_[0] != '\0' ? std::string(errorBuffer_)
                                           : std::string(curl_easy_strerror(result)));
            return;
        }
        if (req_.retrying && !req_.retryAccepted) {
            broken("the server did not send the rest of the file");
            return;
        }
        if (!req_.headersDone && !req_.block.empty()) {
            // The last answer was not followed after all (a 3xx the library
            // kept): it is the final one.
            req_.finalHeaders = req_.block;
            req_.headersDone = true;
        }
        captureFirstAnswer();
        req_.done = true;
        if (!req_.headersDone) {
            req_.failed = true;
            req_.errorText = "the server sent no answer";
        }
    }
}

bool CurlTransfer::stalled(TimePoint now) const {
    return now - req_.idleSince > std::chrono::seconds(options_.stallTimeoutSeconds);
}

void CurlTransfer::resetRateWindow(TimePoint now) {
    req_.rateWindowStart = now;
    req_.rateWindowBytes = 0;
}

void CurlTransfer::callStarted(TimePoint now) {
    const auto gap = now - req_.lastReturn;
    if (gap > kHostAbsence) {
        req_.idleSince += gap;
        req_.rateWindowStart += gap;
    }
}

void CurlTransfer::callHook(TimePoint now) {
    lastHook_ = now;
    if (options_.processEvents) {
        options_.processEvents();
    }
}

// One pass of a wait: sleep on the sockets for at most the poll interval,
// let curl work, and treat a connection as broken when nothing has arrived
// for too long or the body has crawled for a whole rate window. Between two
// attempts of a broken body the pass just sleeps towards the next one.
void CurlTransfer::waitPass() {
    if (options_.overallTimeoutSeconds > 0 && (req_.attached || req_.waitingRetry) &&
        clock_.Now() - req_.startedAt >= std::chrono::seconds(options_.overallTimeoutSeconds)) {
        fail("the request took longer than " + std::to_string(options_.overallTimeoutSeconds) +
             " s");
        return;
    }
    if (req_.waitingRetry) {
        const auto now = clock_.Now();
        if (now >= req_.retryAt) {
            startRetry();
        } else {
            clock_.Sleep(std::min<TransferClock::Duration>(
                req_.retryAt - now, std::chrono::milliseconds(options_.pollIntervalMs)));
            return;
        }
    }
    if (req_.done || !req_.attached) {
        return;
    }
    const auto now = clock_.Now();
    if (stalled(now)) {
        broken("no data received for " + std::to_string(options_.stallTimeoutSeconds) + " s");
        return;
    }
    const auto window = std::chrono::seconds(options_.minRateWindowSeconds);
    if (req_.headersDone && !req_.paused && options_.minBytesPerSecond > 0 &&
        now - req_.rateWindowStart >= window) {
        if (req_.rateWindowBytes < options_.minBytesPerSecond * options_.minRateWindowSeconds) {
            broken("less than " + std::to_string(options_.minBytesPerSecond) +
                   " bytes per second for " + std::to_string(options_.minRateWindowSeconds) + " s");
            return;
        }
        resetRateWindow(now);
    }
    int ready = 0;
    if (curl_multi_poll(multi_.get(), nullptr, 0, options_.pollIntervalMs, &ready) != CURLM_OK) {
        fail("transfer engine failure");
        return;
    }
    clock_.Polled(std::chrono::milliseconds(options_.pollIntervalMs));
    pump();
}

bool CurlTransfer::StillExecuting() {
    if (!req_.open) {
        return false;
    }
    callStarted(clock_.Now());
    pump();
    if (!req_.headersDone && !req_.done) {
        waitPass();
    }
    req_.lastReturn = clock_.Now();
    return !req_.headersDone && !req_.done;
}

void CurlTransfer::waitForHeaders() {
    const unsigned generation = generation_;
    while (!req_.headersDone && !req_.done) {
        waitPass();
        callHook(clock_.Now());
        if (generation != generation_) {
            throw TransferError("the request was abandoned");
        }
    }
    if (!req_.headersDone) {
        throw TransferError(req_.errorText.empty() ? std::string("no answer") : req_.errorText);
    }
}

std::string CurlTransfer::GetHeader(const std::string& name) {
    if (!req_.open) {
        throw TransferError("no request");
    }
    callStarted(clock_.Now());
    waitForHeaders();
    req_.lastReturn = clock_.Now();
    if (name.empty()) {
        return req_.finalHeaders;
    }
    return std::string(http::FindHeader(req_.finalHeaders, name).value_or(std::string_view()));
}

int CurlTransfer::StatusCode() {
    GetHeader();
    captureFirstAnswer();
    return req_.status;
}

std::int64_t CurlTransfer::ContentLength() {
    GetHeader();
    captureFirstAnswer();
    // The library reads one length; the answer must not offer another one
    // to a reader with different rules.
    const http::LengthCheck check = http::CheckLength(req_.finalHeaders, req_.libraryLength);
    if (!check.ok) {
        throw TransferError(check.problem);
    }
    return check.length;
}

std::string_view CurlTransfer::GetChunk(std::size_t size) {
    if (!req_.open) {
        throw TransferError("no request");
    }
    if (size > static_cast<std::size_t>(INT_MAX)) {
        throw TransferError("chunk size out of range");
    }
    // While the ring can serve the chunk, this is the only clock reading of
    // the call: it is made once per chunk.
    const auto entered = clock_.Now();
    callStarted(entered);
    bool waited = false;
    const unsigned generation = generation_;
    if (entered - lastHook_ >= kHookWhileFlowing) {
        callHook(entered);
        waited = true;
        if (generation != generation_) {
            throw TransferError("the request was abandoned");
        }
    }
    if (!req_.headersDone) {
        waitForHeaders();
        waited = true;
    }
    if (size == 0) {
        req_.lastReturn = clock_.Now();
        return {};
    }
    req_.wanted = size;
    resumeIfRoom();
    RingBuffer& ring = req_.ring;
    while (ring.size() < size && !req_.done) {
        waited = true;
        pump();
        if (ring.size() >= size || req_.done) {
            break;
        }
        resumeIfRoom();
        waitPass();
        const auto now = clock_.Now();
        if (now - lastHook_ >= std::chrono::milliseconds(options_.pollIntervalMs)) {
            callHook(now);
            if (generation != generation_) {
                throw TransferError("the request was abandoned");
            }
        }
        if (req_.waitingRetry && cancelCheck_ && cancelCheck_()) {
            req_.wanted = 0;
            fail("cancelled");
            throw TransferCancelled();
        }
    }
    req_.wanted = 0;
    req_.lastReturn = waited ? clock_.Now() : entered;
    if (ring.size() < size && req_.failed) {
        // What did arrive is handed out before the failure is reported, so
        // that the file ends where the data really ends.
        if (ring.size() > 0) {
            return ring.Take(ring.size());
        }
        throw TransferError(req_.errorText);
    }
    return ring.Take(std::min(size, ring.size()));
}

std::unique_ptr<InetTransfer> MakeCurlTransfer(CurlTransferOptions options) {
    return std::make_unique<CurlTransfer>(std::move(options));
}

}  // namespace patchwell::download
