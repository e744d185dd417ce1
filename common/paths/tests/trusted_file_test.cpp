#include "common/paths/trusted_file.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Which files may be read: the rule on owners and write bits along the whole
// way, links, and what is no regular file.
TEST(TrustedFile, ReadsOnlyWhatNobodyElseCanHaveWritten) {
    struct Case {
        const char* name;
        mode_t folderMode;
        mode_t fileMode;
        uid_t owner;  // of the file; the folders are ours
        bool read;
    };
    const uid_t other = ::geteuid() == 0 ? 65534 : ::geteuid();
    const Case cases[] = {
        {"private", 0755, 0644, ::geteuid(), true},
        {"sticky shared folder", 01777, 0644, ::geteuid(), true},
        {"shared folder", 0777, 0644, ::geteuid(), false},
        {"group may write the folder", 0775, 0644, ::geteuid(), false},
        {"others may write the file", 0755, 0666, ::geteuid(), false},
        {"another user's file", 0755, 0644, other, other == ::geteuid()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        ASSERT_TRUE(root.isValid());
        const QString folder = root.filePath(QStringLiteral("share/translations"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString file = folder + QStringLiteral("/demo_de.qm");
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("catalogue");
        out.close();
        ASSERT_EQ(::chmod(QFile::encodeName(folder).constData(), c.folderMode), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), c.fileMode), 0);
        ASSERT_EQ(::chown(QFile::encodeName(file).constData(), c.owner, static_cast<gid_t>(-1)), 0);
        const auto bytes = common::ReadTrustedFile(file, 1 << 20);
        EXPECT_EQ(bytes.has_value(), c.read);
        if (c.read) {
            EXPECT_EQ(*bytes, QByteArray("catalogue"));
        }
        // Through a link the file it leads to is what counts.
        const QString link = root.filePath(QStringLiteral("link.qm"));
        ASSERT_TRUE(QFile::link(file, link));
        EXPECT_EQ(common::ReadTrustedFile(link, 1 << 20).has_value(), c.read);
        EXPECT_FALSE(common::ReadTrustedFile(file, 4).has_value()) << "over the limit";
    }
    QTemporaryDir root;
    const QString fifo = root.filePath(QStringLiteral("fifo.qm"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    EXPECT_FALSE(common::ReadTrustedFile(fifo, 1 << 20).has_value());
    EXPECT_FALSE(common::ReadTrustedFile(root.path(), 1 << 20).has_value());
    EXPECT_FALSE(common::ReadTrustedFile(root.filePath(QStringLiteral("missing")), 1).has_value());
}

}  // namespace
