// The splash and the style loader on Qt's offscreen platform, on real style
// folders in a temporary program folder, with a fake panel and fake shell
// effects.

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>

#include "common/ini/ini.h"
#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"
#include "tilebay/platform/shell/testing/shell_fakes.h"
#include "tilebay/styles/loadfrm.h"
#include "tilebay/styles/styleloaderfrm.h"

namespace {

using namespace tilebay;

using Keys = std::map<std::string, std::string>;  // "SECTION/key" -> value

// A style file: a complete style changed by `changes` (an empty value
// removes the key).
QByteArray StyleIni(const Keys& changes) {
    Keys keys = {{"COLOUR/fontcolourred", "250"},
                 {"COLOUR/fontcolourgreen", "240"},
                 {"COLOUR/fontcolourblue", "10"},
                 {"COLOUR/bgcolourred", "10"},
                 {"COLOUR/bgcolourgreen", "20"},
                 {"COLOUR/bgcolourblue", "90"},
                 {"COLOUR/bordercolourred", "200"},
                 {"COLOUR/bordercolourgreen", "0"},
                 {"COLOUR/bordercolourblue", "0"},
                 {"SIZE/boxheight", "3000"},
                 {"EFFECT/transparent", "200"},
                 {"POSITION/top", "2"},
                 {"FONT/fontname", "DejaVu Serif"},
                 {"NAME/stylename", "Midnight Harbour"},
                 {"NAME/description", "A calm night sky over the water, lit by lamps"},
                 {"SOUND/startup", "startup.mid"}};
    for (const auto& [key, value] : changes) {
        keys[key] = value;
    }
    std::map<std::string, std::string> sections;
    for (const auto& [key, value] : keys) {
        if (!value.empty()) {
            const auto slash = key.find('/');
            sections[key.substr(0, slash)] += key.substr(slash + 1) + "=" + value + "\n";
        }
    }
    QByteArray text;
    for (const auto& [section, lines] : sections) {
        text += "[" + QByteArray::fromStdString(section) + "]\n" + QByteArray::fromStdString(lines);
    }
    return text;
}

class ProgramFolder {
public:
    ProgramFolder() { EXPECT_TRUE(dir_.isValid()); }
    QString path() const { return dir_.path(); }
    void addStyle(const QString& folder, const QByteArray& ini) {
        ASSERT_TRUE(QDir(path()).mkpath(S("styles/") + folder));
        ASSERT_FALSE(
            WriteTestFile(QDir(path() + S("/styles/") + folder), S("style.ini"), ini).isEmpty());
    }
    void choose(const QString& styleFolder) {
        common::WriteIniValue(S("STYLE"), S("stylename"), styleFolder,
                              path() + S("/styleloader.ini"));
    }
    QString chosen() const {
        return common::ReadIniValue(S("STYLE"), S("stylename"), path() + S("/styleloader.ini"));
    }

private:
    QTemporaryDir dir_;
};

QColor TextColour(const QWidget* w) {
    return w->palette().color(QPalette::WindowText);
}
QColor Background(const QWidget* w) {
    return w->palette().color(QPalette::Window);
}

TEST(Splash, AppliesTheStyleStepByStepAndStopsAtTheFirstFailure) {
    const QColor font(250, 240, 10), background(10, 20, 90), border(200, 0, 0);
    struct Case {
        const char* name;
        Keys changes;
        int steps;
        std::optional<qint16> opacity;
        bool colours;  // background and border applied
    };
    const Case cases[] = {
        {"complete, opacity 200", {}, kSplashSteps, 200, true},
        {"without bgcolourred", {{"COLOUR/bgcolourred", ""}}, 5, 200, false},
        {"opacity 300", {{"EFFECT/transparent", "300"}}, kSplashSteps, std::nullopt, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ProgramFolder program;
        program.addStyle(S("Harbour"), StyleIni(c.changes));
        program.choose(S("\\Harbour"));
        tilebay::testing::RecordingShellEffects shell;
        loadfrm splash(program.path(), shell);
        const QColor designText = TextColour(splash.titlecap);
        const QColor designBackground = Background(&splash);
        const QColor designBorder = Background(splash.borderleft);
        splash.Form_Load();

        EXPECT_EQ(splash.completedSteps(), c.steps);
        EXPECT_EQ(splash.windowTitle(), S("Tilebay - Loading..."));
        EXPECT_EQ(splash.titlecap->text(), S("Tilebay - Loading..."));
        EXPECT_EQ(splash.programcap->text(), S("Created By Quorlin"));
        for (const QLabel* label : {splash.titlecap, splash.programcap, splash.stylenamecap}) {
            EXPECT_EQ(TextColour(label), font);
            EXPECT_EQ(label->font().family(), S("DejaVu Serif"));
        }
        EXPECT_EQ(splash.titlecap->font().bold(), true);
        EXPECT_DOUBLE_EQ(splash.stylenamecap->font().pointSizeF(), 8.25);
        EXPECT_EQ(shell.opacityOf(splash.winId()), c.opacity);
        EXPECT_EQ(Background(&splash), c.colours ? background : designBackground);
        for (const QLabel* strip :
             {splash.borderleft, splash.borderright, splash.borderbottom, splash.bordertop}) {
            EXPECT_EQ(Background(strip), c.colours ? border : designBorder);
        }
        if (c.steps == kSplashSteps) {
            // Name cut to 12, description (45 characters) cut to 30.
            EXPECT_EQ(splash.state().splashStyleName, S("Midnight Har"));
            EXPECT_EQ(splash.state().splashDescription, S("A calm night sky over the wate"));
            EXPECT_EQ(SplashStyleText(splash.state()),
                      S("Style: Midnight Har\r\nMidnight Har\r\nA calm night sky over the wate"));
            EXPECT_EQ(splash.stylenamecap->text(),
                      S("Style: Midnight Har\nMidnight Har\nA calm night sky over the wate"));
        } else {
            EXPECT_EQ(splash.stylenamecap->text(), S("Style"));
        }
        EXPECT_NE(designText, font);
    }

    // No style chosen and no style file: ends at step 2, all of it design.
    ProgramFolder empty;
    tilebay::testing::RecordingShellEffects shell;
    loadfrm splash(empty.path(), shell);
    const QColor designText = TextColour(splash.titlecap);
    splash.Form_Load();
    EXPECT_EQ(splash.completedSteps(), 1);
    EXPECT_EQ(TextColour(splash.titlecap), designText);
    EXPECT_EQ(splash.stylenamecap->text(), S("Style"));
    EXPECT_EQ(shell.opacityOf(splash.winId()), std::nullopt);
}

// The shipped styles are complete: every key readable, fonts installed,
// all three docking places, a tune in each folder, and the splash shows them.
TEST(Splash, ShowsEachShippedStyleCompletely) {
    const QString shipped = S(TILEBAY_SHIPPED_STYLES);
    const QStringList families = QFontDatabase::families();
    QList<qint16> docks;
    for (const QString& name : QDir(shipped).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        SCOPED_TRACE(name.toStdString());
        ProgramFolder program;
        ASSERT_TRUE(QDir(program.path()).mkpath(S("styles/") + name));
        for (const QString& file : QDir(shipped + S("/") + name).entryList(QDir::Files)) {
            ASSERT_TRUE(QFile::copy(shipped + S("/") + name + S("/") + file,
                                    program.path() + S("/styles/") + name + S("/") + file));
        }
        program.choose(S("\\") + name);
        StyleSettings style;
        for (StyleKey key : kStyleReadOrder) {
            EXPECT_TRUE(ReadStyleKey(program.path(), key, style)) << int(key);
        }
        EXPECT_TRUE(families.contains(style.fontName)) << style.fontName.toStdString();
        EXPECT_EQ(style.styleTitle, name);
        EXPECT_GT(style.boxHeight, 1000);
        EXPECT_TRUE(
            QFile::exists(StartupSoundFile(program.path(), style.styleFolder, style.startupSound)));
        docks << style.dockPosition;

        tilebay::testing::RecordingShellEffects shell;
        loadfrm splash(program.path(), shell);
        splash.Form_Load();
        EXPECT_EQ(splash.completedSteps(), kSplashSteps);
        EXPECT_EQ(shell.opacityOf(splash.winId()), style.opacity);
        EXPECT_EQ(splash.stylenamecap->font().family(), style.fontName);
    }
    std::sort(docks.begin(), docks.end());
    EXPECT_EQ(docks, QList<qint16>({1, 2, 3}));
}

// The panel as the style loader sees it: records the calls and, at each load,
// the style choice that the load reads.
class FakePanel : public StyleLoaderPanel {
public:
    explicit FakePanel(QString programFolder) : programFolder_(std::move(programFolder)) {}
    QColor closeButtonTextColour() override { return QColor(255, 170, 60); }
    QColor panelBackgroundColour() override { return QColor(30, 24, 22); }
    void closePanel() override { calls << S("close"); }
    void loadPanel() override {
        if (whileLoading) {
            whileLoading();
        }
        calls << S("load ") + common::ReadIniValue(S("STYLE"), S("stylename"),
                                                   programFolder_ + S("/styleloader.ini"));
    }
    void showPanel() override { calls << S("show"); }
    QStringList calls;
    std::function<void()> whileLoading;  // window events that run during the load

private:
    QString programFolder_;
};

class StyleLoader : public ::testing::Test {
protected:
    void SetUp() override {
        program.addStyle(S("Blue"), StyleIni({}));
        program.addStyle(S("Green"), StyleIni({{"NAME/stylename", "Green"}}));
        program.addStyle(S("Green/Dark"), StyleIni({{"NAME/stylename", "Dark"}}));
        program.choose(S("\\Blue"));
    }
    std::unique_ptr<styleloaderfrm> open() {
        auto loader = std::make_unique<styleloaderfrm>(program.path(), panel);
        loader->Form_Load();
        loader->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(loader.get()));
        return loader;
    }
    QPoint at(styleloaderfrm& loader, int number) {
        const int row = loader.Dir1->rowOf(number);
        EXPECT_GE(row, 0) << number;
        return loader.Dir1->visualItemRect(loader.Dir1->item(row)).center();
    }
    void click(styleloaderfrm& loader, int number) {
        QTest::mouseClick(loader.Dir1->viewport(), Qt::LeftButton, {}, at(loader, number));
    }
    // What a real double-click delivers: a click, then the double-click
    // event and its release.
    void doubleClick(styleloaderfrm& loader, int number) {
        QWidget* viewport = loader.Dir1->viewport();
        const QPoint where = at(loader, number);
        QTest::mouseClick(viewport, Qt::LeftButton, {}, where);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, where);
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, where);
    }
    // Presses "Load" and checks the panel's rebuild; returns what was stored.
    QString load(styleloaderfrm& loader) {
        panel.calls.clear();
        QTest::mouseClick(loader.loadbtn, Qt::LeftButton);
        EXPECT_FALSE(loader.isVisible());
        EXPECT_EQ(panel.calls.size(), 3);
        EXPECT_EQ(panel.calls.value(0), S("close"));
        EXPECT_EQ(panel.calls.value(2), S("show"));
        return panel.calls.value(1).mid(5);
    }

    ProgramFolder program;
    FakePanel panel{program.path()};
};

TEST_F(StyleLoader, OpensOnTheStylesFolderAndStoresTheClickedFolder) {
    auto loader = open();
    EXPECT_EQ(loader->windowTitle(), S("Load Style"));
    EXPECT_EQ(TextColour(loader->Label1), QColor(255, 170, 60));
    EXPECT_EQ(Background(loader.get()), QColor(30, 24, 22));
    EXPECT_EQ(loader->Label1->text(), S("Click Only The Closed Folder Icons. Then Load."));

    FolderListModel& folders = loader->folders();
    const QString styles = QDir(program.path()).canonicalPath() + S("/styles");
    EXPECT_EQ(folders.path(), styles);
    EXPECT_EQ(folders.entryPath(-1), styles);
    EXPECT_EQ(folders.entryPath(-2), QDir(program.path()).canonicalPath());
    EXPECT_EQ(folders.entryPath(-folders.openCount()), S("/"));
    EXPECT_EQ(folders.listIndex(), -1);
    // Open folders down to styles, then its subfolders closed, in order.
    EXPECT_EQ(loader->Dir1->count(), folders.openCount() + 2);
    EXPECT_EQ(loader->Dir1->item(loader->Dir1->rowOf(-1))->text(), S("styles"));
    EXPECT_EQ(loader->Dir1->item(loader->Dir1->rowOf(0))->text(), S("Blue"));
    EXPECT_EQ(loader->Dir1->item(loader->Dir1->rowOf(1))->text(), S("Green"));
    EXPECT_EQ(loader->Dir1->currentRow(), loader->Dir1->rowOf(-1));

    // The keyboard selects too; a click then selects Green.
    QTest::keyClick(loader->Dir1, Qt::Key_Down);
    EXPECT_EQ(folders.listIndex(), 0);
    click(*loader, 1);
    EXPECT_EQ(folders.listIndex(), 1);
    EXPECT_EQ(folders.path(), styles);  // a click does not open it
    EXPECT_EQ(load(*loader), S("\\Green"));
    EXPECT_EQ(program.chosen(), S("\\Green"));

    // What the panel's splash then reads: the Green style.
    tilebay::testing::RecordingShellEffects shell;
    loadfrm splash(program.path(), shell);
    splash.Form_Load();
    EXPECT_EQ(splash.state().splashStyleName, S("Green"));
}

TEST_F(StyleLoader, StoresTheTextRelativeToTheCurrentFolder) {
    // Nothing clicked: the current folder itself, the empty text.
    EXPECT_EQ(load(*open()), S(""));

    // Double-click Green (it becomes current), then its subfolder Dark.
    auto loader = open();
    doubleClick(*loader, 1);
    ASSERT_TRUE(pwtest::waitFor([&] { return loader->folders().path().endsWith(S("/Green")); }));
    EXPECT_EQ(loader->folders().listIndex(), -1);
    EXPECT_EQ(loader->Dir1->item(loader->Dir1->rowOf(0))->text(), S("Dark"));
    click(*loader, 0);
    EXPECT_EQ(load(*loader), S("\\Dark"));

    // An entry above the current folder: nothing is written, the panel comes
    // back with the style stored before.
    program.choose(S("\\Blue"));
    loader = open();
    click(*loader, -2);
    EXPECT_EQ(loader->folders().listIndex(), -2);
    EXPECT_EQ(load(*loader), S("\\Blue"));
}

TEST_F(StyleLoader, IgnoresLoadPressedWhileThePanelLoads) {
    auto loader = open();
    click(*loader, 0);
    panel.whileLoading = [&] {
        panel.whileLoading = nullptr;
        QTest::mouseClick(loader->loadbtn, Qt::LeftButton);
    };
    EXPECT_EQ(load(*loader), S("\\Blue"));
}

TEST_F(StyleLoader, RefreshListsANewFolderAndKeepsTheColours) {
    auto loader = open();
    click(*loader, 0);
    program.addStyle(S("Amber"), StyleIni({}));
    EXPECT_EQ(loader->folders().subfolderCount(), 2);
    QTest::mouseClick(loader->refreshbtn, Qt::LeftButton);
    EXPECT_EQ(loader->folders().subfolderCount(), 3);
    EXPECT_EQ(loader->Dir1->item(loader->Dir1->rowOf(0))->text(), S("Amber"));
    EXPECT_EQ(loader->folders().listIndex(), 0);
    EXPECT_EQ(Background(loader.get()), QColor(30, 24, 22));
    click(*loader, 0);
    EXPECT_EQ(load(*loader), S("\\Amber"));
}

TEST(StyleLoaderWithoutStyles, ShowsTheProgramFolderAloneAndStoresTheEmptyText) {
    ProgramFolder program;
    ASSERT_TRUE(QDir(program.path()).mkpath(S("Desktop")));
    program.choose(S("\\Blue"));
    FakePanel panel(program.path());
    styleloaderfrm loader(program.path(), panel);
    loader.Form_Load();
    loader.show();
    EXPECT_EQ(loader.folders().path(), QDir(program.path()).canonicalPath());
    EXPECT_EQ(loader.folders().subfolderCount(), 0);
    EXPECT_EQ(loader.Dir1->count(), loader.folders().openCount());
    QTest::mouseClick(loader.refreshbtn, Qt::LeftButton);
    EXPECT_EQ(loader.folders().subfolderCount(), 0);
    QTest::mouseClick(loader.loadbtn, Qt::LeftButton);
    EXPECT_EQ(panel.calls, QStringList({S("close"), S("load "), S("show")}));
    EXPECT_EQ(program.chosen(), S(""));
}

}  // namespace
