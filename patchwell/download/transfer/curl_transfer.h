#pragma once

// The libcurl implementation of InetTransfer. Hosts create it through
// MakeCurlTransfer(); the class is visible so that tests can look at its
// buffer use.
//
// How it works: one easy handle in one multi handle, driven only from the
// calling thread inside the members' calls (no thread of its own). Body bytes
// land in a ring buffer (1 MiB, larger only when a single chunk asks for
// more); when the ring cannot take a delivery whole, the transfer is paused
// (CURL_WRITEFUNC_PAUSE) and resumed once GetChunk has made room, so memory
// stays bounded whatever the file size. Every wait sleeps on the sockets
// (curl_multi_poll) for at most the poll interval per pass.
//
// A body that breaks off is continued on the same handle: after a wait, a
// range request for the missing bytes (If-Range: the first answer's
// validator) goes to the address the first answer came from, and its body
// joins the ring as if nothing had happened. Only a 206 whose Content-Range
// names exactly the missing bytes of the same entity is taken.
//
// Every handle is set up by the HTTP module's rules (http_policy.h), answers
// are read by its functions (http_headers.h), and every time-out and wait
// goes by the options' clock, so that tests can run them on simulated time.

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "patchwell/download/transfer/inet_transfer.h"
#include "patchwell/download/transfer/ring_buffer.h"

namespace patchwell::download {

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct CurlMultiDeleter {
    void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

class CurlTransfer final : public InetTransfer {
public:
    static constexpr std::size_t kRingBytes = 1024 * 1024;
    static constexpr long kCurlBufferBytes = 512 * 1024;

    explicit CurlTransfer(CurlTransferOptions options);
    ~CurlTransfer() override;
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;

    void SetURL(const std::string& url) override;
    std::string URL() const override;
    void Execute(const std::string& operation, const std::string& requestHeaders = {}) override;
    bool StillExecuting() override;
    std::string GetHeader(const std::string& name = {}) override;
    int StatusCode() override;
    std::int64_t ContentLength() override;
    std::string_view GetChunk(std::size_t size) override;
    void SetCancelCheck(std::function<bool()> check) override;
    void Cancel() override;

    // Attempts made after the first one for the current request.
    int Retries() const { return req_.resume.retriesUsed; }

    // Body bytes held in the ring now, the most it ever held for the current
    // request, and the ring's size.
    std::size_t BufferedBytes() const { return req_.body.ring.size(); }
    std::size_t PeakBufferedBytes() const { return req_.body.ring.peak(); }
    std::size_t RingCapacity() const { return req_.body.ring.capacity(); }

private:
    using TimePoint = TransferClock::TimePoint;

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    std::size_t takeHeaderLine(std::string_view line);
    std::size_t takeBody(const char* data, std::size_t n);

    static curl_slist* appendLine(std::unique_ptr<curl_slist, CurlSlistDeleter>& list,
                                  const std::string& line);
    void configure(const std::string& operation, const std::string& url,
                   curl_slist* requestHeaders);
    void pump();
    void waitPass();
    void fail(const std::string& text);
    void broken(const std::string& text);
    void captureFirstAnswer();
    bool retryAnswerFits(int code);
    void startRetry();
    void resetRateWindow(TimePoint now);
    bool stalled(TimePoint now) const;
    void callStarted(TimePoint now);
    void callHook(TimePoint now);
    void resumeIfRoom();
    void resetRequest();
    void waitForHeaders();
    void markDescriptors();

    CurlTransferOptions options_;
    std::unique_ptr<CURLM, CurlMultiDeleter> multi_;
    std::unique_ptr<CURL, CurlEasyDeleter> easy_;
    std::unique_ptr<curl_slist, CurlSlistDeleter> requestHeaders_;
    std::unique_ptr<curl_slist, CurlSlistDeleter> retryHeaders_;
    std::vector<std::string> extraLines_;  // the caller's header lines but Range and If-Range
    std::function<bool()> cancelCheck_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    std::string url_;

    TransferClock& clock_;
    TimePoint lastHook_{};
    unsigned generation_ = 0;  // changes with every Execute and Cancel

    // Everything that belongs to one request, replaced whole by the next
    // Execute and by Cancel, grouped by concern.
    struct Request {
        // Where the request stands.
        struct Life {
            bool open = false;      // a request was started and not cancelled
            bool attached = false;  // the easy handle is in the multi handle
            bool done = false;      // the request ended (see failed)
            bool failed = false;
            std::string errorText;
            bool overCap = false;  // the body grew past the size cap
        } life;

        // The answer's header blocks, and the final answer as the library
        // read it, taken before any retry.
        struct Answer {
            bool headersDone = false;
            bool atBlockStart = true;  // the next header line is a status line
            std::string block;         // header block being received
            std::string finalHeaders;  // header block of the final answer
            bool captured = false;
            int status = 0;
            std::int64_t libraryLength = -1;
        } answer;

        // Resuming a broken body: the part of the entity the answer carries,
        // [bodyStart, bodyEnd) of entityTotal, the bytes of it received, and
        // the range requests made for the rest.
        struct Resume {
            bool resumable = false;
            std::string validator;
            std::string effectiveUrl;
            std::int64_t bodyStart = 0;
            std::int64_t bodyEnd = -1;
            std::int64_t entityTotal = -1;
            std::int64_t received = 0;
            int retriesUsed = 0;
            bool retrying = false;  // the handle now runs a range request of ours
            bool retryAccepted = false;
            bool waitingRetry = false;
            int retryAfterMs = -1;      // the last retry answer asked for this wait
            bool retryRefused = false;  // the last retry answer does not fit
            TimePoint retryAt{};
        } resume;

        // Body bytes not yet handed out.
        struct Body {
            RingBuffer ring{kRingBytes};
            std::size_t wanted = 0;  // size asked by the GetChunk under way
            bool paused = false;
            std::size_t pendingDelivery = 0;
        } body;

        // Stall detection counts waiting time only.
        struct Stall {
            TimePoint startedAt{};
            TimePoint idleSince{};
            TimePoint lastReturn{};
            TimePoint rateWindowStart{};
            std::int64_t rateWindowBytes = 0;
        } stall;
    };
    Request req_;
};

}  // namespace patchwell::download
