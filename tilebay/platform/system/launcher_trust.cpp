#include "tilebay/platform/system/launcher_trust.h"

#include <QCoreApplication>
#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>

#include "tilebay/platform/system/links.h"
#include "tilebay/platform/system/safe_file.h"

namespace tilebay {
namespace {

bool OwnedByUserOrRoot(uid_t owner, uid_t user) {
    return owner == user || owner == 0;
}

// Every link followed from `path` is the user's or root's: another user's
// link could be pointed elsewhere at any time.
bool LinksTrusted(const ResolvedLinks& links, uid_t user) {
    for (const uid_t owner : links.linkOwners) {
        if (!OwnedByUserOrRoot(owner, user)) {
            return false;
        }
    }
    return true;
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
        const ResolvedLinks links = ResolveLinks(path);
        if (links.target != launcher || links.linkOwners.empty() || !LinksTrusted(links, user)) {
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

bool WouldBeExecuted(const QString& path) {
    const QString target = FinalTarget(path);
    struct stat info {};
    return !target.isEmpty() && ::stat(QFile::encodeName(target).constData(), &info) == 0 &&
           S_ISREG(info.st_mode) && (info.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

std::optional<OpenedProgram> TrustedProgram(const QString& path, uid_t user) {
    const ResolvedLinks links = ResolveLinks(path);
    if (links.target.isEmpty() || !LinksTrusted(links, user)) {
        return std::nullopt;
    }
    // The target is canonical: should it have become a link since, it is
    // refused rather than followed. The descriptor is what gets started, so a
    // file renamed into its place after this check never runs.
    OpenedProgram program{links.target,
                          common::Descriptor(::open(QFile::encodeName(links.target).constData(),
                                                    O_PATH | O_NOFOLLOW | O_CLOEXEC))};
    struct stat info {};
    if (program.file.get() < 0 || ::fstat(program.file.get(), &info) != 0 ||
        !S_ISREG(info.st_mode) || !LauncherOwnershipTrusted(info.st_uid, info.st_mode, user)) {
        return std::nullopt;
    }
    return program;
}

QString UntrustedStartText(const QString& name) {
    return QCoreApplication::translate(
               "tilebay::launcher_trust",
               "tilebay did not start \"%1\": a program or launcher starts only when it is "
               "executable, owned by you or by root, and nobody else may change it (nor a "
               "symbolic link to it).")
        .arg(name);
}

}  // namespace tilebay
