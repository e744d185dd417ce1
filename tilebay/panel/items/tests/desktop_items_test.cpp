#include "tilebay/panel/items/desktop_items.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <dirent.h>
#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "tilebay/panel/items/testing/desktop_items_fakes.h"

namespace {

using namespace tilebay;

// Gives every existing path a small pixmap and the type text "<name> type",
// except the paths listed as failing; records every query.
class FakeIcons : public FileIconSource {
public:
    explicit FakeIcons(const DesktopItemList& list) : list_(list) {}
    QPixmap QueryFileIcon(const QString& path, qint16 size) override {
        queries.append(ItemName(path) + (size == 2 ? S(":32") : S(":16")));
        hiddenDuringQueries = hiddenDuringQueries && !list_.visible;
        if (failLarge.contains(ItemName(path)) && size == 2) {
            return {};
        }
        if (failSmall.contains(ItemName(path)) && size != 2) {
            return {};
        }
        QPixmap pixmap(size == 2 ? 32 : 16, size == 2 ? 32 : 16);
        pixmap.fill(Qt::red);
        return pixmap;
    }
    QString QueryFileTypeName(const QString& path) override { return ItemName(path) + S(" type"); }
    QStringList queries;
    QSet<QString> failLarge;
    QSet<QString> failSmall;
    bool hiddenDuringQueries = true;

private:
    const DesktopItemList& list_;
};

using tilebay::testing::CountingPause;

// The names of `folder` in the order readdir returns them, without "." names.
QStringList ReaddirOrder(const QString& folder) {
    QStringList names;
    DIR* d = opendir(QFile::encodeName(folder).constData());
    if (d == nullptr) {
        return names;
    }
    while (dirent* e = readdir(d)) {
        const QString name = QFile::decodeName(e->d_name);
        if (!name.startsWith(u'.')) {
            names.append(name);
        }
    }
    closedir(d);
    return names;
}

class DesktopItemsTest : public ::testing::Test {
protected:
    QString Make(const QString& relative, bool folder = false) {
        const QString path = dir.filePath(relative);
        QDir().mkpath(folder ? path : QFileInfo(path).path());
        if (!folder) {
            QFile file(path);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        }
        return path;
    }
    QStringList RowTexts() const {
        QStringList texts;
        for (const ItemRow& row : list.rows) {
            texts.append(row.text);
        }
        return texts;
    }
    QTemporaryDir dir;
    DesktopItemList list;
    FakeIcons icons{list};
    CountingPause pause;
    DesktopItemCollector collector{list, icons, pause};
};

TEST(ImageKey, ClassifiesFoldersOwnImageFilesAndExtensions) {
    EXPECT_EQ(ImageKey(S("/d/data.old"), true), S("DIR"));
    EXPECT_EQ(ImageKey(S("/d/Photo.JPG"), false), S("JPG"));
    EXPECT_EQ(ImageKey(S("/d/photo.jpg"), false), S("JPG"));
    EXPECT_EQ(ImageKey(S("/d/archive.tar.gz"), false), S("GZ"));
    EXPECT_EQ(ImageKey(S("/d/run.exe"), false), S("/D/RUN.EXE"));
    EXPECT_EQ(ImageKey(S("/d/Word.Lnk"), false), S("/D/WORD.LNK"));
    EXPECT_EQ(ImageKey(S("/d/Editor.desktop"), false), S("/D/EDITOR.DESKTOP"));
    for (const char* own : {"a.ico", "a.dll", "a.ocx"}) {
        EXPECT_EQ(ImageKey(S("/d/") + S(own), false), (S("/d/") + S(own)).toUpper());
    }
    EXPECT_EQ(ImageKey(S("/d/README"), false), QString());
    EXPECT_EQ(ImageKey(S("/d/trailing."), false), QString());
    // The dot of a folder name counts when the file name has none.
    EXPECT_EQ(ImageKey(S("/home/john.smith/Desktop/README"), false), S("SMITH/DESKTOP/README"));
    EXPECT_EQ(ItemName(S("/home/u/Desktop/data.old")), S("data.old"));
}

TEST_F(DesktopItemsTest, FoldersFirstThenFilesInFileSystemOrderWithSharedImages) {
    for (const char* f : {"Projects", "Alpha", "zeta.d", ".hiddendir"}) {
        Make(S(f), true);
    }
    for (const char* f : {"b.txt", "run.exe", "a.txt", "Notes.TXT", ".hidden", "README"}) {
        Make(S(f));
    }
    collector.CollectFolder(dir.path());

    QStringList folders;
    QStringList files;
    for (const QString& name : ReaddirOrder(dir.path())) {
        (QFileInfo(dir.filePath(name)).isDir() ? folders : files).append(name);
    }
    ASSERT_EQ(folders.size(), 3);
    ASSERT_EQ(files.size(), 5);
    EXPECT_EQ(RowTexts(), folders + files);

    // Keys: DIR, TXT, the path of run.exe, and the empty key of README.
    ASSERT_EQ(list.icons32.Count(), 4);
    ASSERT_EQ(list.icons16.Count(), 4);
    for (int n = 1; n <= 4; ++n) {
        EXPECT_EQ(list.icons32.At(n).key, list.icons16.At(n).key);
        EXPECT_EQ(list.icons32.At(n).picture.width(), 32);
        EXPECT_EQ(list.icons16.At(n).picture.width(), 16);
    }
    EXPECT_EQ(pause.count, 2 * 4);
    EXPECT_EQ(icons.queries.size(), 2 * 4);  // one query pair per key, none per entry
    EXPECT_TRUE(icons.hiddenDuringQueries);
    EXPECT_TRUE(list.visible);
    EXPECT_TRUE(list.hasLargeImageList && list.hasSmallImageList);

    std::map<QString, const ItemRow*> byName;
    for (const ItemRow& row : list.rows) {
        byName[row.text] = &row;
        EXPECT_EQ(row.largeImage, row.smallImage);
        EXPECT_EQ(row.typeText, list.icons32.At(row.largeImage).tag);
    }
    EXPECT_EQ(byName[S("a.txt")]->largeImage, byName[S("b.txt")]->largeImage);
    EXPECT_EQ(byName[S("a.txt")]->largeImage, byName[S("Notes.TXT")]->largeImage);
    EXPECT_EQ(list.icons32.At(byName[S("a.txt")]->largeImage).key, S("TXT"));
    const int firstTxt = list.icons32.Find(S("TXT"));
    EXPECT_EQ(byName[S("b.txt")]->typeText, list.icons32.At(firstTxt).tag);
    EXPECT_EQ(list.icons32.At(byName[S("run.exe")]->largeImage).key,
              dir.filePath(S("run.exe")).toUpper());
    EXPECT_EQ(list.icons32.At(byName[S("Projects")]->largeImage).key, S("DIR"));
    EXPECT_EQ(list.icons32.At(byName[S("README")]->largeImage).key, QString());
}

TEST_F(DesktopItemsTest, TheSameShortcutOnBothDesktopsGivesTwoRowsAndTwoImages) {
    const QString all = Make(S("all"), true);
    const QString user = Make(S("user"), true);
    Make(S("all/Editor.desktop"));
    Make(S("user/Editor.desktop"));
    Make(S("all/x.txt"));
    Make(S("user/y.txt"));
    collector.CollectFolder(all);
    collector.CollectFolder(user + u'/');
    ASSERT_EQ(list.rows.size(), 4u);
    EXPECT_EQ(RowTexts().count(S("Editor.desktop")), 2);
    QSet<int> launcherImages;
    QSet<int> textImages;
    for (const ItemRow& row : list.rows) {
        (row.text.endsWith(S(".txt")) ? textImages : launcherImages).insert(row.largeImage);
    }
    EXPECT_EQ(launcherImages.size(), 2);
    EXPECT_EQ(textImages.size(), 1);
    EXPECT_EQ(list.icons32.Count(), 3);
}

TEST_F(DesktopItemsTest, AFailureEndsTheFolderKeepsRowsAndKeepsTheImageListsInStep) {
    const QString first = Make(S("first"), true);
    Make(S("first/only.txt"));
    const QString broken = Make(S("broken"), true);
    Make(S("broken/a.ok"));
    Make(S("broken/b.nolarge"));
    Make(S("broken/c.nosmall"));
    Make(S("broken/d.txt"));
    icons.failLarge.insert(S("b.nolarge"));
    icons.failSmall.insert(S("c.nosmall"));

    collector.CollectFolder(first);
    ASSERT_EQ(list.rows.size(), 1u);
    collector.CollectFolder(broken);
    EXPECT_TRUE(list.visible);
    // Rows before the failing entry stay; d.txt comes after it only when the
    // file system lists it after the first failing entry.
    const QStringList order = ReaddirOrder(broken);
    QStringList expected{S("only.txt")};
    for (const QString& name : order) {
        if (name == S("b.nolarge") || name == S("c.nosmall")) {
            break;
        }
        expected.append(name);
    }
    EXPECT_EQ(RowTexts(), expected);
    EXPECT_EQ(list.icons32.Count(), list.icons16.Count());
    for (int n = 1; n <= list.icons32.Count(); ++n) {
        EXPECT_EQ(list.icons32.At(n).key, list.icons16.At(n).key);
    }
    // The next folder still collects, and an entry whose key exists needs no
    // icon query, so a failing icon does not matter for it.
    const QString next = Make(S("next"), true);
    Make(S("next/also.txt"));
    icons.failLarge.insert(S("also.txt"));
    collector.CollectFolder(next);
    EXPECT_TRUE(RowTexts().contains(S("also.txt")));
}

// The real pause sleeps 25 ms each time; a late wake-up is paid back by the
// next pause, so many pauses take their 25 ms each and never much less.
// Work handed to the pause runs inside it and does not shorten it.
TEST(ProcessEventsPauseTest, PausesAddUpToTwentyFiveMillisecondsEach) {
    ProcessEventsPause pause;
    int steps = 0;
    pause.SetMeanwhile([&steps] { return ++steps < 1000; });
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 40; ++i) {
        pause.LetEventsRun();
    }
    EXPECT_GE(clock.elapsed(), 39 * 25);
    EXPECT_GE(steps, 1000);
}

// Runs a given number of the look-ahead steps in each pause.
class LookAheadPause : public EventPause {
public:
    explicit LookAheadPause(int steps) : steps_(steps) {}
    void LetEventsRun() override {
        for (int i = 0; i < steps_ && meanwhile_ && meanwhile_();) {
            ++i;
        }
    }

private:
    int steps_;
};

// However much is looked up ahead during the pauses, the rows, images and
// type texts are those of a collection without it, every key's images are
// those of its first entry, and no key is looked up twice.
TEST_F(DesktopItemsTest, LookingAheadInThePausesChangesNoRowOrImage) {
    for (const char* f : {"a.txt", "b.txt", "run.exe", "c.dat", "d.dat", "tool.exe", "e.txt",
                          "notes", "z.bad", "after.png"}) {
        Make(S(f));
    }
    const auto collect = [this](int steps, QStringList& queries) {
        DesktopItemList result;
        FakeIcons source(result);
        source.failSmall.insert(S("z.bad"));
        LookAheadPause ahead(steps);
        DesktopItemCollector(result, source, ahead).CollectFolder(dir.path());
        queries = source.queries;
        QStringList seen;
        for (const ItemRow& row : result.rows) {
            seen << row.text + S("|") + result.icons32.At(row.largeImage).key + S("|") +
                        row.typeText;
        }
        return seen;
    };
    QStringList plainQueries;
    const QStringList plain = collect(0, plainQueries);
    ASSERT_FALSE(plain.isEmpty());
    for (const int steps : {1, 2, 5, 1000}) {
        SCOPED_TRACE(steps);
        QStringList queries;
        EXPECT_EQ(collect(steps, queries), plain);
        // Looked up ahead, an entry after the failing one may have been
        // asked for too; each query is made once, and all of those made
        // without looking ahead are among them.
        EXPECT_EQ(queries.removeDuplicates(), 0);
        for (const QString& query : plainQueries) {
            EXPECT_TRUE(queries.contains(query)) << query.toStdString();
        }
    }
}

TEST_F(DesktopItemsTest, MissingOrUnnamedFolderListsNothing) {
    collector.CollectFolder(dir.filePath(S("nope")));
    collector.CollectFolder(QString());
    EXPECT_TRUE(list.rows.empty());
    EXPECT_TRUE(list.visible);
    EXPECT_FALSE(list.hasLargeImageList);
    EXPECT_EQ(pause.count, 0);
}

TEST_F(DesktopItemsTest, ALinkIsAnEntryEvenWhenItsTargetIsGone) {
    Make(S("d"), true);
    ASSERT_TRUE(QFile::link(dir.filePath(S("gone")), dir.filePath(S("d/dangling"))));
    ASSERT_TRUE(QFile::link(dir.filePath(S("d")), dir.filePath(S("d/to-folder"))));
    ASSERT_TRUE(QFile::link(S("loop"), dir.filePath(S("d/loop"))));  // ln -s loop loop
    collector.CollectFolder(dir.filePath(S("d")));
    EXPECT_EQ(RowTexts().mid(0, 1), QStringList{S("to-folder")});
    EXPECT_EQ(RowTexts().mid(1).size(), 2);  // "dangling" and "loop": both broken links
    EXPECT_EQ(list.rows[1].largeImage, list.rows[2].largeImage);
    // A link to a folder is listed with the folders, under the key of a link
    // to a folder (the folder icon with the link emblem).
    const QChar nul(u'\0');
    EXPECT_EQ(list.icons32.At(list.rows[0].largeImage).key, nul + S("LINK") + nul + S("DIR"));
    EXPECT_EQ(list.icons32.At(list.rows[1].largeImage).key, nul + S("BROKEN-LINK"));
}

}  // namespace
