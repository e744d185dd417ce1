#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace patchwell::platform {

// Fetches small files (signatures) whole into memory.
class SmallFetcher {
public:
    virtual ~SmallFetcher() = default;
    // The body of `url` when the server answers with success and the body has
    // at most `maxBytes` bytes; none for any failure.
    virtual std::optional<QByteArray> Fetch(const QString& url, qint64 maxBytes) = 0;
};

// Over libcurl: HTTP and HTTPS only (also after redirects, at most 10),
// certificates checked, a 30 s connect and a 45 s stall time-out, and the
// transfer broken off as soon as the body grows past the limit.
class CurlSmallFetcher : public SmallFetcher {
public:
    std::optional<QByteArray> Fetch(const QString& url, qint64 maxBytes) override;
};

}  // namespace patchwell::platform
