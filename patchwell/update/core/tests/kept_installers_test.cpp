#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include "common/testing/qt_printers.h"
#include "patchwell/update/core/delta/kept_installers.h"

namespace patchwell::update {
namespace {

// An installer as it ran: a memory file holding `bytes`.
struct Ran {
    explicit Ran(const QByteArray& bytes) : fd(::memfd_create("ran", MFD_CLOEXEC)) {
        EXPECT_EQ(::write(fd, bytes.constData(), static_cast<size_t>(bytes.size())), bytes.size());
        sha256 = QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
    }
    ~Ran() { ::close(fd); }
    int fd;
    QByteArray sha256;
};

QByteArray ReadFd(int fd) {
    QFile file;
    EXPECT_TRUE(file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    return file.readAll();
}

class KeptInstallersTest : public ::testing::Test {
protected:
    QTemporaryDir root;
    QString state = root.filePath(QStringLiteral("state/patchwell"));
    QString program = root.filePath(QStringLiteral("my app"));
    KeptInstallers kept{{state}, program};

    void SetUp() override { ASSERT_TRUE(QDir().mkpath(program)); }
};

TEST_F(KeptInstallersTest, EachInstallationMovesTheLastOneBackAndDropsOlderOnes) {
    EXPECT_FALSE(kept.Current());
    const Ran one("release one"), two("release two, longer"), three("release three");
    ASSERT_TRUE(kept.Keep(one.fd, one.sha256, QStringLiteral("1.0")));
    ASSERT_TRUE(kept.Keep(two.fd, two.sha256, QStringLiteral("2.0")));
    // The same installer again (a repair) leaves the one before it in place.
    ASSERT_TRUE(kept.Keep(two.fd, two.sha256, QStringLiteral("2.0")));
    ASSERT_TRUE(kept.Current() && kept.Previous());
    EXPECT_EQ(kept.Current()->version, QStringLiteral("2.0"));
    EXPECT_EQ(kept.Previous()->version, QStringLiteral("1.0"));
    const QString firstFile = kept.Previous()->path;

    ASSERT_TRUE(kept.Keep(three.fd, three.sha256, QStringLiteral("3.0")));
    EXPECT_EQ(kept.Current()->sha256, three.sha256);
    EXPECT_EQ(kept.Previous()->sha256, two.sha256);
    EXPECT_FALSE(QFile::exists(firstFile));
    const int fd = kept.OpenVerified(*kept.Current());
    ASSERT_GE(fd, 0);
    EXPECT_EQ(ReadFd(fd), QByteArray("release three"));

    // Nothing kept sits in the program folder, and the files are the user's alone.
    EXPECT_TRUE(QDir(program).isEmpty());
    const QFileInfo file(kept.Current()->path);
    EXPECT_EQ(file.permissions() &
                  ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser),
              QFileDevice::Permissions());
    const QString work = kept.WorkFolder();
    ASSERT_FALSE(work.isEmpty());
    EXPECT_EQ(QFileInfo(work).permissions() & 077, 0);
}

TEST_F(KeptInstallersTest, WhatNoLongerHoldsAsRecordedIsNotABase) {
    const Ran one("base bytes");
    const struct {
        const char* what;
        std::function<void(const QString& path)> harm;
        bool listed;  // still offered by Current(), caught by OpenVerified
    } rows[] = {
        {"same length, other bytes",
         [](const QString& path) {
             QFile f(path);
             ASSERT_TRUE(f.open(QIODevice::ReadWrite));
             f.write("BASE");
         },
         true},
        {"cut short", [](const QString& path) { QFile::resize(path, 3); }, false},
        {"open to others",
         [](const QString& path) {
             QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOther);
         },
         false},
        {"replaced by a link",
         [](const QString& path) {
             QFile::rename(path, path + QStringLiteral(".real"));
             QFile::link(path + QStringLiteral(".real"), path);
         },
         false},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(kept.Keep(one.fd, one.sha256, QStringLiteral("1.0"))) << row.what;
        const QString path = kept.Current()->path;
        row.harm(path);
        const std::optional<KeptInstaller> current = kept.Current();
        EXPECT_EQ(current.has_value(), row.listed) << row.what;
        if (current) {
            EXPECT_EQ(kept.OpenVerified(*current), -1) << row.what;
            EXPECT_FALSE(QFile::exists(path)) << row.what << ": a changed base is removed";
            EXPECT_FALSE(kept.Current()) << row.what;
        }
        QFile::remove(path);
        QFile::remove(path + QStringLiteral(".real"));
    }
}

}  // namespace
}  // namespace patchwell::update
