#pragma once

// `patchwell --status`: where this installation stands, for scripts and
// support. One "key: value" line each, in this order, keys never changing;
// a value that is not there reads "none":
//
//   version: 2.0                   prgver of update.ini
//   key: F59BF9362A6DD20           the kept signing key's id as minisign shows
//                                  it (its .pub file's comment); "unusable"
//                                  when the kept state cannot be used (every
//                                  update is refused then)
//   lastcheck: 2026-12-09T18:00:00Z  the last completed check (kept with checkhours)
//   skipversion: 2.1               the version the user skipped, as the check
//                                  reads it (a malformed one is none)
//   installer: 2.0                 the version of the installer that ran last
//   previous: 1.0                  the one before it: what --rollback goes back to
//   staged: 2.1                    an update staged for the next start
//                                  (autoupdate=1), as its kept manifest says
//
// Control characters in a value show as "?". Nothing is fetched, written or
// shown.

#include <QString>
#include <QStringList>

namespace patchwell::update {

QString StatusText(const QStringList& stateFolders, const QString& programFolder);

}  // namespace patchwell::update
