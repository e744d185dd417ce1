#pragma once

// Collecting the entries of a desktop folder into the panel's item list.
//
// The list is a plain model: rows (name, image number, type text) and two
// image lists (32 and 16 pixels) whose images are shared by key, so the icon
// and type text of a kind of entry are looked up once. The panel's list view
// and image lists show this model.

#include <QHash>
#include <QPixmap>
#include <QString>

#include <chrono>
#include <functional>
#include <vector>

#include "tilebay/panel/items/file_icons.h"

namespace tilebay {

struct ItemImage {
    QString key;
    QPixmap picture;
    QString tag;  // the type text, kept with the large image only
};

// Images numbered from 1 in the order added; keys are unique.
class ImageList {
public:
    // The number of the image with `key`; 0 when there is none.
    int Find(const QString& key) const;
    // Adds an image; false, adding nothing, for a null picture or a key that
    // is there already.
    bool Add(const QString& key, const QPixmap& picture);
    void RemoveLast();
    void SetTag(int number, const QString& tag);
    const ItemImage& At(int number) const;
    int Count() const { return static_cast<int>(images_.size()); }

private:
    std::vector<ItemImage> images_;
    QHash<QString, int> numbers_;
};

struct ItemRow {
    QString text;  // the entry's name
    int largeImage = 0;
    int smallImage = 0;
    QString typeText;
    // The folder the entry was collected from: a double-click starts the
    // entry there and nowhere else.
    QString folder;
};

struct DesktopItemList {
    bool visible = true;  // false while a folder is collected
    ImageList icons32;
    ImageList icons16;
    // Set on the first entry, once its images exist: the view then shows the
    // image lists with the rows.
    bool hasLargeImageList = false;
    bool hasSmallImageList = false;
    std::vector<ItemRow> rows;
};

// Lets pending window events run and then pauses; called twice for each new
// image key. The real one processes events and sleeps 25 ms.
class EventPause {
public:
    virtual ~EventPause() = default;
    virtual void LetEventsRun() = 0;
    // Work that may fill a pause: each call does one short step and answers
    // false once nothing is left. A pause that runs steps ends no later for
    // them (beyond the overrun of the last one); an empty function, none.
    void SetMeanwhile(std::function<bool()> step) { meanwhile_ = std::move(step); }

protected:
    std::function<bool()> meanwhile_;
};

// Each pause waits 25 ms from its start; a sleep that the system ends late
// (timer slack, a busy machine: often most of a millisecond) is paid back
// by the next pause, so that the pauses of a load add up to 25 ms each and
// not to 25 ms plus the lateness of every wake-up. No pause is shortened by
// the work done between pauses; work handed to it (SetMeanwhile) runs inside
// a pause while at least a few milliseconds of it are left.
class ProcessEventsPause : public EventPause {
public:
    void LetEventsRun() override;

private:
    std::chrono::nanoseconds late_{0};  // the last sleep's overrun, still owed
};

// The key under which an entry's images are shared: "DIR" for every folder;
// the whole path in upper case for files with an image of their own
// (extensions LNK, EXE, ICO, DLL, OCX and DESKTOP); otherwise the upper-cased
// extension. The extension is the text after the last "." anywhere in the
// path, so a dot in a folder name counts when the file name has none.
// Entries whose extension would tell a lie have keys of their own, which
// begin with a NUL character: all programs without an extension share one,
// a symbolic link has the key of its target's kind behind a link prefix, and
// all dangling links share one.
QString ImageKey(const QString& path, bool isFolder);

// The last component of `path`.
QString ItemName(const QString& path);

class DesktopItemCollector {
public:
    // `stopped`, when given, is asked after each entry: true ends the
    // collection there (the program is ending).
    DesktopItemCollector(DesktopItemList& list, FileIconSource& icons, EventPause& pause,
                         std::function<bool()> stopped = nullptr);

    // Adds the entries of `folder`: its subfolders first, then its files, each
    // in the order the file system lists them. Hidden entries (names starting
    // with ".") are left out. The list is hidden meanwhile. The first entry
    // that cannot be added ends the collection of this folder; the rows added
    // so far stay. An empty path names no folder and adds nothing.
    void CollectFolder(const QString& folder);

    // Adds one row, with new images when its key is new. False when no icon
    // could be had for a new key; the two image lists stay in step.
    bool AddDesktopItem(const QString& path, bool isFolder);

private:
    // The images and type text of a new key, looked up ahead during the
    // pauses for the first upcoming entry with that key.
    struct LookedUp {
        QString path;
        QPixmap large;
        QString tag;
        QPixmap small;
        int done = 0;  // how many of the three are there
    };
    // One step of looking ahead in the upcoming files: the next of the three
    // look-ups of the next new key. False when nothing is left.
    bool LookAhead();

    DesktopItemList& list_;
    FileIconSource& icons_;
    EventPause& pause_;
    std::function<bool()> stopped_;
    QStringList upcoming_;   // the files still to be added, in order
    qsizetype scanned_ = 0;  // how far look-ahead has gone in upcoming_
    QHash<QString, LookedUp> ahead_;
    QString current_;  // the key being looked up ahead
};

}  // namespace tilebay
