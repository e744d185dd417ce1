#include "tilebay/platform/system/launcher_trust.h"

#include <QFile>

#include <sys/stat.h>

#include "tilebay/platform/system/safe_file.h"

namespace tilebay {
namespace {

bool OwnedByUserOrRoot(uid_t owner, uid_t user) {
    return owner == user || owner == 0;
}

}  // namespace

bool LauncherOwnershipTrusted(uid_t owner, mode_t mode, uid_t user) {
    return (mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0 && (mode & (S_IWGRP | S_IWOTH)) == 0 &&
           OwnedByUserOrRoot(owner, user);
}

std::optional<TrustedLauncher> ReadTrustedLauncher(const QString& path, uid_t user) {
    const QString launcher = LauncherBehind(path);
    if (launcher.isEmpty()) {
        return std::nullopt;
    }
    if (launcher != path) {
        struct stat link {};
        if (::lstat(QFile::encodeName(path).constData(), &link) != 0 || !S_ISLNK(link.st_mode) ||
            !OwnedByUserOrRoot(link.st_uid, user)) {
            return std::nullopt;
        }
    }
    // The launcher is no link (a link's target is canonical): should it have
    // become one since, it is refused rather than followed.
    const std::optional<RegularFile> file =
        ReadRegularFile(launcher, kMaxLauncherBytes, LinkPolicy::Refuse);
    if (!file || !LauncherOwnershipTrusted(file->owner, file->mode, user)) {
        return std::nullopt;
    }
    std::optional<DesktopEntry> entry = ParseDesktopEntry(file->bytes);
    if (!entry) {
        return std::nullopt;
    }
    return TrustedLauncher{launcher, std::move(*entry)};
}

}  // namespace tilebay
