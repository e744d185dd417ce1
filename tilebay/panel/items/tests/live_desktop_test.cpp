#include "tilebay/panel/items/live_desktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"
#include "tilebay/panel/items/file_icons.h"
#include "tilebay/platform/system/testing/fake_system.h"

namespace {

using namespace tilebay;
using tilebay::testing::FakeFolderWatcher;

ItemRow Row(const QString& text, int image = 1) {
    return ItemRow{text, image, image, S("type ") + QString::number(image), S("/desk")};
}

std::vector<ItemRow> Rows(const QString& letters) {
    std::vector<ItemRow> rows;
    for (const QChar c : letters) {
        rows.push_back(Row(QString(c), c.isUpper() ? 2 : 1));
    }
    return rows;
}

TEST(DiffRowsTest, ChangesTurnTheOldRowsIntoTheNewOnesTouchingOnlyWhatDiffers) {
    struct Case {
        const char* before;
        const char* after;
        std::size_t removed;
        std::size_t inserted;
    };
    const Case cases[] = {
        {"abcd", "abcd", 0, 0},          // nothing changed
        {"abcd", "abxcd", 0, 1},         // created
        {"abcd", "acd", 1, 0},           // deleted
        {"abcdefgh", "abcefghX", 1, 1},  // renamed: went here, came there
        {"", "abc", 0, 3},
        {"abc", "", 3, 0},
        {"aAbB", "abAB", 2, 2},  // order changed: the middle replaced
        {"abc", "abC", 1, 1},    // a row that changed kind in place
        {"aab", "aaab", 0, 1},   // equal rows
        {"abab", "baba", 4, 4},
    };
    for (const Case& c : cases) {
        const std::vector<ItemRow> before = Rows(S(c.before));
        const std::vector<ItemRow> after = Rows(S(c.after));
        const RowChanges changes = DiffRows(before, after);
        std::vector<ItemRow> rows = before;
        ApplyRowChanges(rows, after, changes);
        EXPECT_TRUE(rows == after) << c.before << " -> " << c.after;
        EXPECT_EQ(changes.removed.size(), c.removed) << c.before << " -> " << c.after;
        EXPECT_EQ(changes.inserted.size(), c.inserted) << c.before << " -> " << c.after;
        EXPECT_TRUE(std::is_sorted(changes.removed.rbegin(), changes.removed.rend()));
        EXPECT_TRUE(std::is_sorted(changes.inserted.begin(), changes.inserted.end()));
    }
    // Any two lists: applying the changes gives the new list.
    std::mt19937 random(7);
    for (int round = 0; round < 300; ++round) {
        const auto make = [&] {
            QString letters;
            const int n = static_cast<int>(random() % 12);
            for (int i = 0; i < n; ++i) {
                letters.append(QChar(u"abcABC"[random() % 6]));
            }
            return Rows(letters);
        };
        const std::vector<ItemRow> before = make();
        const std::vector<ItemRow> after = make();
        std::vector<ItemRow> rows = before;
        ApplyRowChanges(rows, after, DiffRows(before, after));
        ASSERT_TRUE(rows == after) << round;
    }
}

// Live refresh over real folders with the real icon source and a watcher
// driven by the test, then with the real inotify watcher.
class LiveDesktopTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir(dir.path()).mkpath(S("all")));
        ASSERT_TRUE(QDir(dir.path()).mkpath(S("user")));
        all = dir.filePath(S("all"));
        user = dir.filePath(S("user"));
    }
    QStringList Texts() const {
        QStringList texts;
        for (const ItemRow& row : list.rows) {
            texts.append(row.text);
        }
        return texts;
    }
    template <typename Watcher>
    Watcher& Load(std::unique_ptr<Watcher> owned) {
        Watcher& watcher = *owned;
        DesktopItemCollector collector(list, icons, pause);
        collector.CollectFolder(all);
        collector.CollectFolder(user);
        live = std::make_unique<LiveDesktop>(list, icons, std::move(owned),
                                             [this](const RowChanges& c) {
                                                 ApplyRowChanges(shown, list.rows, c);
                                                 ++reports;
                                             });
        shown = list.rows;
        return watcher;
    }
    struct NoPause : EventPause {
        void LetEventsRun() override {}
    };

    QTemporaryDir dir;
    QString all;
    QString user;
    DesktopItemList list;
    ThemeFileIconSource icons;
    NoPause pause;
    std::unique_ptr<LiveDesktop> live;
    std::vector<ItemRow> shown;  // what a view shows after the reported changes
    int reports = 0;
};

TEST_F(LiveDesktopTest, ChangesAreCoalescedImagesKeptAndAFailedWatchFallsBackToTheReveal) {
    WriteTestFile(QDir(all), S("shared.txt"), "x");
    WriteTestFile(QDir(user), S("mine.txt"), "x");
    FakeFolderWatcher& watcher = Load(std::make_unique<FakeFolderWatcher>());
    ASSERT_TRUE(live->Start({all, user}));
    EXPECT_EQ(watcher.watched, (QStringList{all, user}));
    const int images = list.icons32.Count();

    // A burst of changes: one collection, one report.
    QDir(user).mkdir(S("Projects"));
    WriteTestFile(QDir(user), S("more.txt"), "x");
    QFile::rename(all + S("/shared.txt"), all + S("/renamed.txt"));
    for (int i = 0; i < 5; ++i) {
        watcher.Fire(i % 2 == 0 ? user : all);
    }
    EXPECT_TRUE(pwtest::waitFor([&] { return reports == 1; }));
    ASSERT_EQ(Texts().size(), 4);
    EXPECT_EQ(Texts().mid(0, 2), (QStringList{S("renamed.txt"), S("Projects")}))
        << "all users first; folders first within the user's desktop";
    EXPECT_TRUE(shown == list.rows);
    EXPECT_EQ(list.icons32.Count(), images + 1) << "only the folder's image is new";
    EXPECT_EQ(list.icons16.Count(), list.icons32.Count());

    // Revealing changes nothing while the watches hold.
    QFile::remove(user + S("/mine.txt"));
    live->PanelRevealed();
    EXPECT_TRUE(Texts().contains(S("mine.txt")));

    // A lost watch that cannot be set again: the reveal collects.
    watcher.refused = QStringList{user};
    watcher.Fire(user, true);
    EXPECT_TRUE(pwtest::waitFor([&] { return reports == 2; }));
    EXPECT_FALSE(live->Watching());
    EXPECT_FALSE(Texts().contains(S("mine.txt")));
    WriteTestFile(QDir(user), S("late.txt"), "x");
    live->PanelRevealed();
    EXPECT_EQ(reports, 3);
    EXPECT_TRUE(Texts().contains(S("late.txt")));
    EXPECT_TRUE(shown == list.rows);
    watcher.refused.clear();
    live->PanelRevealed();  // the watch is back: no more collections on reveal
    EXPECT_TRUE(live->Watching());
    WriteTestFile(QDir(user), S("unseen.txt"), "x");
    live->PanelRevealed();
    EXPECT_FALSE(Texts().contains(S("unseen.txt")));
}

TEST_F(LiveDesktopTest, InotifySeesCreationDeletionRenameAndKindChanges) {
    WriteTestFile(QDir(user), S("tool"), "#!/bin/sh\n");
    Load(std::make_unique<InotifyFolderWatcher>());
    ASSERT_TRUE(live->Start({all, user}));
    const auto typeOf = [&](const QString& text) {
        for (const ItemRow& row : list.rows) {
            if (row.text == text) {
                return row.typeText;
            }
        }
        return S("<none>");
    };
    EXPECT_NE(typeOf(S("tool")), S("program"));

    WriteTestFile(QDir(all), S("new.txt"), "x");
    EXPECT_TRUE(pwtest::waitFor([&] { return Texts().contains(S("new.txt")); }));
    ASSERT_TRUE(QFile::rename(all + S("/new.txt"), user + S("/moved.txt")));
    EXPECT_TRUE(pwtest::waitFor(
        [&] { return Texts().contains(S("moved.txt")) && !Texts().contains(S("new.txt")); }));
    ASSERT_TRUE(QFile::setPermissions(user + S("/tool"), QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_TRUE(pwtest::waitFor([&] { return typeOf(S("tool")) == S("program"); }));
    ASSERT_TRUE(QFile::link(user + S("/tool"), all + S("/tool-link")));
    EXPECT_TRUE(pwtest::waitFor([&] { return typeOf(S("tool-link")) == S("program (link)"); }));
    ASSERT_TRUE(QFile::remove(user + S("/moved.txt")));
    EXPECT_TRUE(pwtest::waitFor([&] { return !Texts().contains(S("moved.txt")); }));
    EXPECT_TRUE(shown == list.rows);

    // The folder itself removed: the watch is lost and the reveal takes over.
    ASSERT_TRUE(QDir(user).removeRecursively());
    EXPECT_TRUE(pwtest::waitFor([&] { return !live->Watching(); }));
    EXPECT_TRUE(pwtest::waitFor([&] { return !Texts().contains(S("tool")); }));
    ASSERT_TRUE(QDir().mkpath(user));
    WriteTestFile(QDir(user), S("back.txt"), "x");
    live->PanelRevealed();
    EXPECT_TRUE(Texts().contains(S("back.txt")));
    EXPECT_TRUE(live->Watching());
    EXPECT_TRUE(shown == list.rows);
}

}  // namespace
