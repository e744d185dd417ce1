#include "tilebay/platform/system/run_service.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <functional>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "common/testing/wait_for.h"
#include "tilebay/platform/system/launcher_trust.h"
#include "tilebay/platform/system/testing/marker_program.h"

namespace {

using tilebay::ProcessRunService;

// Each test program writes its arguments, one a line, to a marker file.
class RunServiceTest : public ::testing::Test {
protected:
    QString Program(const QString& name, const QString& marker, bool environment = false) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(tilebay::testing::WriteMarkerProgram(path, marker, environment));
        return path;
    }
    static QByteArray ReadMarker(const QString& marker) {
        QFile file(marker);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    static bool Appears(const QString& marker) {
        return pwtest::waitFor([&] { return QFile::exists(marker); });
    }
    QTemporaryDir dir;
    ProcessRunService run;
};

TEST_F(RunServiceTest, StartsAnExecutableFileNamedByItsWholePath) {
    const QString marker = dir.filePath(S("direct"));
    QDir(dir.path()).mkdir(S("with blank"));
    const QString program = Program(S("with blank/my tool"), marker);
    ASSERT_TRUE(run.Start(program));
    ASSERT_TRUE(Appears(marker));
    EXPECT_EQ(ReadMarker(marker), QByteArray("\n"));  // no arguments
}

TEST_F(RunServiceTest, StartsACommandLineWithQuotedArguments) {
    const QString marker = dir.filePath(S("args"));
    const QString program = Program(S("tool"), marker);
    ASSERT_TRUE(run.Start(S("\"") + program + S("\" one \"two words\" 'x y'")));
    ASSERT_TRUE(Appears(marker));
    EXPECT_EQ(ReadMarker(marker), QByteArray("one\ntwo words\nx y\n"));
}

TEST_F(RunServiceTest, FindsABareProgramNameOnPath) {
    const QString marker = dir.filePath(S("onpath"));
    Program(S("tilebay-test-tool"), marker);
    const QByteArray oldPath = qgetenv("PATH");
    qputenv("PATH", dir.path().toUtf8() + ":" + oldPath);
    const bool started = run.Start(S("tilebay-test-tool --flag"));
    qputenv("PATH", oldPath);
    ASSERT_TRUE(started);
    ASSERT_TRUE(Appears(marker));
    EXPECT_EQ(ReadMarker(marker), QByteArray("--flag\n"));
}

TEST_F(RunServiceTest, StartsNothingThatIsNotAnExecutableFile) {
    const QString marker = dir.filePath(S("never"));
    const QString doc = dir.filePath(S("notes.txt"));
    {
        QFile file(doc);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("text\n");
    }
    EXPECT_FALSE(run.Start(doc));
    EXPECT_FALSE(run.Start(dir.path()));  // a folder
    EXPECT_FALSE(run.Start(QString()));
    EXPECT_FALSE(run.Start(S("   ")));
    EXPECT_FALSE(run.Start(S("tilebay-no-such-program-x")));
    EXPECT_FALSE(run.Start(dir.filePath(S("missing"))));
    Program(S("rel"), marker);
    EXPECT_FALSE(run.Start(S("./rel")));  // relative to the current folder
    EXPECT_FALSE(run.Start(S("\"") + dir.filePath(S("rel")) + S(" unclosed")));
    // A path with a blank that names a document is never taken apart into a
    // program "<dir>/my" and an argument, even though that program exists.
    Program(S("my"), marker);
    const QString spaced = dir.filePath(S("my doc.txt"));
    {
        QFile file(spaced);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    EXPECT_FALSE(run.Start(spaced));
    EXPECT_FALSE(QFile::exists(marker));
}

// Every way of starting hands over the environment the service was given,
// and nothing this process set after it.
TEST_F(RunServiceTest, EveryStartGetsTheGivenEnvironmentOnly) {
    QProcessEnvironment given;
    given.insert(S("PATH"), S("/usr/bin:/bin"));
    given.insert(S("TILEBAY_TEST_GIVEN"), S("kept"));
    ProcessRunService service(given);
    qputenv("TILEBAY_TEST_SET_LATER", "leaked");
    struct Case {
        const char* name;
        std::function<bool(ProcessRunService&, const QString&)> start;
    };
    const Case cases[] = {
        {"path", [](ProcessRunService& s, const QString& p) { return s.Start(p); }},
        {"line", [](ProcessRunService& s, const QString& p) { return s.Start(p + S(" --arg")); }},
        {"opened",
         [](ProcessRunService& s, const QString& p) {
             const auto opened = tilebay::TrustedProgram(p);
             return opened && s.StartOpened(*opened);
         }},
    };
    for (const Case& c : cases) {
        const QString marker = dir.filePath(S(c.name));
        ASSERT_TRUE(c.start(service, Program(S(c.name) + S("-tool"), marker, true))) << c.name;
        ASSERT_TRUE(Appears(marker)) << c.name;
        const QStringList variables =
            QString::fromUtf8(ReadMarker(marker + S(".env"))).split(u'\n');
        EXPECT_TRUE(variables.contains(S("TILEBAY_TEST_GIVEN=kept"))) << c.name;
        EXPECT_FALSE(variables.contains(S("TILEBAY_TEST_SET_LATER=leaked"))) << c.name;
    }
    qunsetenv("TILEBAY_TEST_SET_LATER");
}

}  // namespace
