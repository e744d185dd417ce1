#pragma once

// The names of what the user's state folders keep for one installation:
// made of the program folder's real path, so that a folder reached through
// another path or a link finds the same files. Qt's core library only: the
// front looks for a staged update by these names.

#include <QString>

namespace patchwell::update {

// The program folder's real path (its clean absolute path when it has none).
QString RealProgramFolder(const QString& programFolder);

// `prefix` and the first 32 hex digits of the SHA-256 of `text`.
QString HashedStateName(const char* prefix, const QString& text);

// `prefix` and a digest of the program folder's real path.
QString InstallationStateName(const char* prefix, const QString& programFolder);

}  // namespace patchwell::update
