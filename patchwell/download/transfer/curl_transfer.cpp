#include "curl_transfer.h"

#include <algorithm>
#include <cctype>
#include <climits>
#include <cstring>
#include <mutex>

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

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i]))) {
            return false;
        }
    }
    return true;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) {
        s.remove_prefix(1);
    }
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n')) {
        s.remove_suffix(1);
    }
    return s;
}

// Status code of a block that starts with "HTTP/x.y NNN ...", or 0.
int statusOf(std::string_view block) {
    const auto space = block.find(' ');
    if (space == std::string_view::npos || block.size() < space + 4) {
        return 0;
    }
    int code = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (block[i] < '0' || block[i] > '9') {
            return 0;
        }
        code = code * 10 + (block[i] - '0');
    }
    return code;
}

// Value of the first header line of that name in a header block.
bool findHeader(std::string_view block, std::string_view name, std::string& value) {
    std::size_t pos = block.find('\n');  // skip the status line
    while (pos != std::string_view::npos && pos + 1 < block.size()) {
        const std::size_t start = pos + 1;
        const std::size_t end = block.find('\n', start);
        const auto line = block.substr(start, end == std::string_view::npos ? end : end - start);
        const auto colon = line.find(':');
        if (colon != std::string_view::npos &&
            trimmed(line.substr(0, colon)).size() == name.size() &&
            startsWithNoCase(trimmed(line.substr(0, colon)), name)) {
            value = std::string(trimmed(line.substr(colon + 1)));
            return true;
        }
        pos = end;
    }
    return false;
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
    block_.clear();
    finalHeaders_.clear();
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

void CurlTransfer::configure(const std::string& operation) {
    CURL* h = easy_.get();
    curl_easy_reset(h);
    errorBuffer_[0] = '\0';
    curl_easy_setopt(h, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
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
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, requestHeaders_.get());
    if (operation == "HEAD") {
        curl_easy_setopt(h, CURLOPT_NOBODY, 1L);
    }
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
    if (!startsWithNoCase(url_, "http://") && !startsWithNoCase(url_, "https://")) {
        throw TransferError("only http and https addresses are supported: " + url_);
    }
    // Extra header lines go out exactly as given, one per CR LF.
    requestHeaders_.reset();
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
        curl_slist* list = curl_slist_append(requestHeaders_.get(), std::string(line).c_str());
        if (list == nullptr) {
            throw TransferError("out of memory");
        }
        requestHeaders_.release();
        requestHeaders_.reset(list);
    }
    configure(op);
    if (curl_multi_add_handle(multi_.get(), easy_.get()) != CURLM_OK) {
        throw TransferError("cannot start the request");
    }
    attached_ = true;
    open_ = true;
    const auto now = Clock::now();
    idleSince_ = now;
    lastReturn_ = now;
    pump();
}

std::size_t CurlTransfer::onHeader(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<CurlTransfer*>(self)->takeHeaderLine(std::string_view(data, size * count));
}

std::size_t CurlTransfer::onBody(char* data, std::size_t size, std::size_t count, void* self) {
    return static_cast<CurlTransfer*>(self)->takeBody(data, size * count);
}

std::size_t CurlTransfer::takeHeaderLine(std::string_view line) {
    idleSince_ = Clock::now();
    if (startsWithNoCase(line, "HTTP/")) {
        block_.assign(line);  // a new answer begins (after a redirect or an interim one)
        return line.size();
    }
    block_.append(line);
    if (line == "\r\n" || line == "\n") {
        const int code = statusOf(block_);
        std::string location;
        const bool interim = code >= 100 && code < 200;
        // The library follows a 3xx that carries a Location; its body is skipped.
        const bool followed =
            code >= 300 && code < 400 && code != 304 && findHeader(block_, "Location", location);
        if (!interim && !followed) {
            finalHeaders_ = block_;
            headersDone_ = true;
        }
    }
    return line.size();
}

std::size_t CurlTransfer::takeBody(const char* data, std::size_t n) {
    if (!headersDone_) {
        return n;  // body of an answer that is not the final one: never part of the file
    }
    if (n == 0) {
        return 0;
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
    return n;
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
    idleSince_ = Clock::now();
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
            fail(errorBuffer_[0] != '\0' ? std::string(errorBuffer_)
                                         : std::string(curl_easy_strerror(result)));
            return;
        }
        done_ = true;
        if (!headersDone_ && !block_.empty()) {
            // The last answer was not followed after all (a 3xx the library
            // kept): it is the final one.
            finalHeaders_ = block_;
            headersDone_ = true;
        }
        if (!headersDone_) {
            failed_ = true;
            errorText_ = "the server sent no answer";
        }
    }
}

bool CurlTransfer::stalled(Clock::time_point now) const {
    return now - idleSince_ > std::chrono::seconds(options_.stallTimeoutSeconds);
}

void CurlTransfer::callStarted(Clock::time_point now) {
    const auto gap = now - lastReturn_;
    if (gap > kHostAbsence) {
        idleSince_ += gap;
    }
}

void CurlTransfer::callHook(Clock::time_point now) {
    lastHook_ = now;
    if (options_.processEvents) {
        options_.processEvents();
    }
}

// One pass of a wait: sleep on the sockets for at most the poll interval,
// let curl work, and fail the request when nothing has arrived for too long.
void CurlTransfer::waitPass() {
    if (done_ || !attached_) {
        return;
    }
    if (stalled(Clock::now())) {
        fail("no data received for " + std::to_string(options_.stallTimeoutSeconds) + " s");
        return;
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
    }
    wanted_ = 0;
    lastReturn_ = waited ? Clock::now() : entered;
    if (size_ < size && failed_) {
        // Hand out whole chunks first; the shortfall is the failure.
        throw TransferError(errorText_);
    }
    return take(std::min(size, size_));
}

std::unique_ptr<InetTransfer> MakeCurlTransfer(CurlTransferOptions options) {
    return std::make_unique<CurlTransfer>(std::move(options));
}

}  // namespace patchwell::download
