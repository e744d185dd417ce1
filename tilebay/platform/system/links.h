#pragma once

// Following symbolic links safely: a loop (a link to itself, two links to
// each other) or an endless chain ends after as many links as the kernel
// follows, and counts as a link whose target is gone.

#include <QString>

#include <vector>

#include <sys/types.h>

namespace tilebay {

// The kernel's limit on symbolic links followed while resolving one path.
inline constexpr int kMaxLinkHops = 40;

// The real path (absolute, every symbolic link in it resolved) of the entry
// that `path` finally names; `path`'s own real path when it is no link.
// Empty when `path` or a link on the way names nothing, and when resolving
// it takes more than kMaxLinkHops links in a row (a loop).
QString FinalTarget(const QString& path);

struct ResolvedLinks {
    QString target;                 // as FinalTarget gives it
    std::vector<uid_t> linkOwners;  // the owner of each link followed, in order
};

// FinalTarget with the owners of the links at the end of the path that were
// followed to get there (none when `path` is no link).
ResolvedLinks ResolveLinks(const QString& path);

}  // namespace tilebay
