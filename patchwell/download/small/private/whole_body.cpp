#include "patchwell/download/small/private/whole_body.h"

#include <QCoreApplication>
#include <QEventLoop>

#include "patchwell/download/transfer/curl_transfer.h"

namespace patchwell::download {

void ProcessPendingEvents() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

std::optional<QByteArray> ReadWholeBody(CurlTransfer& transfer, qint64 maxBytes) {
    constexpr std::size_t kChunkBytes = 64 * 1024;
    QByteArray body;
    for (auto chunk = transfer.GetChunk(kChunkBytes); !chunk.empty();
         chunk = transfer.GetChunk(kChunkBytes)) {
        body.append(chunk.data(), static_cast<qsizetype>(chunk.size()));
        if (body.size() > maxBytes) {
            return std::nullopt;
        }
    }
    return body;
}

}  // namespace patchwell::download
