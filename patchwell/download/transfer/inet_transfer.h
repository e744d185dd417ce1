#pragma once

// The inner transfer component ("I1") of the download control: one HTTP(S)
// request at a time, driven synchronously from the host's UI thread. It offers
// exactly the six members the control uses. Failures of the component (bad URL
// or scheme, connect or stall time-out, a body shorter than announced, a
// refused request) are thrown as TransferError from Execute, GetHeader and
// GetChunk; StillExecuting and Cancel never throw.

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "patchwell/download/http/http_policy.h"
#include "patchwell/download/transfer/transfer_clock.h"

namespace patchwell::download {

class TransferError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Thrown from GetChunk when the cancel check said so during a wait between
// two attempts of a broken body.
class TransferCancelled : public TransferError {
public:
    TransferCancelled() : TransferError("cancelled while waiting to fetch the rest") {}
};

class InetTransfer {
public:
    virtual ~InetTransfer() = default;

    // Address of the next request.
    virtual void SetURL(const std::string& url) = 0;
    virtual std::string URL() const = 0;

    // Starts a request and returns at once. `operation` is "GET"; an open
    // request is cancelled first. `requestHeaders` holds extra header lines,
    // each ending in CR LF (for example "Range: bytes=1000-\r\n").
    virtual void Execute(const std::string& operation, const std::string& requestHeaders = {}) = 0;

    // True while the answer's status line and headers have not all arrived.
    // Each call waits a short while on the sockets (never busy) and returns;
    // the caller lets its host process events between calls. A failed
    // request also ends the wait (GetHeader then throws).
    virtual bool StillExecuting() = 0;

    // With an empty name: the final answer's whole header text, starting with
    // its status line ("HTTP/1.1 200 OK"), each line ending in CR LF, closed
    // by an empty line. With a name: that header's value (matched without
    // regard to case, surrounding blanks removed), or "" when absent. Waits
    // for the headers when they have not arrived yet. After redirects the
    // final answer's headers are meant; a redirect's body is never read.
    virtual std::string GetHeader(const std::string& name = {}) = 0;

    // The final answer's status code, as the HTTP library read it. Waits for
    // the headers like GetHeader.
    virtual int StatusCode() = 0;

    // The final answer's body length as the HTTP library will read it, or -1
    // when the answer announces none. Throws TransferError when the answer's
    // length fields are malformed or disagree (two different values, a blank
    // before the colon, a length beside a chunked body).
    virtual std::int64_t ContentLength() = 0;

    // The next bytes of the body, at most `size`, fewer only at the end of the
    // body or right before a failure (the bytes that did arrive are handed
    // out first; the next call throws); empty once the body is exhausted. The
    // view stays valid until the next call on this object.
    virtual std::string_view GetChunk(std::size_t size) = 0;

    // Asked during the waits between two attempts of a broken body: true
    // abandons the request (GetChunk throws TransferCancelled).
    virtual void SetCancelCheck(std::function<bool()> check) { static_cast<void>(check); }

    // Abandons the open request; harmless without one.
    virtual void Cancel() = 0;
};

// Settings of the libcurl implementation: the request policy of the HTTP
// module (protocols, redirects, certificates, proxies, time-outs, size cap)
// and how the transfer waits. The event hook is called during the waits of
// GetHeader and GetChunk, at least every `pollIntervalMs` while nothing
// arrives and every 50 ms while data flows. The stall time-out and the
// low-speed floor count only time spent waiting in these calls (and short
// gaps between them), not time in which the host deliberately reads nothing.
struct CurlTransferOptions : http::RequestPolicy {
    std::function<void()> processEvents;
    // A body that breaks off (reset, early close, stall) is fetched on from
    // the first missing byte with a range request guarded by If-Range, after
    // each of these waits in turn; once they are spent the failure stands.
    // Only done when the first answer offered byte ranges and carried a
    // strong validator. A 503 or 429 with Retry-After waits what it says
    // instead, at most maxRetryAfterMs.
    std::vector<int> retryDelaysMs{1000, 2000, 4000, 8000, 16000};
    int maxRetryAfterMs = 60000;
    int pollIntervalMs = 20;
    // The whole request, from Execute to the body's end, may take at most
    // this long while the caller waits (0: no limit).
    long overallTimeoutSeconds = 0;
    // The clock of every time-out and wait; the steady clock when empty.
    std::shared_ptr<TransferClock> clock;
};

std::unique_ptr<InetTransfer> MakeCurlTransfer(CurlTransferOptions options);

}  // namespace patchwell::download
