#include "curl_transfer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <ctime>
#include <mutex>
#include <thread>

#include "text.h"

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

std::string_view trimmed(std::string_view s) {
    return text::Trim(s, text::kBlanksAndLineEnds);
}

// Status code of a block that starts with a status line, or 0.
int statusOf(std::string_view block) {
    const auto status = text::ParseStatusLine(block.substr(0, block.find('\n')));
    return status ? status->code : 0;
}

// Calls `visit(name, value, blankBeforeColon)` for each header line of a block.
template <typename Visit>
void forEachHeader(std::string_view block, Visit visit) {
    std::size_t pos = block.find('\n');  // skip the status line
    while (pos != std::string_view::npos && pos + 1 < block.size()) {
        const std::size_t start = pos + 1;
        const std::size_t end = block.find('\n', start);
        const auto line = block.substr(start, end == std::string_view::npos ? end : end - start);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos) {
            const auto rawName = line.substr(0, colon);
            const auto name = trimmed(rawName);
            const bool blankBeforeColon =
                !rawName.empty() && name.size() != rawName.size() &&
                text::kBlanks.find(rawName.back()) != std::string_view::npos;
            visit(name, trimmed(line.substr(colon + 1)), blankBeforeColon);
        }
        pos = end;
    }
}

// Value of the first header line of that name in a header block.
bool findHeader(std::string_view block, std::string_view name, std::string& value) {
    bool found = false;
    forEachHeader(block, [&](std::string_view key, std::string_view v, bool) {
        if (!found && text::EqualsNoCase(key, name)) {
            value = std::string(v);
            found = true;
        }
    });
    return found;
}

using text::ParseDecimal;

// A validator that may guard a range request: a strong entity tag, or a
// Last-Modified date that lies at least a minute before the answer's Date.
std::string strongValidator(std::string_view block) {
    std::string etag;
    if (findHeader(block, "ETag", etag) && !etag.empty() && etag.rfind("W/", 0) != 0) {
        return etag;
    }
    std::string modified;
    std::string date;
    if (findHeader(block, "Last-Modified", modified) && findHeader(block, "Date", date)) {
        const time_t m = curl_getdate(modified.c_str(), nullptr);
        const time_t d = curl_getdate(date.c_str(), nullptr);
        if (m > 0 && d > 0 && d - m >= 60) {
            return modified;
        }
    }
    return {};
}

// Retry-After in milliseconds (seconds or an HTTP date), -1 when absent.
int retryAfterMs(std::string_view block, int most) {
    std::string value;
    if (!findHeader(block, "Retry-After", value)) {
        return -1;
    }
    std::int64_t seconds = 0;
    if (!ParseDecimal(value, seconds)) {
        const time_t when = curl_getdate(value.c_str(), nullptr);
        if (when <= 0) {
            return -1;
        }
        seconds = std::max<std::int64_t>(0, when - std::time(nullptr));
    }
    return static_cast<int>(std::min<std::int64_t>(seconds * 1000, most));
}

bool hasControlCharacters(std::string_view s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f; });
}

}  // namespace

CurlTransfer::CurlTransfer(CurlTransferOptions options) : options_(std::move(options)) {
    initialiseCurlOnce();
    multi_.reset(curl_multi_init());
    easy_.reset(curl_easy_init());
    if (!multi_ || !easy_) {
        throw TransferError("cannot initialise the HTTP library");
    }
    ring_ = RawBuffer(kRingBytes);
    if (options_.pollIntervalMs <= 0) {
        options_.pollIntervalMs = 20;
    }
    lastHook_ = Clock::now();
}

CurlTransfer::~CurlTransfer() {
    if (attached_) {
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
    if (attached_) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
        attached_ = false;
    }
    ++generation_;
    open_ = false;
    done_ = false;
    failed_ = false;
    errorText_.clear();
    headersDone_ = false;
    atBlockStart_ = true;
    block_.clear();
    finalHeaders_.clear();
    captured_ = false;
    status_ = 0;
    libraryLength_ = -1;
    resumable_ = false;
    validator_.clear();
    effectiveUrl_.clear();
    bodyStart_ = 0;
    bodyEnd_ = -1;
    entityTotal_ = -1;
    received_ = 0;
    retriesUsed_ = 0;
    retrying_ = false;
    retryAccepted_ = false;
    waitingRetry_ = false;
    retryAfterMs_ = -1;
    retryRefused_ = false;
    head_ = 0;
    size_ = 0;
    peak_ = 0;
    wanted_ = 0;
    paused_ = false;
    pendingDelivery_ = 0;
    if (ring_.size() > kRingBytes) {
        ring_ = RawBuffer(kRingBytes);
    }
}

void CurlTransfer::Cancel() {
    resetRequest();
}

void CurlTransfer::configure(const std::string& operation, const std::string& url,
                             curl_slist* requestHeaders) {
    CURL* h = easy_.get();
    curl_easy_reset(h);
    errorBuffer_[0] = '\0';
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    // From https only https: a redirect must not downgrade the connection.
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR,
                     StartsWithNoCase(url, "https://") ? "https" : "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, options_.maxRedirects);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, options_.connectTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, kCurlBufferBytes);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!options_.caFile.empty()) {
        curl_easy_setopt(h, CURLOPT_CAINFO, options_.caFile.c_str());
        curl_easy_setopt(h, CURLOPT_CAPATH, nullptr);
    }
    curl_easy_setopt(h, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
    curl_easy_setopt(h, CURLOPT_USERAGENT, "patchwell");
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
    if (!StartsWithNoCase(url_, "http://") && !StartsWithNoCase(url_, "https://")) {
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
    attached_ = true;
    open_ = true;
    const auto now = Clock::now();
    idleSince_ = now;
    lastReturn_ = now;
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
    idleSince_ = Clock::now();
    if (atBlockStart_) {
        block_.assign(line);
        atBlockStart_ = false;
        return line.size();
    }
    block_.append(line);
    if (line == "\r\n" || line == "\n") {
        atBlockStart_ = true;
        const int code = statusOf(block_);
        std::string location;
        const bool interim = code >= 100 && code < 200;
        // The library follows a 3xx that carries a Location; its body is skipped.
        const bool followed =
            code >= 300 && code < 400 && code != 304 && findHeader(block_, "Location", location);
        if (!interim && !followed) {
            if (retrying_) {
                // Returning less than given makes the library abandon the
                // request; the pump then waits or gives up.
                if (!retryAnswerFits(code)) {
                    return 0;
                }
                retryAccepted_ = true;
            } else {
                finalHeaders_ = block_;
                headersDone_ = true;
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
        retryAfterMs_ = retryAfterMs(block_, options_.maxRetryAfterMs);
        retryRefused_ = false;
        return false;
    }
    std::string value;
    const auto range = code == 206 && findHeader(block_, "Content-Range", value)
                           ? text::ParseContentRange(value)
                           : std::nullopt;
    const bool fits = range && range->first == bodyStart_ + received_ &&
                      range->last == bodyEnd_ - 1 && range->total == entityTotal_;
    retryRefused_ = !fits;
    return fits;
}

std::size_t CurlTransfer::takeBody(const char* data, std::size_t n) {
    if (!headersDone_ || (retrying_ && !retryAccepted_)) {
        return n;  // body of an answer that is not the final one: never part of the file
    }
    if (n == 0) {
        return 0;
    }
    if (!captured_) {
        captureFirstAnswer();
    }
    idleSince_ = Clock::now();
    if (ring_.size() - size_ < n) {
        if (size_ < wanted_ || n > ring_.size()) {
            // The chunk being read needs more than the ring holds: grow it.
            grow(std::max(ring_.size() * 2, size_ + n));
        } else {
            paused_ = true;
            pendingDelivery_ = n;
            return CURL_WRITEFUNC_PAUSE;
        }
    }
    push(data, n);
    received_ += static_cast<std::int64_t>(n);
    rateWindowBytes_ += static_cast<std::int64_t>(n);
    return n;
}

// The status and length of the final answer as the library read them, and
// whether a broken body of it can be continued. Taken once, before any retry
// can change what the library reports.
void CurlTransfer::captureFirstAnswer() {
    if (captured_ || !headersDone_) {
        return;
    }
    captured_ = true;
    long code = 0;
    curl_easy_getinfo(easy_.get(), CURLINFO_RESPONSE_CODE, &code);
    status_ = static_cast<int>(code);
    curl_off_t length = -1;
    curl_easy_getinfo(easy_.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    libraryLength_ = static_cast<std::int64_t>(length);
    char* effective = nullptr;
    curl_easy_getinfo(easy_.get(), CURLINFO_EFFECTIVE_URL, &effective);
    effectiveUrl_ = effective != nullptr ? effective : url_;

    validator_ = strongValidator(finalHeaders_);
    if (hasControlCharacters(validator_) || libraryLength_ < 0) {
        return;
    }
    std::string ranges;
    std::string range;
    if (status_ == 200 && findHeader(finalHeaders_, "Accept-Ranges", ranges) &&
        text::EqualsNoCase(trimmed(ranges), "bytes")) {
        bodyStart_ = 0;
        bodyEnd_ = libraryLength_;
        entityTotal_ = libraryLength_;
    } else if (status_ == 206 && findHeader(finalHeaders_, "Content-Range", range)) {
        const auto parsed = text::ParseContentRange(range);
        if (!parsed || parsed->last - parsed->first + 1 != libraryLength_) {
            return;
        }
        bodyStart_ = parsed->first;
        bodyEnd_ = parsed->last + 1;
        entityTotal_ = parsed->total;
    } else {
        return;
    }
    resumable_ = !validator_.empty();
}

void CurlTransfer::push(const char* data, std::size_t n) {
    const std::size_t cap = ring_.size();
    const std::size_t tail = (head_ + size_) % cap;
    const std::size_t first = std::min(n, cap - tail);
    std::memcpy(ring_.data() + tail, data, first);
    if (first < n) {
        std::memcpy(ring_.data(), data + first, n - first);
    }
    size_ += n;
    peak_ = std::max(peak_, size_);
}

void CurlTransfer::grow(std::size_t capacity) {
    RawBuffer bigger(capacity);
    const std::size_t cap = ring_.size();
    const std::size_t first = std::min(size_, cap - head_);
    std::memcpy(bigger.data(), ring_.data() + head_, first);
    std::memcpy(bigger.data() + first, ring_.data(), size_ - first);
    ring_ = std::move(bigger);
    head_ = 0;
}

std::string_view CurlTransfer::take(std::size_t n) {
    const std::size_t cap = ring_.size();
    std::string_view view;
    if (head_ + n <= cap) {
        view = std::string_view(ring_.data() + head_, n);
    } else {
        // The chunk wraps around the end of the ring: hand out a copy.
        if (scratch_.size() < n) {
            scratch_ = RawBuffer(n);
        }
        const std::size_t first = cap - head_;
        std::memcpy(scratch_.data(), ring_.data() + head_, first);
        std::memcpy(scratch_.data() + first, ring_.data(), n - first);
        view = std::string_view(scratch_.data(), n);
    }
    head_ = (head_ + n) % cap;
    size_ -= n;
    if (size_ == 0) {
        head_ = 0;
    }
    return view;
}

void CurlTransfer::resumeIfRoom() {
    if (!paused_ || !attached_) {
        return;
    }
    if (ring_.size() - size_ < pendingDelivery_ && size_ >= wanted_) {
        return;
    }
    // Resuming delivers the held data from inside curl_easy_pause, and the
    // write callback may pause again: the flag must be clear before the call.
    paused_ = false;
    const auto now = Clock::now();
    idleSince_ = now;
    resetRateWindow(now);
    if (curl_easy_pause(easy_.get(), CURLPAUSE_CONT) != CURLE_OK) {
        fail("cannot resume the transfer");
    }
}

void CurlTransfer::fail(const std::string& text) {
    if (!done_) {
        done_ = true;
        failed_ = true;
        errorText_ = text;
    }
    if (attached_) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
        attached_ = false;
    }
    paused_ = false;
    waitingRetry_ = false;
}

// The connection broke or went quiet. A body that can be continued waits for
// its next attempt; anything else fails.
void CurlTransfer::broken(const std::string& text) {
    captureFirstAnswer();
    const bool missing = resumable_ && bodyStart_ + received_ < bodyEnd_;
    const auto attempts = options_.retryDelaysMs.size();
    if (!headersDone_ || !missing || retryRefused_ ||
        static_cast<std::size_t>(retriesUsed_) >= attempts) {
        fail(retryRefused_ ? "the server did not send the rest of the file" : text);
        return;
    }
    if (attached_) {
        curl_multi_remove_handle(multi_.get(), easy_.get());
        attached_ = false;
    }
    paused_ = false;
    pendingDelivery_ = 0;
    const int delay = retryAfterMs_ >= 0
                          ? retryAfterMs_
                          : options_.retryDelaysMs[static_cast<std::size_t>(retriesUsed_)];
    retryAfterMs_ = -1;
    ++retriesUsed_;
    waitingRetry_ = true;
    retryAt_ = Clock::now() + std::chrono::milliseconds(std::max(0, delay));
}

void CurlTransfer::startRetry() {
    waitingRetry_ = false;
    retryHeaders_.reset();
    for (const std::string& line : extraLines_) {
        appendLine(retryHeaders_, line);
    }
    appendLine(retryHeaders_, "Range: bytes=" + std::to_string(bodyStart_ + received_) + "-" +
                                  std::to_string(bodyEnd_ - 1));
    appendLine(retryHeaders_, "If-Range: " + validator_);
    configure("GET", effectiveUrl_, retryHeaders_.get());
    retrying_ = true;
    retryAccepted_ = false;
    retryRefused_ = false;
    atBlockStart_ = true;
    if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
        fail("cannot start the request");
        return;
    }
    attached_ = true;
    const auto now = Clock::now();
    idleSince_ = now;
    resetRateWindow(now);
}

void CurlTransfer::pump() {
    if (!attached_ || done_) {
        return;
    }
    int running = 0;
    if (curl_multi_perform(multi_.get(), &running) != CURLM_OK) {
        fail("transfer engine failure");
        return;
    }
    int left = 0;
    while (CURLMsg* msg = curl_multi_info_read(multi_.get(), &left)) {
        if (msg->msg != CURLMSG_DONE || msg->easy_handle != easy_.get()) {
            continue;
        }
        const CURLcode result = msg->data.result;
        if (result != CURLE_OK) {
            broken(errorBuffer_[0] != '\0' ? std::string(errorBuffer_)
                                           : std::string(curl_easy_strerror(result)));
            return;
        }
        if (retrying_ && !retryAccepted_) {
            broken("the server did not send the rest of the file");
            return;
        }
        if (!headersDone_ && !block_.empty()) {
            // The last answer was not followed after all (a 3xx the library
            // kept): it is the final one.
            finalHeaders_ = block_;
            headersDone_ = true;
        }
        captureFirstAnswer();
        done_ = true;
        if (!headersDone_) {
            failed_ = true;
            errorText_ = "the server sent no answer";
        }
    }
}

bool CurlTransfer::stalled(Clock::time_point now) const {
    return now - idleSince_ > std::chrono::seconds(options_.stallTimeoutSeconds);
}

void CurlTransfer::resetRateWindow(Clock::time_point now) {
    rateWindowStart_ = now;
    rateWindowBytes_ = 0;
}

void CurlTransfer::callStarted(Clock::time_point now) {
    const auto gap = now - lastReturn_;
    if (gap > kHostAbsence) {
        idleSince_ += gap;
        rateWindowStart_ += gap;
    }
}

void CurlTransfer::callHook(Clock::time_point now) {
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
    if (waitingRetry_) {
        const auto now = Clock::now();
        if (now >= retryAt_) {
            startRetry();
        } else {
            std::this_thread::sleep_for(std::min<Clock::duration>(
                retryAt_ - now, std::chrono::milliseconds(options_.pollIntervalMs)));
            return;
        }
    }
    if (done_ || !attached_) {
        return;
    }
    const auto now = Clock::now();
    if (stalled(now)) {
        broken("no data received for " + std::to_string(options_.stallTimeoutSeconds) + " s");
        return;
    }
    const auto window = std::chrono::seconds(options_.minRateWindowSeconds);
    if (headersDone_ && !paused_ && options_.minBytesPerSecond > 0 &&
        now - rateWindowStart_ >= window) {
        if (rateWindowBytes_ < options_.minBytesPerSecond * options_.minRateWindowSeconds) {
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
    pump();
}

bool CurlTransfer::StillExecuting() {
    if (!open_) {
        return false;
    }
    callStarted(Clock::now());
    pump();
    if (!headersDone_ && !done_) {
        waitPass();
    }
    lastReturn_ = Clock::now();
    return !headersDone_ && !done_;
}

void CurlTransfer::waitForHeaders() {
    const unsigned generation = generation_;
    while (!headersDone_ && !done_) {
        waitPass();
        callHook(Clock::now());
        if (generation != generation_) {
            throw TransferError("the request was abandoned");
        }
    }
    if (!headersDone_) {
        throw TransferError(errorText_.empty() ? std::string("no answer") : errorText_);
    }
}

std::string CurlTransfer::GetHeader(const std::string& name) {
    if (!open_) {
        throw TransferError("no request");
    }
    callStarted(Clock::now());
    waitForHeaders();
    lastReturn_ = Clock::now();
    if (name.empty()) {
        return finalHeaders_;
    }
    std::string value;
    findHeader(finalHeaders_, name, value);
    return value;
}

int CurlTransfer::StatusCode() {
    GetHeader();
    captureFirstAnswer();
    return status_;
}

std::int64_t CurlTransfer::ContentLength() {
    GetHeader();
    captureFirstAnswer();
    // The library reads one length; the answer must not offer another one
    // to a reader with different rules.
    std::vector<std::int64_t> lengths;
    bool malformed = false;
    bool chunked = false;
    forEachHeader(finalHeaders_,
                  [&](std::string_view name, std::string_view value, bool blankBeforeColon) {
                      if (text::EqualsNoCase(name, "Transfer-Encoding")) {
                          chunked = true;
                      }
                      if (!text::EqualsNoCase(name, "Content-Length")) {
                          return;
                      }
                      std::int64_t length = 0;
                      if (blankBeforeColon || !ParseDecimal(value, length)) {
                          malformed = true;
                          return;
                      }
                      lengths.push_back(length);
                  });
    if (malformed) {
        throw TransferError("a malformed Content-Length");
    }
    if (lengths.empty()) {
        if (libraryLength_ >= 0 && !chunked) {
            throw TransferError("a length the answer does not state");
        }
        return -1;
    }
    const bool agree = std::all_of(lengths.begin(), lengths.end(),
                                   [&](std::int64_t n) { return n == lengths.front(); });
    if (!agree || chunked || libraryLength_ != lengths.front()) {
        throw TransferError("conflicting lengths");
    }
    return libraryLength_;
}

std::string_view CurlTransfer::GetChunk(std::size_t size) {
    if (!open_) {
        throw TransferError("no request");
    }
    if (size > static_cast<std::size_t>(INT_MAX)) {
        throw TransferError("chunk size out of range");
    }
    // While the ring can serve the chunk, this is the only clock reading of
    // the call: it is made once per chunk.
    const auto entered = Clock::now();
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
    if (!headersDone_) {
        waitForHeaders();
        waited = true;
    }
    if (size == 0) {
        lastReturn_ = Clock::now();
        return {};
    }
    wanted_ = size;
    resumeIfRoom();
    while (size_ < size && !done_) {
        waited = true;
        pump();
        if (size_ >= size || done_) {
            break;
        }
        resumeIfRoom();
        waitPass();
        const auto now = Clock::now();
        if (now - lastHook_ >= std::chrono::milliseconds(options_.pollIntervalMs)) {
            callHook(now);
            if (generation != generation_) {
                throw TransferError("the request was abandoned");
            }
        }
        if (waitingRetry_ && cancelCheck_ && cancelCheck_()) {
            wanted_ = 0;
            fail("cancelled");
            throw TransferCancelled();
        }
    }
    wanted_ = 0;
    lastReturn_ = waited ? Clock::now() : entered;
    if (size_ < size && failed_) {
        // What did arrive is handed out before the failure is reported, so
        // that the file ends where the data really ends.
        if (size_ > 0) {
            return take(size_);
        }
        throw TransferError(errorText_);
    }
    return take(std::min(size, size_));
}

std::unique_ptr<InetTransfer> MakeCurlTransfer(CurlTransferOptions options) {
    return std::make_unique<CurlTransfer>(std::move(options));
}

}  // namespace patchwell::download
