#include "common/ini/ini.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <ctime>

#include <sys/resource.h>

namespace {

using common::ReadIniValue;
using common::WriteIniValue;

class IniFileTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.path() + QString::fromUtf8(name); }
    QByteArray contents(const char* name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    void put(const char* name, const QByteArray& bytes) const {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
};

TEST_F(IniFileTest, MissingFileReadsEmptyAndWriteCreatesIt) {
    EXPECT_EQ(
        ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"), path("/update.ini")),
        QString());
    WriteIniValue(QStringLiteral("OPTIONS"), QStringLiteral("icons"), QStringLiteral("OFF"),
                  path("/options.ini"));
    EXPECT_EQ(contents("/options.ini"), QByteArray("[OPTIONS]\nicons=OFF\n"));
    WriteIniValue(QStringLiteral("OPTIONS"), QStringLiteral("icons"), QStringLiteral("ON"),
                  path("/options.ini"));
    EXPECT_EQ(contents("/options.ini"), QByteArray("[OPTIONS]\nicons=ON\n"));
}

TEST_F(IniFileTest, PathsTakeBackslashesAndDoubledSeparators) {
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("styles/Blue")));
    put("/styles/Blue/style.ini", "[NAME]\r\nstylename=Ocean Blue\r\n");
    EXPECT_EQ(ReadIniValue(QStringLiteral("name"), QStringLiteral("STYLENAME"),
                           dir.path() + QStringLiteral("/styles/\\Blue/style.ini")),
              QStringLiteral("Ocean Blue"));
    EXPECT_EQ(ReadIniValue(QStringLiteral("name"), QStringLiteral("stylename"),
                           dir.path() + QStringLiteral("//styles//Blue//style.ini")),
              QStringLiteral("Ocean Blue"));
}

TEST_F(IniFileTest, Utf8PassesThrough) {
    WriteIniValue(QStringLiteral("NAME"), QStringLiteral("stylename"), QString::fromUtf8("Grüße ✓"),
                  path("/s.ini"));
    EXPECT_EQ(ReadIniValue(QStringLiteral("NAME"), QStringLiteral("stylename"), path("/s.ini")),
              QString::fromUtf8("Grüße ✓"));
    EXPECT_EQ(contents("/s.ini"), QByteArray("[NAME]\nstylename=Grüße ✓\n"));
}

TEST_F(IniFileTest, WriteIntoMissingFolderDoesNothing) {
    WriteIniValue(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c"),
                  path("/no/such/x.ini"));
    EXPECT_FALSE(QFile::exists(path("/no/such/x.ini")));
}

TEST_F(IniFileTest, WriteReplacesTheFileWholeAndLeavesNoTemporaries) {
    put("/o.ini", "; keep me\r\n[OPTIONS]\r\ntaskbar=OFF\r\n");
    QFile::setPermissions(path("/o.ini"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    const QFileDevice::Permissions before = QFile::permissions(path("/o.ini"));
    WriteIniValue(QStringLiteral("options"), QStringLiteral("TASKBAR"), QStringLiteral("ON"),
                  path("/o.ini"));
    EXPECT_EQ(contents("/o.ini"), QByteArray("; keep me\r\n[OPTIONS]\r\ntaskbar=ON\r\n"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("o.ini")});
    EXPECT_EQ(QFile::permissions(path("/o.ini")), before);
}

TEST_F(IniFileTest, UnreadableFileIsNeverReplaced) {
    put("/locked.ini", "[A]\nb=1\n");
    QFile::setPermissions(path("/locked.ini"), QFileDevice::WriteOwner);
    QFile probe(path("/locked.ini"));
    if (probe.open(QIODevice::ReadOnly)) {
        GTEST_SKIP() << "running with privileges that ignore file modes";
    }
    WriteIniValue(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("2"),
                  path("/locked.ini"));
    QFile::setPermissions(path("/locked.ini"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    EXPECT_EQ(contents("/locked.ini"), QByteArray("[A]\nb=1\n"));
}

TEST_F(IniFileTest, SeveralChangesLandTogetherOrNotAtAll) {
    put("/u.ini", "[Update]\npublickey=old\nnextpublickey=new\n");
    EXPECT_TRUE(common::WriteIniValues(
        {{QStringLiteral("Update"), QStringLiteral("publickey"), QStringLiteral("new")},
         {QStringLiteral("Update"), QStringLiteral("nextpublickey"), std::nullopt},
         {QStringLiteral("Update"), QStringLiteral("lastmanifesttime"), QStringLiteral("7")}},
        path("/u.ini")));
    EXPECT_EQ(contents("/u.ini"), QByteArray("[Update]\npublickey=new\nlastmanifesttime=7\n"));
    // A change that cannot be written spoils the whole set; so does a folder
    // that is missing.
    EXPECT_FALSE(common::WriteIniValues(
        {{QStringLiteral("Update"), QStringLiteral("publickey"), QStringLiteral("x")},
         {QStringLiteral("Update"), QStringLiteral("bad=key"), QStringLiteral("y")}},
        path("/u.ini")));
    EXPECT_EQ(contents("/u.ini"), QByteArray("[Update]\npublickey=new\nlastmanifesttime=7\n"));
    EXPECT_FALSE(WriteIniValue(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c"),
                               path("/no/such/x.ini")));
    EXPECT_TRUE(WriteIniValue(QStringLiteral("A"), QStringLiteral("b"), QStringLiteral("c"),
                              path("/new.ini")));
}

TEST_F(IniFileTest, AWriteCutShortLeavesTheOldFileWhole) {
    // A file size limit cuts writes short for every user, root included.
    const QByteArray before = "[Update]\npublickey=" + QByteArray(100, 'k') + "\n";
    put("/u.ini", before);
    struct rlimit saved {};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit tight = saved;
    tight.rlim_cur = 64;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &tight), 0);
    const bool written = WriteIniValue(QStringLiteral("Update"), QStringLiteral("lastmanifesttime"),
                                       QStringLiteral("1700000000"), path("/u.ini"));
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(written);
    EXPECT_EQ(contents("/u.ini"), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("u.ini")});
}

TEST_F(IniFileTest, ASnapshotKeepsTheBytesItReadAndTypesItsValues) {
    put("/u.ini",
        "[Update]\nquiet=1\ncheckhours=8760\nseconds=301\nsigned=+5\nlong=1234567890\n"
        "spaced= 12 \nlastcheck=2024-02-29T23:59:59Z\nlocal=2024-02-29T23:59:59\n"
        "nodate=2023-02-29T10:00:00Z\nwide=\xEF\xBC\x91\n");
    const common::IniSnapshot ini = common::IniSnapshot::Read(path("/u.ini"));
    put("/u.ini", "[Update]\nquiet=0\n");  // a writer after the read is not seen
    const QString u = QStringLiteral("update");
    EXPECT_TRUE(ini.flag(u, QStringLiteral("QUIET"), QStringLiteral("1")));
    EXPECT_FALSE(ini.flag(u, QStringLiteral("quiet"), QStringLiteral("ON")));
    const struct {
        const char* key;
        std::optional<int> number;  // within 1..8760
    } numbers[] = {{"checkhours", 8760},     {"seconds", 301}, {"signed", std::nullopt},
                   {"long", std::nullopt},   {"spaced", 12},   {"wide", std::nullopt},
                   {"missing", std::nullopt}};
    for (const auto& row : numbers) {
        EXPECT_EQ(ini.number(u, QString::fromLatin1(row.key), 1, 8760), row.number) << row.key;
    }
    EXPECT_EQ(ini.number(u, QStringLiteral("seconds"), 1, 300), std::nullopt);
    const std::optional<QDateTime> last = ini.utcTime(u, QStringLiteral("lastcheck"));
    ASSERT_TRUE(last.has_value());
    EXPECT_EQ(last->toSecsSinceEpoch(), 1709251199);
    EXPECT_EQ(common::IniUtcText(*last), QStringLiteral("2024-02-29T23:59:59Z"));
    EXPECT_EQ(ini.utcTime(u, QStringLiteral("local")), std::nullopt);
    EXPECT_EQ(ini.utcTime(u, QStringLiteral("nodate")), std::nullopt);
    // An hour that local clocks skip (a daylight saving gap) is still a moment
    // in UTC.
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    ::tzset();
    const std::optional<QDateTime> gap = common::IniUtcTime(QStringLiteral("2026-03-29T02:30:00Z"));
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    ::tzset();
    ASSERT_TRUE(gap.has_value());
    EXPECT_EQ(gap->toSecsSinceEpoch(), 1774751400);
    EXPECT_EQ(common::IniSnapshot::Read(path("/none.ini")).value(u, QStringLiteral("quiet")),
              QString());
}

TEST(IniText, HoldsJustTheGivenValuesOrNothing) {
    EXPECT_EQ(
        common::IniText({{QStringLiteral("Cache"), QStringLiteral("etag"), QStringLiteral("6e")},
                         {QStringLiteral("Cache"), QStringLiteral("gone"), std::nullopt},
                         {QStringLiteral("cache"), QStringLiteral("lastmodified"), QString()}}),
        QByteArray("[Cache]\netag=6e\nlastmodified=\n"));
    EXPECT_EQ(
        common::IniText({{QStringLiteral("Cache"), QStringLiteral("a=b"), QStringLiteral("c")}}),
        std::nullopt);
}

}  // namespace
