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

#include <curl/curl.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "inet_transfer.h"

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

// A byte buffer that is not cleared when allocated, so that its pages are
// touched only as data arrives.
class RawBuffer {
public:
    explicit RawBuffer(std::size_t size = 0)
        : bytes_(size > 0 ? new char[size] : nullptr), size_(size) {}
    char* data() { return bytes_.get(); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<char[]> bytes_;
    std::size_t size_;
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
    int Retries() const { return retriesUsed_; }

    // Body bytes held in the ring now, the most it ever held for the current
    // request, and the ring's size.
    std::size_t BufferedBytes() const { return size_; }
    std::size_t PeakBufferedBytes() const { return peak_; }
    std::size_t RingCapacity() const { return ring_.size(); }

private:
    using Clock = std::chrono::steady_clock;

    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* self);
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* self);
    std::size_t takeHeaderLine(std::string_view line);
    std::size_t takeBody(const char* data, std::size_t n);

    void configure(const std::string& operation, const std::string& url,
                   curl_slist* requestHeaders);
    void pump();
    void waitPass();
    void fail(const std::string& text);
    void broken(const std::string& text);
    void captureFirstAnswer();
    void finishBlock();
    bool retryAnswerFits(int code);
    void startRetry();
    void resetRateWindow(Clock::time_point now);
    bool stalled(Clock::time_point now) const;
    void callStarted(Clock::time_point now);
    void callHook(Clock::time_point now);
    void resumeIfRoom();
    void push(const char* data, std::size_t n);
    void grow(std::size_t capacity);
    std::string_view take(std::size_t n);
    void resetRequest();
    void waitForHeaders();

    CurlTransferOptions options_;
    std::unique_ptr<CURLM, CurlMultiDeleter> multi_;
    std::unique_ptr<CURL, CurlEasyDeleter> easy_;
    std::unique_ptr<curl_slist, CurlSlistDeleter> requestHeaders_;
    std::unique_ptr<curl_slist, CurlSlistDeleter> retryHeaders_;
    std::vector<std::string> extraLines_;  // the caller's header lines but Range and If-Range
    std::function<bool()> cancelCheck_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    std::string url_;

    // Request state.
    bool open_ = false;      // a request was started and not cancelled
    bool attached_ = false;  // the easy handle is in the multi handle
    bool done_ = false;      // the request ended (see failed_)
    bool failed_ = false;
    std::string errorText_;
    bool headersDone_ = false;
    bool atBlockStart_ = true;  // the next header line is a status line
    std::string block_;         // header block being received
    std::string finalHeaders_;  // header block of the final answer
    unsigned generation_ = 0;   // changes with every Execute and Cancel

    // The final answer as the library read it, taken before any retry.
    bool captured_ = false;
    int status_ = 0;
    std::int64_t libraryLength_ = -1;

    // Resuming a broken body: the part of the entity the answer carries,
    // [bodyStart_, bodyEnd_) of entityTotal_, and the bytes of it received.
    bool resumable_ = false;
    std::string validator_;
    std::string effectiveUrl_;
    std::int64_t bodyStart_ = 0;
    std::int64_t bodyEnd_ = -1;
    std::int64_t entityTotal_ = -1;
    std::int64_t received_ = 0;
    int retriesUsed_ = 0;
    bool retrying_ = false;  // the handle now runs a range request of ours
    bool retryAccepted_ = false;
    bool waitingRetry_ = false;
    int retryAfterMs_ = -1;      // the last retry answer asked for this wait
    bool retryRefused_ = false;  // the last retry answer does not fit
    Clock::time_point retryAt_{};

    // Body ring.
    RawBuffer ring_;
    std::size_t head_ = 0;
    std::size_t size_ = 0;
    std::size_t peak_ = 0;
    std::size_t wanted_ = 0;  // size asked by the GetChunk under way
    RawBuffer scratch_;
    bool paused_ = false;
    std::size_t pendingDelivery_ = 0;

    // Clocks: stall detection counts waiting time only.
    Clock::time_point idleSince_{};
    Clock::time_point lastReturn_{};
    Clock::time_point lastHook_{};
    Clock::time_point rateWindowStart_{};
    std::int64_t rateWindowBytes_ = 0;
};

}  // namespace patchwell::download
