#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace patchwell::download {

class TransferClock;

// Fetches small files (signatures) whole into memory.
class SmallFetcher {
public:
    virtual ~SmallFetcher() = default;
    // The body of `url` when the server answers with success and the body has
    // at most `maxBytes` bytes; none for any failure.
    virtual std::optional<QByteArray> Fetch(const QString& url, qint64 maxBytes) = 0;
};

// Over the download engine and its HTTP rules, the same as the installer's:
// http and https only, never from https to http, certificates checked, the
// proxy variables, the stall time-out and the low-speed floor, and the body
// broken off as soon as it grows past the limit. The whole fetch takes at
// most `overallTimeoutSeconds`. While it waits, the Qt event loop runs (user
// input excepted): windows are painted, timers fire and a termination signal
// is acted on.
class HttpSmallFetcher : public SmallFetcher {
public:
    struct Options {
        long overallTimeoutSeconds = 60;
        // The transfer's clock; the steady clock when empty (tests simulate).
        std::shared_ptr<download::TransferClock> clock;
        // Runs while the fetch waits; empty: the application's pending
        // events, user input excepted.
        std::function<void()> processEvents;
    };

    HttpSmallFetcher();
    explicit HttpSmallFetcher(Options options);
    std::optional<QByteArray> Fetch(const QString& url, qint64 maxBytes) override;

private:
    Options options_;
};

}  // namespace patchwell::download
