#pragma once

// The file-name rule of KeepType, on its own so that a program can apply it
// to a path without the control (the updater checks where a download will
// land before it starts one).

#include <QString>

namespace patchwell::download {

// The target path that keeps the extension of `url`: the part of
// `saveLocation` up to a dot among its last six characters, followed by what
// follows a dot among the last six characters of `url`. An address without
// such an extension (none, or one holding "/", "\", "?" or "#") leaves
// `saveLocation` as it is; a save location without a dot there keeps its
// whole name and gets "." and the extension. Throws std::runtime_error when
// either is shorter than six.
QString PreserveExtension(const QString& url, const QString& saveLocation);

}  // namespace patchwell::download
