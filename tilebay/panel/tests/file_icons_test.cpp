#include "file_icons.h"

#include <QDir>
#include <QFile>
#include <QIcon>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "test_strings.h"

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

}  // namespace
