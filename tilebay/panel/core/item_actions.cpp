#include "tilebay/panel/core/item_actions.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/files/descriptor.h"
#include "common/files/whole_file.h"
#include "tilebay/platform/system/launcher_trust.h"
#include "tilebay/platform/system/shortcut.h"

namespace tilebay {
namespace {

enum class Copied { Done, NameTaken, Failed, Skipped };

bool Exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Only these kinds are copied; a FIFO, a socket or a device would make the
// copy wait or read for ever.
bool CopiableKind(mode_t mode) {
    return S_ISREG(mode) || S_ISDIR(mode) || S_ISLNK(mode);
}

bool CopyBytes(int from, int to) {
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(from, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            return got == 0;
        }
        if (!common::WriteAll(to, buffer, static_cast<std::size_t>(got))) {
            return false;
        }
    }
}

// Copies the regular file `source` (as lstat saw it in `seen`). The source is
// opened without waiting and must still be that file; the copy is new
// (O_EXCL). It keeps its execute bits only when the source passes the
// launcher trust rule, so a dropped program of another user is no program of
// ours.
Copied CopyRegularFile(const QString& source, const QString& target, const struct stat& seen) {
    const common::Descriptor in(::open(QFile::encodeName(source).constData(),
                                       O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC | O_NOCTTY));
    struct stat info {};
    if (in.get() < 0 || ::fstat(in.get(), &info) != 0 || !S_ISREG(info.st_mode) ||
        info.st_dev != seen.st_dev || info.st_ino != seen.st_ino) {
        return Copied::Failed;
    }
    const QByteArray native = QFile::encodeName(target);
    const common::Descriptor out(
        ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
    if (out.get() < 0) {
        return errno == EEXIST ? Copied::NameTaken : Copied::Failed;
    }
    mode_t mode = info.st_mode & 0777;
    if (!LauncherOwnershipTrusted(info.st_uid, info.st_mode, ::getuid())) {
        mode &= ~static_cast<mode_t>(S_IXUSR | S_IXGRP | S_IXOTH);
    }
    if (!CopyBytes(in.get(), out.get()) || ::fchmod(out.get(), mode) != 0) {
        ::unlink(native.constData());
        return Copied::Failed;
    }
    return Copied::Done;
}

// Copies a file or, recursively, a folder; never over an existing entry. A
// symbolic link is copied as a link. Entries of any other kind are not
// copied: their paths go to `skipped`.
Copied CopyEntry(const QString& source, const QString& target, QStringList& skipped) {
    struct stat seen {};
    if (::lstat(QFile::encodeName(source).constData(), &seen) != 0) {
        return Copied::Failed;
    }
    if (!CopiableKind(seen.st_mode)) {
        skipped.append(source);
        return Copied::Skipped;
    }
    bool done = false;
    if (S_ISLNK(seen.st_mode)) {
        done = QFile::link(QFileInfo(source).symLinkTarget(), target);
    } else if (S_ISREG(seen.st_mode)) {
        return CopyRegularFile(source, target, seen);
    } else if (!Exists(target) && QDir().mkdir(target)) {
        done = true;
        QDirIterator it(source,
                        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            const Copied copied = CopyEntry(it.filePath(), target + u'/' + it.fileName(), skipped);
            done = (copied == Copied::Done || copied == Copied::Skipped) && done;
        }
        return done ? Copied::Done : Copied::Failed;
    }
    if (done) {
        return Copied::Done;
    }
    return Exists(target) ? Copied::NameTaken : Copied::Failed;
}

// The last part of a dropped path names an entry: not empty, "." or "..".
bool NamesAnEntry(const QString& path) {
    const QString last = path.section(u'/', -1);
    return !last.isEmpty() && last != QStringLiteral(".") && last != QStringLiteral("..");
}

// Would be run rather than opened: a launcher, a program or script, or a
// link to one.
bool IsStartedItem(const QString& path) {
    return !LauncherBehind(path).isEmpty() || WouldBeExecuted(path);
}

bool RemoveEntry(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink()) {
        return QDir(path).removeRecursively();
    }
    return QFile::remove(path);
}

}  // namespace

std::vector<ItemActionEntry> ItemActionMenu() {
    return {{ItemAction::Open, QCoreApplication::translate("tilebay::ItemActionMenu", "Open")},
            {ItemAction::OpenContainingFolder,
             QCoreApplication::translate("tilebay::ItemActionMenu", "Open Containing Folder")},
            {ItemAction::Copy, QCoreApplication::translate("tilebay::ItemActionMenu", "Copy")},
            {ItemAction::MoveToTrash,
             QCoreApplication::translate("tilebay::ItemActionMenu", "Move to Trash")}};
}

QString RowPath(const RowEntry& row) {
    if (row.folder.isEmpty() || row.text.isEmpty() || row.text.contains(u'/') ||
        row.text == QStringLiteral(".") || row.text == QStringLiteral("..")) {
        return {};
    }
    return row.folder + u'/' + row.text;
}

ItemChange RunItemAction(ItemAction action, const RowEntry& row, DesktopActions& desktop,
                         const std::function<void(const RowEntry&)>& start) {
    const QString path = RowPath(row);
    if (path.isEmpty() || !Exists(path)) {
        return ItemChange::NotDone;
    }
    const auto done = [](bool ok) { return ok ? ItemChange::Nothing : ItemChange::NotDone; };
    switch (action) {
        case ItemAction::Open:
            // What would be run goes through the panel's own trusted start,
            // never to an opener that might run it unchecked.
            if (IsStartedItem(path)) {
                if (start) {
                    start(row);
                }
                return done(static_cast<bool>(start));
            }
            return done(desktop.OpenUrl(QUrl::fromLocalFile(path)));
        case ItemAction::OpenContainingFolder:
            return done(desktop.OpenUrl(QUrl::fromLocalFile(row.folder)));
        case ItemAction::Copy:
            desktop.CopyUrls({QUrl::fromLocalFile(path)});
            return ItemChange::Nothing;
        case ItemAction::MoveToTrash:
            return desktop.MoveToTrash(path) ? ItemChange::ItemGone : ItemChange::NotDone;
    }
    return ItemChange::NotDone;
}

QString FreeName(const QString& folder, const QString& name) {
    const QDir dir(folder);
    const auto taken = [&](const QString& candidate) { return Exists(dir.filePath(candidate)); };
    if (!taken(name)) {
        return name;
    }
    const qsizetype dot = name.lastIndexOf(u'.');
    const qsizetype split = dot > 0 ? dot : name.size();
    const QString stem = name.left(split);
    const QString extension = name.mid(split);
    for (int number = 2;; ++number) {
        const QString candidate = QStringLiteral("%1 (%2)%3").arg(stem).arg(number).arg(extension);
        if (!taken(candidate)) {
            return candidate;
        }
    }
}

std::vector<DropResult> DropIntoFolder(const QList<QUrl>& urls, const QString& folder, bool move) {
    std::vector<DropResult> results;
    const QString target = QDir(folder).canonicalPath();
    for (const QUrl& url : urls) {
        DropResult result{url.toString(), QString(), {}};
        const QString local = url.isLocalFile() ? url.toLocalFile() : QString();
        const QString source = NamesAnEntry(local) ? local : QString();
        const QFileInfo info(source);
        const QString canonical = info.canonicalFilePath();
        const bool inside = info.isDir() && !info.isSymLink() &&
                            (target == canonical || target.startsWith(canonical + u'/'));
        if (!source.isEmpty() && !target.isEmpty() && Exists(source) &&
            QFileInfo(info.absolutePath()).canonicalFilePath() != target && !inside) {
            result.source = source;
            // The free name may be taken between the look and the copy: the
            // copy never writes over an entry, so it tries the next name then.
            for (int attempt = 0; attempt < 100; ++attempt) {
                const QString path = target + u'/' + FreeName(target, info.fileName());
                Copied copied = Copied::Failed;
                struct stat seen {};
                if (::lstat(QFile::encodeName(source).constData(), &seen) != 0 ||
                    !CopiableKind(seen.st_mode)) {
                    result.skipped.append(source);
                } else if (move && !Exists(path) && QFile::rename(source, path)) {
                    copied = Copied::Done;
                } else {
                    copied = CopyEntry(source, path, result.skipped);
                    if (copied == Copied::Done && move && !RemoveEntry(source)) {
                        copied = Copied::Failed;
                    }
                }
                if (copied == Copied::Done) {
                    result.target = path;
                }
                if (copied != Copied::NameTaken) {
                    break;
                }
            }
        }
        results.push_back(result);
    }
    return results;
}

QString SkippedDropText(const QStringList& skipped) {
    return QCoreApplication::translate(
               "tilebay::ItemActions",
               "tilebay copied only files, folders and symbolic links; these were left out:\n%1")
        .arg(skipped.join(u'\n'));
}

}  // namespace tilebay
