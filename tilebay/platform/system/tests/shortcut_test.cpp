#include "tilebay/platform/system/shortcut.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"

namespace {

using tilebay::ResolveShortcut;
using tilebay::ShortcutErrorText;

class ShortcutTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& content) {
        const QString path = WriteTestFile(QDir(dir.path()), name, content);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString();
        return path;
    }
    QString Launcher(const QString& name, const QByteArray& body) {
        return Write(name, "[Desktop Entry]\n" + body);
    }
    QTemporaryDir dir;
};

TEST_F(ShortcutTest, ApplicationLauncherGivesItsExecWithoutFileCodes) {
    EXPECT_EQ(ResolveShortcut(Launcher(S("ed.desktop"), "Type=Application\nExec=gedit %U\n")),
              S("gedit"));
    EXPECT_EQ(ResolveShortcut(Launcher(S("f.desktop"),
                                       "Type=Application\nExec=prog %f --x %F -y %u %U %d %D %n "
                                       "%N %v %m\n")),
              S("prog --x -y"));
    EXPECT_EQ(ResolveShortcut(
                  Launcher(S("p.desktop"), "Type=Application\nExec=prog --rate=100%% --file=%f\n")),
              S("prog --rate=100% --file="));
}

TEST_F(ShortcutTest, IconNameAndLauncherCodesAreExpanded) {
    const QString path =
        Launcher(S("i.desktop"), "Type=Application\nName=My Tool\nIcon=tool\nExec=prog %i %c %k\n");
    EXPECT_EQ(ResolveShortcut(path), S("prog --icon tool \"My Tool\" ") + path);
    // Without an icon or name those codes give no words at all.
    EXPECT_EQ(ResolveShortcut(Launcher(S("n.desktop"), "Type=Application\nExec=prog %i %c\n")),
              S("prog"));
}

TEST_F(ShortcutTest, FieldCodesInsideQuotesStayAsWritten) {
    const QString path = Launcher(
        S("c.desktop"),
        "Type=Application\nName=N\nIcon=i\nExec=sh -c \"echo %c %k %f %%\" '%i' a%cb %c\n");
    EXPECT_EQ(ResolveShortcut(path), S(R"(sh -c "echo %c %k %f %%" %i aNb N)"));
}

TEST_F(ShortcutTest, QuotingAndEscapesSurviveAsOneCommandLine) {
    // In the file "\\" is one backslash; the Exec quoting then takes "\\" or
    // "\$" inside double quotes as the escaped character. "\s" is a blank,
    // which outside quotes separates words.
    const QString path =
        Launcher(S("q.desktop"), "Type=Application\nExec=\"/opt/my app/run\" \"a \\\\$b\" c\\sd\n");
    EXPECT_EQ(ResolveShortcut(path), S(R"("/opt/my app/run" "a \$b" c d)"));
}

TEST_F(ShortcutTest, LinkLauncherGivesItsUrl) {
    EXPECT_EQ(ResolveShortcut(Launcher(S("web.desktop"), "Type=Link\nURL=https://example.org/\n")),
              S("https://example.org/"));
}

TEST_F(ShortcutTest, OnlyTheDesktopEntryGroupCountsAndTheFirstKeyWins) {
    const QString path = Write(
        S("g.desktop"),
        "# comment\n[Desktop Action new]\nExec=wrong\n[Desktop Entry]\r\nType = Application\r\n"
        "Exec=first\r\nExec=second\r\nName[de]=Werkzeug\r\n");
    EXPECT_EQ(ResolveShortcut(path), S("first"));
}

TEST_F(ShortcutTest, SymbolicLinkGivesItsAbsoluteTarget) {
    const QString target = Write(S("prog.sh"), "#!/bin/sh\n");
    const QString link = dir.filePath(S("prog link"));
    ASSERT_TRUE(QFile::link(S("prog.sh"), link));  // relative link
    EXPECT_EQ(ResolveShortcut(link), target);
    const QString dangling = dir.filePath(S("dangling"));
    ASSERT_TRUE(QFile::link(dir.filePath(S("gone")), dangling));
    EXPECT_EQ(ResolveShortcut(dangling), dir.filePath(S("gone")));
}

TEST_F(ShortcutTest, EverythingElseGivesTheErrorText) {
    EXPECT_EQ(ShortcutErrorText(), S("Error occured."));
    EXPECT_EQ(ResolveShortcut(Write(S("notes.txt"), "Exec=prog\n")), ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(dir.filePath(S("missing.desktop"))), ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(QString()), ShortcutErrorText());
    ASSERT_TRUE(QDir(dir.path()).mkdir(S("folder.desktop")));
    EXPECT_EQ(ResolveShortcut(dir.filePath(S("folder.desktop"))), ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(Write(S("nogroup.desktop"), "Type=Application\nExec=prog\n")),
              ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(Launcher(S("dir.desktop"), "Type=Directory\nExec=prog\n")),
              ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(Launcher(S("noexec.desktop"), "Type=Application\nName=x\n")),
              ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(Launcher(S("open.desktop"), "Type=Application\nExec=\"prog\n")),
              ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(Launcher(S("codes.desktop"), "Type=Application\nExec=%F\n")),
              ShortcutErrorText());
    EXPECT_EQ(ResolveShortcut(Launcher(S("nourl.desktop"), "Type=Link\n")), ShortcutErrorText());
}

}  // namespace
