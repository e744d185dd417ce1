// The panel's input without a window: the list at the keyboard, the
// readable "Close", the context menu's actions, drops onto the panel.

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "tilebay/panel/core/item_actions.h"
#include "tilebay/panel/core/list_keyboard.h"
#include "tilebay/panel/core/panel_logic.h"
#include "tilebay/platform/shell/testing/shell_fakes.h"

namespace {

using namespace tilebay;

QByteArray ReadTestFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

TEST(ListKeyboardTest, KeysMoveTheSelectionFilterAndAskForActions) {
    ListKeyboard keys;
    keys.SetRows({S("Alpha"), S("beta.txt"), S("Gamma"), S("Alphabet"), S("delta")});
    EXPECT_EQ(keys.Selected(), std::optional<int>(0));  // the first row to start with
    struct Step {
        const char* typed;  // text typed, or nullptr for `key`
        ListKey key;
        KeyOutcome outcome;
        std::optional<int> selected;
        const char* filter;
    };
    const Step steps[] = {
        {nullptr, ListKey::Up, KeyOutcome::Ignored, 0, ""},  // at the top already
        {nullptr, ListKey::Down, KeyOutcome::SelectionMoved, 1, ""},
        {nullptr, ListKey::End, KeyOutcome::SelectionMoved, 4, ""},
        {nullptr, ListKey::Down, KeyOutcome::Ignored, 4, ""},
        {nullptr, ListKey::PageUp, KeyOutcome::SelectionMoved, 2, ""},  // pages of 2
        {nullptr, ListKey::Home, KeyOutcome::SelectionMoved, 0, ""},
        {nullptr, ListKey::PageDown, KeyOutcome::SelectionMoved, 2, ""},
        // Typing filters by name, case ignored, anywhere in the name; the
        // selection goes to the first shown row when its row is hidden.
        {"A", ListKey::Up, KeyOutcome::FilterChanged, 2, "A"},
        {"LP", ListKey::Up, KeyOutcome::FilterChanged, 0, "ALP"},
        {nullptr, ListKey::Down, KeyOutcome::SelectionMoved, 3, "ALP"},  // skips hidden rows
        {nullptr, ListKey::Down, KeyOutcome::Ignored, 3, "ALP"},
        {"\x7f\t", ListKey::Up, KeyOutcome::Ignored, 3, "ALP"},  // control characters
        {nullptr, ListKey::Backspace, KeyOutcome::FilterChanged, 3, "AL"},
        {"z", ListKey::Up, KeyOutcome::FilterChanged, std::nullopt, "ALz"},  // nothing matches
        {nullptr, ListKey::Enter, KeyOutcome::Ignored, std::nullopt, "ALz"},
        {nullptr, ListKey::Menu, KeyOutcome::Ignored, std::nullopt, "ALz"},
        {nullptr, ListKey::Down, KeyOutcome::Ignored, std::nullopt, "ALz"},
        // Escape clears the filter first and then asks to retract.
        {nullptr, ListKey::Escape, KeyOutcome::FilterChanged, 0, ""},
        {nullptr, ListKey::Backspace, KeyOutcome::Ignored, 0, ""},
        {"ETA.", ListKey::Up, KeyOutcome::FilterChanged, 1, "ETA."},
        {nullptr, ListKey::Enter, KeyOutcome::Activate, 1, "ETA."},
        {nullptr, ListKey::Menu, KeyOutcome::OpenMenu, 1, "ETA."},
        {nullptr, ListKey::Escape, KeyOutcome::FilterChanged, 1, ""},
        {nullptr, ListKey::Escape, KeyOutcome::Retract, 1, ""},
    };
    int number = 0;
    for (const Step& step : steps) {
        const KeyOutcome outcome = step.typed != nullptr ? keys.Type(QString::fromUtf8(step.typed))
                                                         : keys.Press(step.key, 2);
        EXPECT_EQ(outcome, step.outcome) << "step " << number;
        EXPECT_EQ(keys.Selected(), step.selected) << "step " << number;
        EXPECT_EQ(keys.Filter(), S(step.filter)) << "step " << number;
        ++number;
    }
    EXPECT_EQ(CaptionWithFilter(S("Ocean - Tilebay"), keys.Filter()), S("Ocean - Tilebay"));
    EXPECT_EQ(CaptionWithFilter(S("Ocean - Tilebay"), S("ab")), S("Find: ab"));

    // New rows keep the filter; a mouse selection of a hidden row is none.
    keys.Type(S("gam"));
    EXPECT_EQ(keys.Selected(), std::optional<int>(2));  // "Gamma"
    keys.SetRows({S("x"), S("Gamut"), S("gamma")});
    EXPECT_EQ(keys.Selected(), std::optional<int>(2));  // still shown: kept
    keys.SetRows({S("x"), S("Gamut")});
    EXPECT_EQ(keys.Selected(), std::optional<int>(1));  // gone: the first shown row
    EXPECT_FALSE(keys.Shown(0));
    keys.Select(0);
    EXPECT_EQ(keys.Selected(), std::nullopt);
    keys.ClearFilter();
    EXPECT_TRUE(keys.Shown(0));
}

TEST(ReadableTextColourTest, KeepsAReadableColourElseTakesBlackOrWhite) {
    const QColor face(240, 240, 240);  // the design button face
    struct Case {
        QColor text;
        QColor face;
        QColor drawn;
    };
    const Case cases[] = {
        {QColor(255, 255, 255), face, QColor(0, 0, 0)},  // the shipped styles' white
        {QColor(250, 250, 200), face, QColor(0, 0, 0)},  // near white
        {QColor(0, 0, 128), face, QColor(0, 0, 128)},    // readable: kept
        {QColor(118, 118, 118), QColor(255, 255, 255), QColor(118, 118, 118)},  // 4.5:1
        {QColor(160, 160, 160), QColor(255, 255, 255), QColor(0, 0, 0)},        // 2.5:1
        {QColor(40, 40, 40), QColor(30, 30, 60), QColor(255, 255, 255)},        // dark face
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ReadableTextColour(c.text, c.face), c.drawn) << c.text.name().toStdString();
        EXPECT_GE(ContrastRatio(ReadableTextColour(c.text, c.face), c.face), 3.0);
    }
    EXPECT_NEAR(ContrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(Qt::white, Qt::black), 21.0, 1e-9);
}

using tilebay::testing::RecordingDesktopActions;

TEST(ItemActionsTest, TheMenuActsOnTheRowsOwnPathOnly) {
    QTemporaryDir dir;
    const QString desk = dir.filePath(S("My Desk"));
    ASSERT_TRUE(QDir().mkpath(desk));
    ASSERT_FALSE(WriteTestFile(QDir(desk), S("a b;$(x).txt"), "x").isEmpty());
    std::vector<QString> texts;
    for (const ItemActionEntry& entry : ItemActionMenu()) {
        texts.push_back(entry.text);
    }
    EXPECT_EQ(texts, (std::vector<QString>{S("Open"), S("Open Containing Folder"), S("Copy"),
                                           S("Move to Trash")}));
    RecordingDesktopActions desktop;
    const RowEntry row{S("a b;$(x).txt"), desk};
    const QString url = QUrl::fromLocalFile(desk + S("/a b;$(x).txt")).toString();
    // Only the trash takes the item from its folder.
    for (const auto& [action, change] :
         {std::pair{ItemAction::Open, ItemChange::Nothing},
          std::pair{ItemAction::OpenContainingFolder, ItemChange::Nothing},
          std::pair{ItemAction::Copy, ItemChange::Nothing},
          std::pair{ItemAction::MoveToTrash, ItemChange::ItemGone}}) {
        EXPECT_EQ(RunItemAction(action, row, desktop), change);
    }
    EXPECT_EQ(desktop.calls,
              (QStringList{S("open ") + url, S("open ") + QUrl::fromLocalFile(desk).toString(),
                           S("copy ") + url, S("trash ") + desk + S("/a b;$(x).txt")}));
    // Gone, or a row that names no entry of its folder: nothing is done.
    desktop.calls.clear();
    for (const RowEntry& bad : {row, RowEntry{S(".."), desk}, RowEntry{S("../x"), desk},
                                RowEntry{S("x"), QString()}, RowEntry{QString(), desk}}) {
        EXPECT_EQ(RunItemAction(ItemAction::Open, bad, desktop), ItemChange::NotDone);
    }
    EXPECT_EQ(desktop.calls, QStringList{});

    // Launchers and programs open through the panel's own start, never the
    // desktop's opener; without that start they do not open at all.
    WriteTestFile(QDir(desk), S("run.desktop"), "[Desktop Entry]\n");
    const QString script = WriteTestFile(QDir(desk), S("run"), "#!/bin/sh\n");
    ASSERT_TRUE(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
    ASSERT_TRUE(QFile::link(script, desk + S("/run-link")));
    QStringList started;
    for (const char* name : {"run.desktop", "run", "run-link"}) {
        EXPECT_EQ(RunItemAction(ItemAction::Open, RowEntry{S(name), desk}, desktop,
                                [&](const RowEntry& item) { started.append(item.text); }),
                  ItemChange::Nothing);
        EXPECT_EQ(RunItemAction(ItemAction::Open, RowEntry{S(name), desk}, desktop),
                  ItemChange::NotDone);
    }
    EXPECT_EQ(started, (QStringList{S("run.desktop"), S("run"), S("run-link")}));
    EXPECT_EQ(desktop.calls, QStringList{});

    // The clipboard's text keeps one item a line: a line break in a name is
    // encoded as in the URL.
    const QUrl broken = QUrl::fromLocalFile(S("/d/two\nlines.txt"));
    EXPECT_EQ(ClipboardText(broken), S("file:///d/two%0Alines.txt"));
    EXPECT_EQ(ClipboardText(QUrl::fromLocalFile(S("/d/a b.txt"))), S("/d/a b.txt"));
}

TEST(DropTest, DropsAreCopiedOrMovedUnderFreeNamesNeverOverAnEntry) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(S("desk"));
    root.mkpath(S("from/folder/inner"));
    const QString desk = root.filePath(S("desk"));
    WriteTestFile(QDir(desk), S("report.pdf"), "old");
    WriteTestFile(QDir(desk), S("report (2).pdf"), "old 2");
    WriteTestFile(QDir(desk), S(".bashrc"), "old rc");
    WriteTestFile(QDir(root.filePath(S("from"))), S("report.pdf"), "new");
    WriteTestFile(QDir(root.filePath(S("from"))), S(".bashrc"), "rc");
    WriteTestFile(QDir(root.filePath(S("from"))), S("move me.txt"), "moved");
    WriteTestFile(QDir(root.filePath(S("from/folder/inner"))), S("deep.txt"), "deep");
    EXPECT_EQ(FreeName(desk, S("report.pdf")), S("report (3).pdf"));
    EXPECT_EQ(FreeName(desk, S(".bashrc")), S(".bashrc (2)"));
    EXPECT_EQ(FreeName(desk, S("new.tar.gz")), S("new.tar.gz"));

    const auto url = [&](const char* relative) {
        return QUrl::fromLocalFile(root.filePath(S(relative)));
    };
    const std::vector<DropResult> copied = DropIntoFolder(
        {url("from/report.pdf"), url("from/.bashrc"), url("from/folder"), url("desk/report.pdf"),
         QUrl(S("https://example.org/x")), url("from/missing")},
        desk, false);
    ASSERT_EQ(copied.size(), 6u);
    EXPECT_EQ(copied[0].target, desk + S("/report (3).pdf"));
    EXPECT_EQ(copied[1].target, desk + S("/.bashrc (2)"));
    EXPECT_EQ(copied[2].target, desk + S("/folder"));
    for (std::size_t i = 3; i < copied.size(); ++i) {
        EXPECT_TRUE(copied[i].target.isEmpty()) << i;  // its own folder, no file, gone
    }
    EXPECT_EQ(ReadTestFile(desk + S("/report.pdf")), QByteArray("old"));
    EXPECT_EQ(ReadTestFile(desk + S("/report (2).pdf")), QByteArray("old 2"));
    EXPECT_EQ(ReadTestFile(desk + S("/report (3).pdf")), QByteArray("new"));
    EXPECT_EQ(ReadTestFile(desk + S("/folder/inner/deep.txt")), QByteArray("deep"));
    EXPECT_TRUE(QFile::exists(root.filePath(S("from/report.pdf"))));  // a copy

    // A move takes the source away; a folder never goes into itself.
    const std::vector<DropResult> moved =
        DropIntoFolder({url("from/move me.txt"), url("desk")}, desk, true);
    EXPECT_EQ(moved[0].target, desk + S("/move me.txt"));
    EXPECT_TRUE(moved[1].target.isEmpty());
    EXPECT_FALSE(QFile::exists(root.filePath(S("from/move me.txt"))));
    EXPECT_EQ(ReadTestFile(desk + S("/move me.txt")), QByteArray("moved"));
}

// A FIFO (or a folder holding one) is left out at once and reported; "/."
// and "/.." name no entry; execute bits stay only on trusted sources.
TEST(DropTest, OnlyFilesFoldersAndLinksAreCopiedAndNothingWaits) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(S("desk"));
    root.mkpath(S("from/box"));
    const QString desk = root.filePath(S("desk"));
    const QString from = root.filePath(S("from"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(from + S("/pipe")).constData(), 0644), 0);
    ASSERT_EQ(::mkfifo(QFile::encodeName(from + S("/box/pipe")).constData(), 0644), 0);
    WriteTestFile(QDir(from + S("/box")), S("kept.txt"), "kept");
    QList<QUrl> urls;
    for (const char* name : {"pipe", "box", "mine", "open", ".", ".."}) {
        urls.append(QUrl::fromLocalFile(from + u'/' + S(name)));
    }
    for (const auto& [name, mode] : {std::pair{"mine", 0755}, std::pair{"open", 0777}}) {
        const QString path = WriteTestFile(QDir(from), S(name), "#!/bin/sh\n");
        ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), static_cast<mode_t>(mode)), 0);
    }
    QElapsedTimer clock;
    clock.start();
    const std::vector<DropResult> dropped = DropIntoFolder(urls, desk, false);
    EXPECT_LT(clock.elapsed(), 5000);
    ASSERT_EQ(dropped.size(), 6u);
    EXPECT_EQ(dropped[0].target, QString());
    EXPECT_EQ(dropped[0].skipped, QStringList{from + S("/pipe")});
    EXPECT_EQ(dropped[1].skipped, QStringList{from + S("/box/pipe")});
    EXPECT_EQ(QDir(desk + S("/box")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{S("kept.txt")});
    EXPECT_EQ(QFileInfo(desk + S("/mine")).permissions() & 0x1011, 0x1011) << "trusted";
    EXPECT_EQ(QFileInfo(desk + S("/open")).permissions() & 0x1011, 0) << "anyone may write";
    // "/." and "/.." add nothing.
    EXPECT_EQ(QDir(desk).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{S("box"), S("mine"), S("open")}));
}

}  // namespace
