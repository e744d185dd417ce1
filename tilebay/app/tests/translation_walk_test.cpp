// tilebay in each shipped language and the pseudo-language (every text in
// brackets and 40 % longer) on Qt's offscreen platform: every window, the
// context menu and the notice box with no text cut, the fixed windows at their
// size; and `tilebay --help` in Spanish.

#include <QApplication>
#include <QDir>
#include <QFile>
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
#include "tilebay/panel/items/testing/desktop_items_fakes.h"
#include "tilebay/platform/shell/wayland_shell_effects.h"
#include "tilebay/platform/system/launcher_trust.h"
#include "tilebay/platform/system/testing/fake_system.h"

namespace {

using namespace tilebay;

// No text of `window` is cut; in the pseudo-language every text it shows
// (its title, labels, buttons, tooltips, a menu's entries) went through a
// translation. The program's name and Qt's own "OK" are not tilebay's texts.
void Check(const QWidget& window, bool pseudo, QStringList texts = {}) {
    EXPECT_EQ(common::testing::CutTexts(window), QStringList())
        << window.objectName().toStdString();
    texts << window.windowTitle();
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        const auto* label = qobject_cast<const QLabel*>(widget);
        const auto* button = qobject_cast<const QAbstractButton*>(widget);
        if (widget->isVisible()) {
            texts << widget->toolTip() << (label ? label->text() : button ? button->text() : S(""));
        }
    }
    for (const QAction* action : window.actions()) {
        texts << action->text();
    }
    for (const QString& text : texts) {
        EXPECT_TRUE(!pseudo || text.isEmpty() || text.startsWith(u'[') || text == S("Tilebay") ||
                    text == S("OK"))
            << text.toStdString();
    }
}

struct Sizes {
    QSize panel, splash, loader;
    int listBottom = 0;
    bool operator==(const Sizes& o) const {
        return panel == o.panel && splash == o.splash && loader == o.loader &&
               listBottom == o.listBottom;
    }
};

// Opens everything tilebay shows, in the language installed now.
Sizes Walk(bool pseudo) {
    QTemporaryDir dir;
    const QDir root(dir.path());
    root.mkpath(S("styles/Ocean"));
    root.mkpath(S("desk"));
    QFile::copy(S(TILEBAY_SHIPPED_STYLES "/Ocean/style.ini"),
                dir.filePath(S("styles/Ocean/style.ini")));
    WriteTestFile(root, S("styleloader.ini"), "[STYLE]\nstylename=\\Ocean\n");
    // The type texts tilebay makes itself: a program, a link, a broken link.
    const QDir desk(root.filePath(S("desk")));
    QFile::setPermissions(WriteTestFile(desk, S("tool"), "#!/bin/sh\n"),
                          QFile::ReadOwner | QFile::ExeOwner);
    QFile::link(desk.filePath(S("tool")), desk.filePath(S("tool link")));
    QFile::link(desk.filePath(S("gone")), desk.filePath(S("gone link")));
    // On Wayland two options are disabled and say why.
    const std::unique_ptr<ShellEffects> shell = MakeWaylandShellEffects();
    ThemeFileIconSource icons;
    tilebay::testing::CountingPause pause;
    tilebay::testing::FakeLoginName login{S("ann")};
    tilebay::testing::FakeDesktopFolders folders{desk.path(), QString()};
    tilebay::testing::FakeRunService run;
    PanelServices services{*shell, icons, pause, login, folders, run};
    PanelController controller(dir.path(), services, nullptr);
    Sizes sizes;

    loadfrm splash(dir.path(), *shell);
    splash.show();
    splash.Form_Load();
    Check(splash, pseudo);
    sizes.splash = splash.size();

    // The panel in view with the keyboard and a filter typed into its caption.
    controller.loadPanel();
    DesktopMain& panel = *controller.Panel();
    auto* list = static_cast<QTreeWidget*>(panel.Control(PanelControl::lvwIcons));
    panel.Toggle();
    QKeyEvent typed(QEvent::KeyPress, Qt::Key_T, Qt::NoModifier, S("t"));
    QCoreApplication::sendEvent(list, &typed);
    QStringList listTexts{list->headerItem()->text(0), list->headerItem()->text(1)};
    for (int row = 0; row < list->topLevelItemCount(); ++row) {
        listTexts << list->topLevelItem(row)->text(1);
    }
    Check(panel, pseudo, listTexts);
    sizes.panel = panel.size();
    sizes.listBottom = list->geometry().bottom();
    // The option boxes keep clear of "Close" (the design shares a column with
    // it) and of each other, the list of them.
    const auto place = [&](PanelControl control) { return panel.Control(control)->geometry(); };
    EXPECT_LE(place(PanelControl::Check1).right(), place(PanelControl::closebtn).left());
    EXPECT_LT(place(PanelControl::Check1).bottom(), place(PanelControl::Check2).top());
    EXPECT_LT(place(PanelControl::Check2).bottom(), place(PanelControl::Check3).top());
    EXPECT_LT(place(PanelControl::Check3).bottom(), list->geometry().top());

    list->setCurrentItem(list->topLevelItem(0));
    panel.ShowContextMenu(panel.mapToGlobal(QPoint(20, 120)));
    EXPECT_TRUE(panel.ContextMenu()->isVisible());
    EXPECT_EQ(panel.ContextMenu()->actions().size(), 4);
    Check(*panel.ContextMenu(), pseudo);
    panel.ContextMenu()->close();

    controller.OpenStyleLoader();
    Check(*controller.StyleLoader(), pseudo);
    sizes.loader = controller.StyleLoader()->size();

    for (const QString& text : {UntrustedStartText(S("tool")), SkippedDropText({S("/tmp/fifo")})}) {
        ShowNotice(text);
        QMessageBox* box = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            for (QWidget* widget : QApplication::topLevelWidgets()) {
                box = box ? box : qobject_cast<QMessageBox*>(widget);
            }
            return box != nullptr;
        }));
        if (box != nullptr) {
            Check(*box, pseudo);
            delete box;
        }
    }
    return sizes;
}

TEST(TranslationWalkTest, EveryWindowInEveryLanguageWithNoTextCutAndTheFixedSizesKept) {
    common::RemoveTranslations();
    const Sizes english = Walk(false);
    for (const char* language : {"de", "fr", "es", "pseudo"}) {
        SCOPED_TRACE(language);
        ASSERT_TRUE(
            common::InstallTranslation(S(PW_TRANSLATIONS_FOLDER), S("tilebay"), S(language)));
        EXPECT_TRUE(Walk(std::string(language) == "pseudo") == english);
        common::RemoveTranslations();
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
