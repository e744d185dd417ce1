#include "patchwell/download/control/preserve_extension.h"

#include <stdexcept>

namespace patchwell::download {

QString PreserveExtension(const QString& url, const QString& saveLocation) {
    if (url.size() < 6 || saveLocation.size() < 6) {
        throw std::runtime_error("a path too short to carry an extension");
    }
    // No dot near the end of the address, or one that belongs to a folder, a
    // query or a fragment ("/", "\", "?", "#" after it): no extension, and
    // the save location stays as it is.
    const qsizetype urlDot = url.indexOf(QLatin1Char('.'), url.size() - 6);
    const QString extension = urlDot >= 0 ? url.mid(urlDot + 1) : url;
    for (const QChar c :
         {QLatin1Char('/'), QLatin1Char('\\'), QLatin1Char('?'), QLatin1Char('#')}) {
        if (extension.contains(c)) {
            return saveLocation;
        }
    }
    // Without a dot near its end the save location keeps its whole name.
    const qsizetype saveDot = saveLocation.indexOf(QLatin1Char('.'), saveLocation.size() - 6);
    const QString stem =
        saveDot >= 0 ? saveLocation.left(saveDot + 1) : saveLocation + QLatin1Char('.');
    return stem + extension;
}

}  // namespace patchwell::download
