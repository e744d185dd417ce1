#pragma once

// What both fetchers of small files share; not for use outside this folder.

#include <QByteArray>

#include <optional>

namespace patchwell::download {

class CurlTransfer;

// The application's pending events, user input excepted (nothing without an
// application): what runs while a small fetch waits.
void ProcessPendingEvents();

// The body of a finished transfer, read whole; none when it grows past
// `maxBytes`.
std::optional<QByteArray> ReadWholeBody(CurlTransfer& transfer, qint64 maxBytes);

}  // namespace patchwell::download
