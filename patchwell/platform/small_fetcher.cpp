#include "small_fetcher.h"

#include <curl/curl.h>

#include <memory>

namespace patchwell::platform {

namespace {

struct Body {
    QByteArray bytes;
    qint64 limit = 0;
};

size_t Collect(char* data, size_t size, size_t count, void* user) {
    auto* body = static_cast<Body*>(user);
    const size_t length = size * count;
    if (body->bytes.size() + static_cast<qint64>(length) > body->limit) {
        return 0;  // too large: libcurl ends the transfer with an error
    }
    body->bytes.append(data, static_cast<qsizetype>(length));
    return length;
}

}  // namespace

std::optional<QByteArray> CurlSmallFetcher::Fetch(const QString& url, qint64 maxBytes) {
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(curl_easy_init(),
                                                                   &curl_easy_cleanup);
    if (!curl) {
        return std::nullopt;
    }
    Body body;
    body.limit = maxBytes;
    const QByteArray address = url.toUtf8();
    CURL* h = curl.get();
    curl_easy_setopt(h, CURLOPT_URL, address.constData());
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, 30L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, 45L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(maxBytes));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Collect);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
    if (curl_easy_perform(h) != CURLE_OK) {
        return std::nullopt;
    }
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    if (status != 200) {
        return std::nullopt;
    }
    return body.bytes;
}

}  // namespace patchwell::platform
