#include "tilebay/cli/autostart.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "tilebay/cli/tilebay_command_line.h"

namespace {

using tilebay::AutostartPlaces;

QByteArray Read(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

TEST(AutostartTest, ExecArgumentQuotesAndEscapesAsDesktopEntriesNeed) {
    const struct {
        const char* path;
        const char* written;
    } cases[] = {
        {"/usr/bin/tilebay", "/usr/bin/tilebay"},
        {"/opt/my apps/tilebay", "\"/opt/my apps/tilebay\""},
        {"/opt/100%/tilebay", "/opt/100%%/tilebay"},
        {"/opt/$HOME/tilebay", "\"/opt/\\\\$HOME/tilebay\""},
        {"/opt/a\"b/tilebay", "\"/opt/a\\\\\"b/tilebay\""},
        {"/opt/a\\b/tilebay", "\"/opt/a\\\\\\\\b/tilebay\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tilebay::ExecArgument(S(c.path)), S(c.written)) << c.path;
    }
}

class AutostartCommandTest : public ::testing::Test {
protected:
    QTemporaryDir home;
    AutostartPlaces places() const {
        return {home.path() + S("/config"), home.path(), S("/opt/my apps/tilebay")};
    }
    QString entry() const { return home.path() + S("/config/autostart/tilebay.desktop"); }
    common::cli::Outcome Run(const QStringList& rest, const AutostartPlaces& where) const {
        return tilebay::RunCommandLine(QStringList{S("tilebay")} + rest, where);
    }
    common::cli::Outcome Run(const QStringList& rest) const { return Run(rest, places()); }
};

TEST_F(AutostartCommandTest, OnOffAndStateWriteOnlyTheAutostartEntry) {
    ASSERT_TRUE(home.isValid());
    EXPECT_EQ(Run({S("--autostart")}).out, S("off\n"));

    const auto on = Run({S("--autostart"), S("on")});
    EXPECT_EQ(on.exitCode, 0);
    EXPECT_TRUE(on.err.isEmpty()) << on.err.toStdString();
    const QByteArray written = Read(entry());
    EXPECT_TRUE(written.startsWith("[Desktop Entry]\nType=Application\n")) << written.data();
    EXPECT_TRUE(written.contains("\nExec=\"/opt/my apps/tilebay\"\n")) << written.data();
    EXPECT_EQ(Run({S("--autostart")}).out, S("on\n"));
    // Nothing but the entry was written.
    EXPECT_EQ(QDir(home.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{S("config")});
    EXPECT_EQ(QDir(home.path() + S("/config")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{S("autostart")});

    // The session's own setting turns an entry off without removing it.
    QFile hidden(entry());
    ASSERT_TRUE(hidden.open(QIODevice::Append));
    hidden.write("Hidden = true\n");
    hidden.close();
    EXPECT_EQ(Run({S("--autostart")}).out, S("off\n"));

    for (int i = 0; i < 2; ++i) {  // removing an absent entry succeeds too
        const auto off = Run({S("--autostart"), S("off")});
        EXPECT_EQ(off.exitCode, 0) << off.err.toStdString();
        EXPECT_FALSE(QFile::exists(entry()));
    }
    EXPECT_EQ(Run({S("--autostart")}).out, S("off\n"));
}

TEST_F(AutostartCommandTest, PlacesUsageErrorsAndFailures) {
    ASSERT_TRUE(home.isValid());
    // A relative or missing XDG_CONFIG_HOME means ~/.config.
    for (const QString& configHome : {S("relative/config"), QString()}) {
        const AutostartPlaces where{configHome, home.path(), S("/usr/bin/tilebay")};
        EXPECT_EQ(tilebay::AutostartFile(where),
                  home.path() + S("/.config/autostart/tilebay.desktop"));
    }
    // No arguments: the panel starts.
    EXPECT_FALSE(Run({}).exitCode);
    for (const QStringList& wrong :
         {QStringList{S("on")}, QStringList{S("--autostart"), S("yes")},
          QStringList{S("--autostart"), S("on"), S("off")}, QStringList{S("--toggles")}}) {
        const auto outcome = Run(wrong);
        EXPECT_EQ(outcome.exitCode, 2) << wrong.join(u' ').toStdString();
        EXPECT_TRUE(outcome.err.contains(S("Usage: tilebay"))) << outcome.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(entry()));
    // A file where the autostart folder belongs: reported, exit status 1.
    ASSERT_TRUE(QDir().mkpath(home.path() + S("/config")));
    QFile blocker(home.path() + S("/config/autostart"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto failed = Run({S("--autostart"), S("on")});
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_TRUE(failed.err.startsWith(S("tilebay: cannot create"))) << failed.err.toStdString();
    // Without a known executable nothing is written.
    const auto unknown = Run({S("--autostart"), S("on")}, {home.path(), home.path(), QString()});
    EXPECT_EQ(unknown.exitCode, 1);
}

TEST_F(AutostartCommandTest, WrittenEntryPassesTheDesktopEntryValidator) {
    ASSERT_TRUE(home.isValid());
    ASSERT_EQ(Run({S("--autostart"), S("on")}).exitCode, 0);
    QProcess validate;
    validate.setProcessChannelMode(QProcess::MergedChannels);
    validate.start(S("desktop-file-validate"), {entry()});
    ASSERT_TRUE(validate.waitForFinished(30000)) << "desktop-file-validate (desktop-file-utils)";
    EXPECT_EQ(validate.exitCode(), 0) << validate.readAll().toStdString();
    EXPECT_TRUE(validate.readAll().trimmed().isEmpty());
}

}  // namespace
