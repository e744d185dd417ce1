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

using common::StartsWithNoCase;

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
    if (req_.life.attached) {
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
    if (req_.life.attached) {
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

curl_slist* CurlTransfer::appendLine(std::unique_ptr<curl_slist, CurlSlistDeleter>& list,
                                     const std::string& line) {
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown == nullptr) {
        throw TransferError("out of memory");
    }
    list.release();
    list.reset(grown);
    return grown;
}

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
    req_.life.attached = true;
    req_.life.open = true;
    const auto now = clock_.Now();
    req_.stall.startedAt = now;
    req_.stall.idleSince = now;
    req_.stall.lastReturn = now;
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
    req_.stall.idleSince = clock_.Now();
    if (req_.answer.atBlockStart) {
        req_.answer.block.assign(line);
        req_.answer.atBlockStart = false;
        return line.size();
    }
    req_.answer.block.append(line);
    if (line == "\r\n" || line == "\n") {
        req_.answer.atBlockStart = true;
        const int code = http::StatusOf(req_.answer.block);
        const bool interim = code >= 100 && code < 200;
        // The library follows a 3xx that carries a Location; its body is skipped.
        const bool followed = code >= 300 && code < 400 && code != 304 &&
                              http::FindHeader(req_.answer.block, "Location").has_value();
        if (!interim && !followed) {
            if (req_.resume.retrying) {
                // Returning less than given makes the library abandon the
                // request; the pump then waits or gives up.
                if (!retryAnswerFits(code)) {
                    return 0;
                }
                req_.resume.retryAccepted = true;
            } else {
                req_.answer.finalHeaders = req_.answer.block;
                req_.answer.headersDone = true;
            }
        }
    }
    return line.size();
}

std::size_t CurlTransfer::takeBody(const char* data, std::size_t n) {
    if (!req_.answer.headersDone || (req_.resume.retrying && !req_.resume.retryAccepted)) {
        return n;  // body of an answer that is not the final one: never part of the file
    }
    if (n == 0) {
        return 0;
    }
    if (!req_.answer.captured) {
        captureFirstAnswer();
    }
    req_.stall.idleSince = clock_.Now();
    if (options_.maxBodyBytes >= 0 &&
        req_.resume.bodyStart + req_.resume.received + static_cast<std::int64_t>(n) >
            options_.maxBodyBytes) {
        req_.life.overCap = true;
        return 0;  // the library ends the transfer; the pump reports it
    }
    RingBuffer& ring = req_.body.ring;
    if (ring.free() < n) {
        if (ring.size() < req_.body.wanted || n > ring.capacity()) {
            // The chunk being read needs more than the ring holds: grow it.
            ring.Grow(std::max(ring.capacity() * 2, ring.size() + n));
        } else {
            req_.body.paused = true;
            req_.body.pendingDelivery = n;
            return CURL_WRITEFUNC_PAUSE;
        }
    }
    ring.Push(data, n);
    req_.resume.received += static_cast<std::int64_t>(n);
    req_.stall.rateWindowBytes += static_cast<std::int64_t>(n);
    return n;
}

void CurlTransfer::resumeIfRoom() {
    if (!req_.body.paused || !req_.life.attached) {
        return;
    }
    if (req_.body.ring.free() < req_.body.pendingDelivery &&
        req_.body.ring.size() >= req_.body.wanted) {
        return;
    }
    // Resuming delivers the held data from inside curl_easy_pause, and the
    // write callback may pause again: the flag must be clear before the call.
    req_.body.paused = false;
    const auto now = clock_.Now();
    req_.stall.idleSince = now;
    resetRateWindow(now);
    if (curl_easy_pause(easy_.get(), CURLPAUSE_CONT) != CURLE_OK) {
        fail("cannot resume the transfer");
    }
}

void CurlTransfer::fail(const std::string& text) {
    if (!req_.life.done) {
        req_.life.done = true;
        req_.life.failed = true;
        req_.life.errorText = text;
    }
    if (req_.life.attached) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
        req_.life.attached = false;
    }
    req_.body.paused = false;
    req_.resume.waitingRetry = false;
}

// A step of the library that started a name resolution has opened a
// descriptor pair for it without close-on-exec; connection sockets are
// opened marked.
void CurlTransfer::markDescriptors() {
    http::MarkResolverSocketsCloseOnExec();
}

void CurlTransfer::pump() {
    if (!req_.life.attached || req_.life.done) {
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
        if (req_.life.overCap || result == CURLE_FILESIZE_EXCEEDED) {
            fail("the body is larger than " + std::to_string(options_.maxBodyBytes) + " bytes");
            return;
        }
        if (result != CURLE_OK) {
            broken(errorBuffer_[0] != '\0' ? std::string(errorBuffer_)
                                           : std::string(curl_easy_strerror(result)));
            return;
        }
        if (req_.resume.retrying && !req_.resume.retryAccepted) {
            broken("the server did not send the rest of the file");
            return;
        }
        if (!req_.answer.headersDone && !req_.answer.block.empty()) {
            // The last answer was not followed after all (a 3xx the library
            // kept): it is the final one.
            req_.answer.finalHeaders = req_.answer.block;
            req_.answer.headersDone = true;
        }
        captureFirstAnswer();
        req_.life.done = true;
        if (!req_.answer.headersDone) {
            req_.life.failed = true;
            req_.life.errorText = "the server sent no answer";
        }
    }
}

bool CurlTransfer::stalled(TimePoint now) const {
    return now - req_.stall.idleSince > std::chrono::seconds(options_.stallTimeoutSeconds);
}

void CurlTransfer::resetRateWindow(TimePoint now) {
    req_.stall.rateWindowStart = now;
    req_.stall.rateWindowBytes = 0;
}

void CurlTransfer::callStarted(TimePoint now) {
    const auto gap = now - req_.stall.lastReturn;
    if (gap > kHostAbsence) {
        req_.stall.idleSince += gap;
        req_.stall.rateWindowStart += gap;
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
    if (options_.overallTimeoutSeconds > 0 && (req_.life.attached || req_.resume.waitingRetry) &&
        clock_.Now() - req_.stall.startedAt >=
            std::chrono::seconds(options_.overallTimeoutSeconds)) {
        fail("the request took longer than " + std::to_string(options_.overallTimeoutSeconds) +
             " s");
        return;
    }
    if (req_.resume.waitingRetry) {
        const auto now = clock_.Now();
        if (now >= req_.resume.retryAt) {
            startRetry();
        } else {
            clock_.Sleep(std::min<TransferClock::Duration>(
                req_.resume.retryAt - now, std::chrono::milliseconds(options_.pollIntervalMs)));
            return;
        }
    }
    if (req_.life.done || !req_.life.attached) {
        return;
    }
    const auto now = clock_.Now();
    if (stalled(now)) {
        broken("no data received for " + std::to_string(options_.stallTimeoutSeconds) + " s");
        return;
    }
    const auto window = std::chrono::seconds(options_.minRateWindowSeconds);
    if (req_.answer.headersDone && !req_.body.paused && options_.minBytesPerSecond > 0 &&
        now - req_.stall.rateWindowStart >= window) {
        if (req_.stall.rateWindowBytes <
            options_.minBytesPerSecond * options_.minRateWindowSeconds) {
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
    if (!req_.life.open) {
        return false;
    }
    callStarted(clock_.Now());
    pump();
    if (!req_.answer.headersDone && !req_.life.done) {
        waitPass();
    }
    req_.stall.lastReturn = clock_.Now();
    return !req_.answer.headersDone && !req_.life.done;
}

void CurlTransfer::waitForHeaders() {
    const unsigned generation = generation_;
    while (!req_.answer.headersDone && !req_.life.done) {
        waitPass();
        callHook(clock_.Now());
        if (generation != generation_) {
            throw TransferError("the request was abandoned");
        }
    }
    if (!req_.answer.headersDone) {
        throw TransferError(req_.life.errorText.empty() ? std::string("no answer")
                                                        : req_.life.errorText);
    }
}

std::string CurlTransfer::GetHeader(const std::string& name) {
    if (!req_.life.open) {
        throw TransferError("no request");
    }
    callStarted(clock_.Now());
    waitForHeaders();
    req_.stall.lastReturn = clock_.Now();
    if (name.empty()) {
        return req_.answer.finalHeaders;
    }
    return std::string(
        http::FindHeader(req_.answer.finalHeaders, name).value_or(std::string_view()));
}

int CurlTransfer::StatusCode() {
    GetHeader();
    captureFirstAnswer();
    return req_.answer.status;
}

std::int64_t CurlTransfer::ContentLength() {
    GetHeader();
    captureFirstAnswer();
    // The library reads one length; the answer must not offer another one
    // to a reader with different rules.
    const http::LengthCheck check =
        http::CheckLength(req_.answer.finalHeaders, req_.answer.libraryLength);
    if (!check.ok) {
        throw TransferError(check.problem);
    }
    return check.length;
}

std::string_view CurlTransfer::GetChunk(std::size_t size) {
    if (!req_.life.open) {
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
    if (!req_.answer.headersDone) {
        waitForHeaders();
        waited = true;
    }
    if (size == 0) {
        req_.stall.lastReturn = clock_.Now();
        return {};
    }
    req_.body.wanted = size;
    resumeIfRoom();
    RingBuffer& ring = req_.body.ring;
    while (ring.size() < size && !req_.life.done) {
        waited = true;
        pump();
        if (ring.size() >= size || req_.life.done) {
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
        if (req_.resume.waitingRetry && cancelCheck_ && cancelCheck_()) {
            req_.body.wanted = 0;
            fail("cancelled");
            throw TransferCancelled();
        }
    }
    req_.body.wanted = 0;
    req_.stall.lastReturn = waited ? clock_.Now() : entered;
    if (ring.size() < size && req_.life.failed) {
        // What did arrive is handed out before the failure is reported, so
        // that the file ends where the data really ends.
        if (ring.size() > 0) {
            return ring.Take(ring.size());
        }
        throw TransferError(req_.life.errorText);
    }
    return ring.Take(std::min(size, ring.size()));
}

std::unique_ptr<InetTransfer> MakeCurlTransfer(CurlTransferOptions options) {
    return std::make_unique<CurlTransfer>(std::move(options));
}

}  // namespace patchwell::download
