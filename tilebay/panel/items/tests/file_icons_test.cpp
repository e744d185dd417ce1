#include "tilebay/panel/items/file_icons.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>

#include <sys/stat.h>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "tilebay/panel/items/desktop_items.h"

namespace {

using namespace tilebay;

class FileIconsTest : public ::testing::Test {
protected:
    QString Write(const QString& name, const QByteArray& content) {
        const QString path = WriteTestFile(QDir(dir.path()), name, content);
        EXPECT_FALSE(path.isEmpty()) << name.toStdString();
        return path;
    }
    static void ExpectIconPair(FileIconSource& source, const QString& path) {
        const QPixmap large = source.QueryFileIcon(path, 2);
        const QPixmap small = source.QueryFileIcon(path, 1);
        ASSERT_FALSE(large.isNull()) << path.toStdString();
        ASSERT_FALSE(small.isNull()) << path.toStdString();
        EXPECT_EQ(large.size(), QSize(32, 32));
        EXPECT_EQ(small.size(), QSize(16, 16));
    }
    QTemporaryDir dir;
};

TEST_F(FileIconsTest, ThemeIsChosenWhenTheDesktopNamesNone) {
    EnsureIconTheme();
    EXPECT_FALSE(QIcon::themeName().isEmpty());
    EXPECT_TRUE(QIcon::hasThemeIcon(S("text-x-generic")));
    EXPECT_TRUE(QIcon::hasThemeIcon(S("folder")));
}

TEST_F(FileIconsTest, KnownTypesGetBothIconSizesAndATypeText) {
    ThemeFileIconSource source;
    const QString text = Write(S("notes.txt"), "hello\n");
    ExpectIconPair(source, text);
    EXPECT_FALSE(source.QueryFileTypeName(text).isEmpty());
    ExpectIconPair(source, dir.path());
    EXPECT_FALSE(source.QueryFileTypeName(dir.path()).isEmpty());
    EXPECT_NE(source.QueryFileTypeName(dir.path()), source.QueryFileTypeName(text));
    // No extension and unknown content still get an icon of some kind.
    ExpectIconPair(source, Write(S("README"), QByteArray(64, '\x01')));
}

TEST_F(FileIconsTest, LaunchersUseTheIconTheyName) {
    ThemeFileIconSource source;
    const QString themed =
        Write(S("files.desktop"), "[Desktop Entry]\nType=Application\nIcon=folder\nExec=x\n");
    ExpectIconPair(source, themed);
    const QPixmap folderIcon = QIcon::fromTheme(S("folder")).pixmap(32, 32);
    EXPECT_EQ(source.QueryFileIcon(themed, 2).toImage(), folderIcon.toImage());

    QImage blue(48, 48, QImage::Format_ARGB32);
    blue.fill(Qt::blue);
    ASSERT_TRUE(blue.save(dir.filePath(S("blue.png"))));
    const QString byPath =
        Write(S("tool.desktop"), "[Desktop Entry]\nType=Application\nIcon=" +
                                     dir.filePath(S("blue.png")).toUtf8() + "\nExec=x\n");
    ExpectIconPair(source, byPath);
    EXPECT_EQ(source.QueryFileIcon(byPath, 1).toImage().pixelColor(8, 8), QColor(Qt::blue));

    // An icon that cannot be found falls back to a program icon.
    ExpectIconPair(source, Write(S("odd.desktop"), "[Desktop Entry]\nIcon=no-such-icon-x\n"));
}

TEST_F(FileIconsTest, AnEntryThatIsGoneHasNoIconAndNoTypeText) {
    ThemeFileIconSource source;
    const QString gone = dir.filePath(S("gone.txt"));
    EXPECT_TRUE(source.QueryFileIcon(gone, 2).isNull());
    EXPECT_TRUE(source.QueryFileIcon(gone, 1).isNull());
    EXPECT_EQ(source.QueryFileTypeName(gone), QString());
    EXPECT_TRUE(source.QueryFileIcon(QString(), 2).isNull());
}

TEST_F(FileIconsTest, ProgramsAndLinksTellTheirOwnKindAndIconsAreSharpWhenScaled) {
    ThemeFileIconSource source;
    const QString readme = Write(S("README"), "plain words\n");
    const QString program = Write(S("tool"), "#!/bin/sh\n");
    ASSERT_TRUE(QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner));
    const QString folder = dir.filePath(S("Projects"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const auto link = [&](const QString& name, const QString& target) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(QFile::link(target, path));
        return path;
    };
    const QString textLink = link(S("readme-link"), readme);
    const QString folderLink = link(S("projects-link"), folder);
    const QString programLink = link(S("tool-link"), program);
    const QString dangling = link(S("dangling"), dir.filePath(S("gone.txt")));
    // Loops (ln -s self self; ping <-> pong) are broken links, not a crash.
    const QStringList loops{link(S("self"), S("self")), link(S("ping"), S("pong")),
                            link(S("pong"), S("ping"))};

    // Type texts and keys: the program is no text file, a link says so.
    const QString textType = source.QueryFileTypeName(readme);
    EXPECT_EQ(source.QueryFileTypeName(program), S("program"));
    EXPECT_EQ(source.QueryFileTypeName(textLink), textType + S(" (link)"));
    EXPECT_EQ(source.QueryFileTypeName(folderLink),
              source.QueryFileTypeName(folder) + S(" (link)"));
    EXPECT_EQ(source.QueryFileTypeName(programLink), S("program (link)"));
    EXPECT_EQ(source.QueryFileTypeName(dangling), S("broken link"));
    for (const QString& loop : loops) {
        EXPECT_EQ(source.QueryFileTypeName(loop) + ImageKey(loop, false),
                  S("broken link") + ImageKey(dangling, false));
        ExpectIconPair(source, loop);
    }
    const QStringList keys{ImageKey(readme, false),      ImageKey(program, false),
                           ImageKey(textLink, false),    ImageKey(folderLink, true),
                           ImageKey(programLink, false), ImageKey(dangling, false)};
    EXPECT_EQ(keys.at(0), QString());  // an extension-less document keeps the shared key
    EXPECT_EQ(QSet<QString>(keys.begin(), keys.end()).size(), keys.size()) << "all distinct";
    EXPECT_EQ(ImageKey(link(S("second-tool-link"), program), false), keys.at(4));

    // Icons: the theme's program icon; a link its target's with the emblem.
    ExpectIconPair(source, program);
    EXPECT_EQ(source.QueryFileIcon(program, 2).toImage(),
              QIcon::fromTheme(S("application-x-executable")).pixmap(32, 32).toImage());
    for (const QString& path : {textLink, folderLink, programLink, dangling}) {
        ExpectIconPair(source, path);
    }
    const QImage plain = source.QueryFileIcon(program, 2).toImage();
    const QImage linked = source.QueryFileIcon(programLink, 2).toImage();
    EXPECT_EQ(linked.copy(0, 0, 16, 16), plain.copy(0, 0, 16, 16)) << "the target's icon";
    EXPECT_NE(linked.copy(16, 16, 16, 16), plain.copy(16, 16, 16, 16)) << "with the emblem";

    // On a screen scaled twice: twice the device pixels, the same size.
    ThemeFileIconSource scaled(2);
    for (const QString& path : {readme, program, programLink}) {
        const QPixmap small = scaled.QueryFileIcon(path, 1);
        EXPECT_EQ(small.size(), QSize(32, 32)) << path.toStdString();
        EXPECT_EQ(small.deviceIndependentSize(), QSizeF(16, 16)) << path.toStdString();
    }
}

TEST_F(FileIconsTest, AnIconThatIsNoRegularFileNeverBlocks) {
    ThemeFileIconSource source;
    const QString fifo = dir.filePath(S("icon.png"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0644), 0);
    const QString launcher =
        Write(S("fifo.desktop"), "[Desktop Entry]\nType=Application\nIcon=" + fifo.toUtf8() + "\n");
    const QString linkToFifo = dir.filePath(S("pipe-link"));
    ASSERT_TRUE(QFile::link(fifo, linkToFifo));
    QElapsedTimer clock;
    clock.start();
    ExpectIconPair(source, launcher);  // the fallback program icon
    ExpectIconPair(source, linkToFifo);
    EXPECT_FALSE(source.QueryFileTypeName(linkToFifo).isEmpty());
    EXPECT_LT(clock.elapsed(), 5000);
}

}  // namespace
