#include "tilebay/panel/items/desktop_items.h"

#include <QCoreApplication>
#include <QDirIterator>
#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <thread>

#include "tilebay/platform/system/links.h"

namespace tilebay {

int ImageList::Find(const QString& key) const {
    return numbers_.value(key, 0);
}

bool ImageList::Add(const QString& key, const QPixmap& picture) {
    if (picture.isNull() || numbers_.contains(key)) {
        return false;
    }
    images_.push_back(ItemImage{key, picture, QString()});
    numbers_.insert(key, Count());
    return true;
}

void ImageList::RemoveLast() {
    if (!images_.empty()) {
        numbers_.remove(images_.back().key);
        images_.pop_back();
    }
}

void ImageList::SetTag(int number, const QString& tag) {
    images_.at(static_cast<std::size_t>(number - 1)).tag = tag;
}

const ItemImage& ImageList::At(int number) const {
    return images_.at(static_cast<std::size_t>(number - 1));
}

void ProcessEventsPause::LetEventsRun() {
    using Clock = std::chrono::steady_clock;
    constexpr std::chrono::nanoseconds kPause = std::chrono::milliseconds(25);
    // A step of the work handed in starts only this long before the pause's
    // end; a step that runs over is paid back by the next pause.
    constexpr std::chrono::nanoseconds kStepRoom = std::chrono::milliseconds(3);
    QCoreApplication::processEvents();
    const Clock::time_point wake = Clock::now() + kPause - std::min(late_, kPause);
    while (meanwhile_ && Clock::now() + kStepRoom < wake && meanwhile_()) {
    }
    std::this_thread::sleep_until(wake);
    late_ = std::max(std::chrono::nanoseconds(0), Clock::now() - wake);
}

namespace {

QString InternalKey(const char* kind) {
    return QChar(u'\0') + QLatin1String(kind);
}

}  // namespace

QString ImageKey(const QString& path, bool isFolder) {
    const QFileInfo info(path);
    // A link shows its target's picture with the link emblem, so it has an
    // image of its own per kind of target. These keys begin with a NUL,
    // which no file name holds, so they never meet an extension's key.
    if (info.isSymLink()) {
        const QString target = FinalTarget(path);  // never a link; empty for a loop
        if (target.isEmpty()) {
            return InternalKey("BROKEN-LINK");
        }
        return InternalKey("LINK") + QChar(u'\0') + ImageKey(target, QFileInfo(target).isDir());
    }
    if (isFolder) {
        return QStringLiteral("DIR");
    }
    if (IsProgramWithoutExtension(info)) {
        return InternalKey("PROGRAM");
    }
    const qsizetype dot = path.lastIndexOf(u'.');
    const QString extension = dot < 0 ? QString() : path.mid(dot + 1).toUpper();
    static const QStringList ownImage = {QStringLiteral("LNK"), QStringLiteral("EXE"),
                                         QStringLiteral("ICO"), QStringLiteral("DLL"),
                                         QStringLiteral("OCX"), QStringLiteral("DESKTOP")};
    return ownImage.contains(extension) ? path.toUpper() : extension;
}

QString ItemName(const QString& path) {
    return path.mid(path.lastIndexOf(u'/') + 1);
}

DesktopItemCollector::DesktopItemCollector(DesktopItemList& list, FileIconSource& icons,
                                           EventPause& pause, std::function<bool()> stopped)
    : list_(list), icons_(icons), pause_(pause), stopped_(std::move(stopped)) {}

void DesktopItemCollector::CollectFolder(const QString& folder) {
    list_.visible = false;
    if (!folder.isEmpty()) {
        const QString base = folder.endsWith(u'/') ? folder : folder + u'/';
        QStringList files;
        bool failed = false;
        const auto stop = [this] { return stopped_ && stopped_(); };
        // QDirIterator lists in the file system's own order; nothing sorts.
        QDirIterator it(base, QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot);
        while (!failed && !stop() && it.hasNext()) {
            it.next();
            const QFileInfo info = it.fileInfo();
            const QString name = info.fileName();
            if (name.startsWith(u'.')) {
                continue;
            }
            if (info.isDir()) {
                failed = !AddDesktopItem(base + name, true);
            } else if (info.isFile() || info.isSymLink()) {
                files.append(name);
            }  // devices, pipes and sockets are not desktop items
        }
        // The pauses for each new key look up the images of the keys after
        // it, so that the files' own time is mostly spent waiting anyway.
        upcoming_.clear();
        for (const QString& name : files) {
            upcoming_.append(base + name);
        }
        scanned_ = 0;
        pause_.SetMeanwhile([this] { return LookAhead(); });
        for (qsizetype i = 0; !failed && !stop() && i < upcoming_.size(); ++i) {
            failed = !AddDesktopItem(upcoming_.at(i), false);
        }
        pause_.SetMeanwhile({});
        upcoming_.clear();
        ahead_.clear();
        current_.clear();
    }
    list_.visible = true;
}

bool DesktopItemCollector::LookAhead() {
    // Keys already listed or looked up are passed over, a few per step.
    for (int passed = 0; current_.isEmpty(); ++passed) {
        if (scanned_ >= upcoming_.size()) {
            return false;
        }
        if (passed == 16) {
            return true;
        }
        const QString& path = upcoming_.at(scanned_++);
        const QString key = ImageKey(path, false);
        if (list_.icons32.Find(key) == 0 && !ahead_.contains(key)) {
            ahead_.insert(key, LookedUp{path, {}, {}, {}, 0});
            current_ = key;
        }
    }
    LookedUp& next = ahead_[current_];
    switch (next.done++) {
        case 0:
            next.large = icons_.QueryFileIcon(next.path, 2);
            break;
        case 1:
            next.tag = icons_.QueryFileTypeName(next.path);
            break;
        default:
            next.small = icons_.QueryFileIcon(next.path, 1);
            current_.clear();
            break;
    }
    return true;
}

bool DesktopItemCollector::AddDesktopItem(const QString& path, bool isFolder) {
    const QString key = ImageKey(path, isFolder);
    int number = list_.icons32.Find(key);
    if (number == 0) {
        // What was looked up ahead for this very entry is used; what is
        // missing is looked up now, in the same order.
        LookedUp ahead = ahead_.take(key);
        if (ahead.path != path) {
            ahead = LookedUp{path, {}, {}, {}, 0};
        }
        if (key == current_) {
            current_.clear();
        }
        if (!list_.icons32.Add(key, ahead.done > 0 ? ahead.large : icons_.QueryFileIcon(path, 2))) {
            return false;
        }
        pause_.LetEventsRun();
        number = list_.icons32.Count();
        list_.icons32.SetTag(number, ahead.done > 1 ? ahead.tag : icons_.QueryFileTypeName(path));
        if (!list_.icons16.Add(key, ahead.done > 2 ? ahead.small : icons_.QueryFileIcon(path, 1))) {
            // Without its small twin the large image would shift every later
            // image number between the two lists.
            list_.icons32.RemoveLast();
            return false;
        }
        pause_.LetEventsRun();
    }
    list_.hasLargeImageList = true;
    list_.hasSmallImageList = true;
    list_.rows.push_back(ItemRow{ItemName(path), number, number, list_.icons32.At(number).tag,
                                 QFileInfo(path).path()});
    return true;
}

}  // namespace tilebay
