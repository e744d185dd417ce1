#include "patchwell/download/small/small_fetcher.h"

#include <QLoggingCategory>

#include <utility>

#include "patchwell/download/small/private/whole_body.h"
#include "patchwell/download/transfer/curl_transfer.h"

namespace patchwell::download {

namespace {

Q_LOGGING_CATEGORY(lcFetch, "patchwell.fetch", QtWarningMsg)

}  // namespace

HttpSmallFetcher::HttpSmallFetcher() : HttpSmallFetcher(Options()) {}

HttpSmallFetcher::HttpSmallFetcher(Options options) : options_(std::move(options)) {
    if (!options_.processEvents) {
        options_.processEvents = &ProcessPendingEvents;
    }
}

std::optional<QByteArray> HttpSmallFetcher::Fetch(const QString& url, qint64 maxBytes) {
    if (maxBytes < 0) {
        return std::nullopt;
    }
    CurlTransferOptions transferOptions;
    transferOptions.processEvents = options_.processEvents;
    transferOptions.overallTimeoutSeconds = options_.overallTimeoutSeconds;
    transferOptions.maxBodyBytes = maxBytes;
    transferOptions.retryDelaysMs.clear();  // a signature is fetched whole or not at all
    transferOptions.clock = options_.clock;
    try {
        CurlTransfer transfer(std::move(transferOptions));
        transfer.SetURL(url.toStdString());
        transfer.Execute("GET");
        while (transfer.StillExecuting()) {
            options_.processEvents();
        }
        const int status = transfer.StatusCode();
        if (status != 200) {
            qCInfo(lcFetch) << "refused:" << url << "answered" << status;
            return std::nullopt;
        }
        if (transfer.ContentLength() > maxBytes) {
            return std::nullopt;
        }
        return ReadWholeBody(transfer, maxBytes);
    } catch (const TransferError& error) {
        qCInfo(lcFetch) << "failed:" << url << error.what();
        return std::nullopt;
    }
}

}  // namespace patchwell::download
