// tilebay in each shipped language and the pseudo-language (every text in
// brackets and 40 % longer) on Qt's offscreen platform: every window, the
// context menu and the notice box, with no text cut and the fixed windows at
// their design size; and `tilebay --help` in Spanish.

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "common/i18n/testing/text_fit.h"
#include "common/i18n/translations.h"
#include "common/testing/qt_printers.h"
#include "tilebay/app/panel_controller.h"
#include "tilebay/panel/core/item_actions.h"
#include "tilebay/panel/file_icons.h"
#include "tilebay/panel/testing/desktop_items_fakes.h"
#include "tilebay/platform/shell/wayland_shell_effects.h"
#include "tilebay/platform/system/launcher_trust.h"
#include "tilebay/platform/system/testing/fake_system.h"

namespace {

using namespace tilebay;

// The texts of the visible labels and buttons below `root` that did not go
// through a translation of the pseudo-language (no bracket).
QStringList Untranslated(const QWidget& root) {
    QStringList found;
    for (const QWidget* widget : root.findChildren<QWidget*>()) {
        QString text;
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            text = label->text();
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            text = button->text();
        }
        if (widget->isVisible() && !text.isEmpty() && !text.startsWith(u'[')) {
            found << widget->objectName() + S(": ") + text;
        }
    }
    return found;
}

void Type(QWidget* target, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(target, &press);
}

QMessageBox* ShownNotice() {
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) {
            return box;
        }
    }
    return nullptr;
}

struct Seen {
    QSize panel, splash, loader;
    int listBottom = 0;
};

// Opens everything tilebay shows, in the language installed now, and checks
// it; `pseudo` also checks that every text went through translation.
Seen Walk(bool pseudo) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(S("styles/Ocean"));
    root.mkpath(S("desk"));
    QFile::copy(S(TILEBAY_SHIPPED_STYLES "/Ocean/style.ini"), root.filePath(S("styles/Ocean/style.ini")));
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Ocean\n");
    const QDir desk(root.filePath(S("desk")));
    QFile::setPermissions(WriteTestFile(desk, S("tool"), "#!/bin/sh\n"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile::link(desk.filePath(S("tool")), desk.filePath(S("tool link")));
    QFile::link(desk.filePath(S("gone")), desk.filePath(S("gone link")));

    // The Wayland effects: the two options it cannot carry out are disabled
    // and say why.
    const std::unique_ptr<ShellEffects> shell = MakeWaylandShellEffects();
    ThemeFileIconSource icons;
    tilebay::testing::CountingPause pause;
    tilebay::testing::FakeLoginName login{S("ann")};
    tilebay::testing::FakeDesktopFolders folders{desk.path(), QString()};
    tilebay::testing::FakeRunService run;
    PanelServices services{*shell, icons, pause, login, folders, run};
    PanelController controller(dir.path(), services, nullptr);
    Seen seen;

    loadfrm splash(dir.path(), *shell);
    splash.show();
    splash.Form_Load();
    EXPECT_EQ(splash.completedSteps(), kSplashSteps);
    EXPECT_EQ(common::testing::CutTexts(splash), QStringList());
    seen.splash = splash.size();
    if (pseudo) {
        EXPECT_EQ(Untranslated(splash), QStringList());
    }

    controller.loadPanel();
    DesktopMain* panel = controller.Panel();
    EXPECT_TRUE(panel->isVisible());
    auto* list = static_cast<QTreeWidget*>(panel->Control(PanelControl::lvwIcons));
    // In view with the keyboard and a filter typed: the caption strip says so.
    panel->Toggle();
    Type(list, S("t"));
    EXPECT_EQ(common::testing::CutTexts(*panel), QStringList());
    seen.panel = panel->size();
    seen.listBottom = list->geometry().bottom();
    // The option boxes keep clear of "Close" (the design shares one column
    // with it) and of each other, the list of them.
    EXPECT_LE(panel->Control(PanelControl::Check1)->geometry().right(),
              panel->Control(PanelControl::closebtn)->geometry().left());
    QRect above = panel->Control(PanelControl::Check1)->geometry();
    for (PanelControl box : {PanelControl::Check2, PanelControl::Check3}) {
        EXPECT_LT(above.bottom(), panel->Control(box)->geometry().top());
        above = panel->Control(box)->geometry();
    }
    EXPECT_LT(above.bottom(), list->geometry().top());
    for (PanelControl box : {PanelControl::Check2, PanelControl::Check3}) {
        EXPECT_FALSE(panel->Control(box)->isEnabled());
        EXPECT_EQ(panel->Control(box)->toolTip().startsWith(u'['), pseudo);
    }
    if (pseudo) {
        EXPECT_EQ(Untranslated(*panel), QStringList());
        EXPECT_TRUE(list->headerItem()->text(0).startsWith(u'['));
        EXPECT_TRUE(list->headerItem()->text(1).startsWith(u'['));
        // The type texts that tilebay makes itself: program, link, broken link.
        for (int row = 0; row < list->topLevelItemCount(); ++row) {
            EXPECT_TRUE(list->topLevelItem(row)->text(1).startsWith(u'['))
                << list->topLevelItem(row)->text(0).toStdString();
        }
    }

    list->setCurrentItem(list->topLevelItem(0));
    panel->ShowContextMenu(panel->mapToGlobal(QPoint(20, 120)));
    QMenu* menu = panel->ContextMenu();
    EXPECT_TRUE(menu != nullptr && menu->isVisible());
    if (menu != nullptr) {
        EXPECT_EQ(common::testing::CutTexts(*menu), QStringList());
        EXPECT_EQ(menu->actions().size(), 4);
        for (const QAction* action : menu->actions()) {
            EXPECT_EQ(action->text().startsWith(u'['), pseudo) << action->text().toStdString();
        }
        menu->close();
    }

    controller.OpenStyleLoader();
    styleloaderfrm* loader = controller.StyleLoader();
    EXPECT_TRUE(loader->isVisible());
    EXPECT_EQ(common::testing::CutTexts(*loader), QStringList());
    seen.loader = loader->size();
    if (pseudo) {
        EXPECT_EQ(Untranslated(*loader), QStringList());
        EXPECT_TRUE(loader->windowTitle().startsWith(u'['));
    }

    // The notice box, with each text it shows.
    for (const QString& text : {UntrustedStartText(S("tool")), SkippedDropText({S("/tmp/fifo")})}) {
        ShowNotice(text);
        QMessageBox* box = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] { return (box = ShownNotice()) != nullptr; }));
        if (box == nullptr) {
            continue;
        }
        EXPECT_EQ(common::testing::CutTexts(*box), QStringList());
        EXPECT_EQ(box->windowTitle().startsWith(u'['), pseudo);
        EXPECT_EQ(box->text().startsWith(u'['), pseudo);
        delete box;
    }
    return seen;
}

TEST(TranslationWalkTest, EveryWindowInEveryLanguageWithNoTextCutAndTheFixedSizesKept) {
    common::RemoveTranslations();
    const Seen english = Walk(false);
    for (const char* language : {"de", "fr", "es", "pseudo"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(common::InstallTranslation(S(PW_TRANSLATIONS_FOLDER), S("tilebay"),
                                               S(language)));
        const Seen seen = Walk(std::string(language) == "pseudo");
        common::RemoveTranslations();
        EXPECT_EQ(seen.panel, english.panel);
        EXPECT_EQ(seen.splash, english.splash);
        EXPECT_EQ(seen.loader, english.loader);
        EXPECT_EQ(seen.listBottom, english.listBottom) << "the list ends where it did";
    }
}

TEST(TranslationWalkTest, HelpInTheUsersLanguage) {
    QProcess tilebay;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("LANGUAGE"), S("es"));
    tilebay.setProcessEnvironment(env);
    tilebay.start(S(TILEBAY_BINARY), {S("--help")});
    ASSERT_TRUE(tilebay.waitForFinished(10000));
    EXPECT_EQ(tilebay.exitCode(), 0);
    const QString out = QString::fromUtf8(tilebay.readAllStandardOutput());
    for (const char* text : {"Uso: tilebay [opciones] [on|off]", "Opciones:",
                             "Mostrar esta ayuda y salir.", "Con --autostart: el nuevo estado."}) {
        EXPECT_TRUE(out.contains(S(text))) << text << " in\n" << out.toStdString();
    }
}

}  // namespace
