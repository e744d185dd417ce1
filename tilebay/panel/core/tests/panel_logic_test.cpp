#include "tilebay/panel/core/panel_logic.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <map>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"
#include "tilebay/panel/items/testing/desktop_items_fakes.h"
#include "tilebay/platform/shell/testing/shell_fakes.h"
#include "tilebay/platform/system/testing/fake_system.h"

namespace {

using namespace tilebay;
using C = PanelControl;

const char* Name(C control) {
    static const char* names[] = {"Window",     "closebtn",    "loadstylesbtn", "Check1",
                                  "Check2",     "Check3",      "lvwIcons",      "titlecap",
                                  "borderleft", "borderright", "borderbottom"};
    return names[static_cast<int>(control)];
}

// Records every call as one line of text; the option boxes run the logic's
// click handler when their state changes, as the window's boxes do.
class FakeView : public PanelView {
public:
    void ShowSplash() override { Log(S("ShowSplash")); }
    void CloseSplash() override { Log(S("CloseSplash")); }
    void SetTextColour(C c, const QColor& colour) override {
        Log(S("Text ") + S(Name(c)) + u' ' + colour.name());
    }
    void SetBackColour(C c, const QColor& colour) override {
        back[c] = colour;
        Log(S("Back ") + S(Name(c)) + u' ' + colour.name());
    }
    QColor BackColour(C c) const override { return back.count(c) ? back.at(c) : QColor(); }
    void SetFontFace(C c, const QString& face) override {
        Log(S("Font ") + S(Name(c)) + u' ' + face);
    }
    void SetCaption(C c, const QString& text) override {
        Log(S("Caption ") + S(Name(c)) + u' ' + text);
    }
    void SetGeometry(C c, const QRectF& r) override {
        Log(S("Geometry %1 %2 %3 %4 %5")
                .arg(S(Name(c)))
                .arg(r.x())
                .arg(r.y())
                .arg(r.width())
                .arg(r.height()));
    }
    void MoveWindow(double left, double top) override { Log(S("Move %1 %2").arg(left).arg(top)); }
    std::optional<double> ScreenWidthTwips() const override { return 19200; }
    WId WindowId() override { return 0x600001; }
    void SetChecked(C box, bool checked) override {
        Log(S("Check ") + S(Name(box)));
        if (checked != checks[box]) {
            checks[box] = checked;
            logic->OnCheckClick(box);
        }
    }
    bool IsChecked(C box) const override { return checks.count(box) && checks.at(box); }
    void AddColumn(const QString& key, const QString& text) override {
        Log(S("Column ") + key + u' ' + text);
    }
    void ShowItems(const DesktopItemList& list) override {
        QStringList rows;
        for (const ItemRow& row : list.rows) {
            rows << row.text + u':' + QString::number(row.smallImage) + u':' + row.typeText;
        }
        Log(S("Items ") + rows.join(u' '));
    }
    std::optional<RowEntry> SelectedRow() const override { return selected; }
    void PlayMusic(const QString& path) override { Log(S("PlayMusic ") + path); }
    void ShowWindow() override { Log(S("ShowWindow")); }

    void Log(const QString& line) { calls << line; }
    QStringList Matching(const QString& prefix) const {
        QStringList out;
        for (const QString& c : calls) {
            if (c.startsWith(prefix)) {
                out << c;
            }
        }
        return out;
    }

    PanelLogic* logic = nullptr;
    QStringList calls;
    std::map<C, QColor> back;
    std::map<C, bool> checks;
    std::optional<RowEntry> selected;
};

class PanelLogicTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        root = QDir(dir.path());
        root.mkpath(S("styles/Blue"));
        root.mkpath(S("all"));
        root.mkpath(S("user/Projects"));
        view.logic = &logic;
    }
    void WriteStyle(const QString& folder, const QByteArray& content) {
        root.mkpath(S("styles/") + folder);
        ASSERT_FALSE(
            WriteTestFile(QDir(root.filePath(S("styles/") + folder)), S("style.ini"), content)
                .isEmpty());
    }
    QString Option(const char* key) const {
        return common::ReadIniValue(S("OPTIONS"), S(key), root.filePath(S("options.ini")));
    }

    QTemporaryDir dir;
    QDir root;
    StyleSettings style;
    FakeView view;
    QStringList shellLog;
    tilebay::testing::RecordingShellEffects shell{shellLog};
    tilebay::testing::SquareIcons icons;
    tilebay::testing::CountingPause pause;
    tilebay::testing::FakeLoginName login{S("ann")};
    tilebay::testing::FakeDesktopFolders folders{dir.filePath(S("user")), dir.filePath(S("all"))};
    tilebay::testing::FakeRunService run;
    PanelServices services{shell, icons, pause, login, folders, run};
    PanelLogic logic{dir.path(), style, view, services};
};

const QByteArray kBlue =
    "[COLOUR]\nfontcolourred=255\nfontcolourgreen=255\nfontcolourblue=300\n"
    "bgcolourred=0\nbgcolourgreen=0\nbgcolourblue=128\n"
    "bordercolourred=10\nbordercolourgreen=20\nbordercolourblue=30\n"
    "[SIZE]\nboxheight=4215\n[EFFECT]\ntransparent=200\n[POSITION]\ntop=2\n"
    "[FONT]\nfontname=DejaVu Sans\n[NAME]\nstylename=Deep Blue Ocean Style\n"
    "[SOUND]\nstartup=start.mid\n";

TEST_F(PanelLogicTest, FullStyleLoadRunsEveryStepInOrder) {
    WriteStyle(S("Blue"), kBlue);
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Blue\n");
    WriteTestFile(root, S("options.ini"), "[OPTIONS]\ntaskbar=ON\nalwaysontop=on\n");
    WriteTestFile(QDir(root.filePath(S("all"))), S("run.sh"), "#!/bin/sh\n");
    WriteTestFile(QDir(root.filePath(S("user"))), S("a.txt"), "a");
    view.calls.clear();

    logic.Load();

    EXPECT_TRUE(logic.SkippedSteps().empty());
    const QString white = S("#ffffff");
    const QString navy = S("#000080");
    const QString sound = QDir::cleanPath(dir.filePath(S("styles/Blue/start.mid")));
    const QStringList expected = {
        S("ShowSplash"),
        S("Text lvwIcons ") + white,
        S("Text Check1 ") + white,
        S("Text Check3 ") + white,
        S("Text Check2 ") + white,
        S("Text closebtn ") + white,
        S("Text titlecap ") + white,
        S("Back Window ") + navy,
        S("Back Check1 ") + navy,
        S("Back Check2 ") + navy,
        S("Back Check3 ") + navy,
        S("Back titlecap ") + navy,
        S("Back lvwIcons ") + navy,
        S("Back borderleft #0a141e"),
        S("Back borderright #0a141e"),
        S("Back borderbottom #0a141e"),
        S("Geometry lvwIcons 240 1200 3015 4215"),
        S("Geometry titlecap 240 5455 3015 195"),
        S("Geometry borderbottom 0 5650 4455 45"),
        S("Geometry Window 0 0 3525 5695"),
        S("Geometry borderleft 0 0 40 5695"),
        S("Geometry borderright 3480 0 45 5695"),
        S("Font closebtn DejaVu Sans"),
        S("Font Check1 DejaVu Sans"),
        S("Font Check2 DejaVu Sans"),
        S("Font Check3 DejaVu Sans"),
        S("Font titlecap DejaVu Sans"),
        S("Font lvwIcons DejaVu Sans"),
        S("Caption titlecap Deep Blue Oc - Tilebay"),
        S("PlayMusic ") + sound,
        S("Check Check2"),  // taskbar=ON; alwaysontop "on" is not "ON"
        S("Column FILENAME File Name"),
        S("Column FILETYPE File Type"),
        S("Items run.sh:1:Type of sh"),
        S("Items run.sh:1:Type of sh Projects:2:Folder a.txt:3:Type of txt"),
        S("Move 0 0"),
        S("ShowWindow"),
        S("Move 7837.5 -5455"),  // centre of 19200 twips, caption strip on the edge
        S("Back loadstylesbtn ") + navy,
        S("CloseSplash"),
    };
    EXPECT_EQ(view.calls, expected);
    // The box checked by the load ran its toggle, then all three ran once more.
    EXPECT_EQ(shellLog,
              (QStringList{S("SetWindowOpacity 600001 200"), S("ShowTaskbar 0"), S("ShowTaskbar 0"),
                           S("ShowDesktopIcons 1"), S("SetAlwaysOnTop 600001 0")}));
    EXPECT_EQ(Option("taskbar"), S("ON"));
    EXPECT_EQ(Option("alwaysontop"), S("OFF"));
    EXPECT_EQ(Option("icons"), S("OFF"));
    EXPECT_EQ(pause.count, 6);  // three new image keys, two pauses each

    // Reveal and retract keep the left; the borders put it back on its place.
    view.calls.clear();
    logic.ExpandPanel();
    logic.RetractPanel();
    EXPECT_EQ(view.calls, (QStringList{S("Move 7837.5 0"), S("Move 7837.5 -5455")}));

    // Closing effects show both again and leave options.ini alone.
    shellLog.clear();
    logic.RunClosingEffects();
    EXPECT_EQ(shellLog, (QStringList{S("ShowTaskbar 1"), S("ShowDesktopIcons 1")}));
    EXPECT_EQ(Option("taskbar"), S("ON"));
}

TEST_F(PanelLogicTest, FirstStartWithoutStyleChoiceAndReloadInheritance) {
    logic.Load();
    // Everything reads empty: black, list height 0, opacity 0, no docking.
    EXPECT_TRUE(view.Matching(S("Font")).isEmpty());  // no face to set: step skipped
    EXPECT_EQ(logic.SkippedSteps(), std::vector<int>(6, 14));
    EXPECT_EQ(view.Matching(S("Back Window")), (QStringList{S("Back Window #000000")}));
    EXPECT_EQ(logic.Geometry(C::titlecap).top(), 1240);
    EXPECT_EQ(logic.Geometry(C::Window).height(), 1480);
    EXPECT_EQ(view.Matching(S("Caption")), (QStringList{S("Caption titlecap  - Tilebay")}));
    EXPECT_EQ(view.Matching(S("Move")), (QStringList{S("Move 0 0")}));  // never retracted
    EXPECT_TRUE(shellLog.contains(S("SetWindowOpacity 600001 0")));
    EXPECT_EQ(Option("taskbar"), S("OFF"));
    EXPECT_EQ(Option("alwaysontop"), S("OFF"));
    EXPECT_EQ(Option("icons"), S("OFF"));
    logic.ExpandPanel();
    logic.RetractPanel();
    EXPECT_EQ(view.Matching(S("Move")), (QStringList{S("Move 0 0"), S("Move 0 0")}));

    // A second window in the same run with a style that lacks or garbles
    // values inherits them from the style loaded before.
    WriteStyle(S("Blue"), kBlue);
    WriteStyle(S("Odd"),
               "[COLOUR]\nbgcolourred=-5\nbgcolourgreen=1\nbgcolourblue=2\n"
               "[SIZE]\nboxheight=40000\n[POSITION]\ntop=3\n");
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Blue\n");
    {
        FakeView first;
        PanelLogic blue(dir.path(), style, first, services);
        first.logic = &blue;
        blue.Load();
    }
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Odd\n");
    FakeView second;
    PanelLogic odd(dir.path(), style, second, services);
    second.logic = &odd;
    shellLog.clear();
    odd.Load();
    EXPECT_EQ(style.opacity, 200);
    EXPECT_EQ(style.boxHeight, 4215);
    EXPECT_EQ(style.bgRed, -5);
    EXPECT_TRUE(second.Matching(S("Back Window")).isEmpty());  // negative component: skipped
    EXPECT_EQ(second.Matching(S("Text lvwIcons")), (QStringList{S("Text lvwIcons #ffffff")}));
    EXPECT_TRUE(shellLog.contains(S("SetWindowOpacity 600001 200")));
    EXPECT_EQ(second.Matching(S("Move")).last(), S("Move 15675 -5455"));  // right end
}

TEST_F(PanelLogicTest, NegativeListHeightSkipsOnlyTheListResize) {
    WriteStyle(S("Blue"), "[SIZE]\nboxheight=-300\n");
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Blue\n");
    logic.Load();
    // The list keeps its design height; the rest of the layout follows it.
    EXPECT_EQ(logic.Geometry(C::lvwIcons).height(), 4215);
    EXPECT_EQ(logic.Geometry(C::Window).height(), 5695);
}

TEST_F(PanelLogicTest, SoundOptionAndTheLiveListHook) {
    WriteStyle(S("Blue"), kBlue);
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Blue\n");
    // sound=OFF silences the tune; any other value plays it.
    for (const char* value : {"OFF", "off", "", "ON"}) {
        WriteTestFile(root, S("options.ini"), QByteArray("[options]\nsound=") + value + "\n");
        view.calls.clear();
        logic.Load();
        EXPECT_EQ(view.Matching(S("PlayMusic")).size(), std::strcmp(value, "OFF") == 0 ? 0u : 1u)
            << value;
    }

    // With a watcher that cannot watch the user's desktop, the list is
    // collected again when the panel drops into view, and only then.
    auto* watcher = new tilebay::testing::FakeFolderWatcher;
    watcher->refused = QStringList{dir.filePath(S("user"))};
    services.makeWatcher = [watcher] { return std::unique_ptr<FolderWatcher>(watcher); };
    logic.Load();
    ASSERT_NE(logic.Live(), nullptr);
    EXPECT_EQ(watcher->watched, QStringList{dir.filePath(S("all"))});
    WriteTestFile(QDir(root.filePath(S("user"))), S("new.txt"), "n");
    view.calls.clear();
    logic.ExpandPanel();
    EXPECT_EQ(view.Matching(S("Items")),
              QStringList{S("Items Projects:1:Folder new.txt:2:Type of txt")});
    logic.ExpandPanel();  // already in view: no second collection
    EXPECT_EQ(view.Matching(S("Items")).size(), 1);
}

}  // namespace
