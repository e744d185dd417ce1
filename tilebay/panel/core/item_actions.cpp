#include "tilebay/panel/core/item_actions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace tilebay {
namespace {

enum class Copied { Done, NameTaken, Failed };

bool Exists(const QString& path) {
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

// Copies a file or, recursively, a folder; never over an existing entry. A
// symbolic link is copied as a link.
Copied CopyEntry(const QString& source, const QString& target) {
    const QFileInfo info(source);
    bool done = false;
    if (info.isSymLink()) {
        done = QFile::link(info.symLinkTarget(), target);
    } else if (!info.isDir()) {
        done = QFile::copy(source, target);
    } else if (!Exists(target) && QDir().mkdir(target)) {
        done = true;
        QDirIterator it(source,
                        QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot);
        while (it.hasNext()) {
            it.next();
            done = CopyEntry(it.filePath(), target + u'/' + it.fileName()) == Copied::Done && done;
        }
        return done ? Copied::Done : Copied::Failed;
    }
    if (done) {
        return Copied::Done;
    }
    return Exists(target) ? Copied::NameTaken : Copied::Failed;
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
    return {{ItemAction::Open, QStringLiteral("Open")},
            {ItemAction::OpenContainingFolder, QStringLiteral("Open Containing Folder")},
            {ItemAction::Copy, QStringLiteral("Copy")},
            {ItemAction::MoveToTrash, QStringLiteral("Move to Trash")}};
}

QString RowPath(const RowEntry& row) {
    if (row.folder.isEmpty() || row.text.isEmpty() || row.text.contains(u'/') ||
        row.text == QStringLiteral(".") || row.text == QStringLiteral("..")) {
        return {};
    }
    return row.folder + u'/' + row.text;
}

bool RunItemAction(ItemAction action, const RowEntry& row, DesktopActions& desktop) {
    const QString path = RowPath(row);
    if (path.isEmpty() || !Exists(path)) {
        return false;
    }
    switch (action) {
        case ItemAction::Open:
            return desktop.OpenUrl(QUrl::fromLocalFile(path));
        case ItemAction::OpenContainingFolder:
            return desktop.OpenUrl(QUrl::fromLocalFile(row.folder));
        case ItemAction::Copy:
            desktop.CopyUrls({QUrl::fromLocalFile(path)});
            return true;
        case ItemAction::MoveToTrash:
            return desktop.MoveToTrash(path);
    }
    return false;
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
        DropResult result{url.toString(), QString()};
        const QString source = url.isLocalFile() ? url.toLocalFile() : QString();
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
                if (move && !Exists(path) && QFile::rename(source, path)) {
                    copied = Copied::Done;
                } else {
                    copied = CopyEntry(source, path);
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

}  // namespace tilebay
