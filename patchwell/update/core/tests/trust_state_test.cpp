#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "common/ini/ini.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/testing/test_folder.h"

namespace {

using namespace patchwell::update;

TEST(TrustAdvance, TheNextKeyIsWithdrawnAndARetiredKeyNeverComesBack) {
    const QString a = QStringLiteral("RWQa"), b = QStringLiteral("RWQb"),
                  c = QStringLiteral("RWQc");
    struct Case {
        const char* what;
        TrustState before;
        bool usedNext;
        QString announced;
        TrustState after;  // lastManifestTime left out: always the signing time
    };
    const std::vector<Case> cases{
        // Announcing a first next key and the first rotation: cases_signed.sh,
        // case_signed_rotation.
        {"announced again", {a, b, {}, {}}, false, b, {a, b, {}, {}}},
        {"replaced by another", {a, b, {}, {}}, false, c, {a, c, {}, {}}},
        {"withdrawn", {a, b, {}, {}}, false, {}, {a, {}, {}, {}}},
        {"the key itself", {a, b, {}, {}}, false, a, {a, {}, {}, {}}},
        {"rotation, the old key announced", {a, b, {}, {}}, true, a, {b, {}, {}, {a}}},
        {"a retired key announced later", {b, {}, {}, {a}}, false, a, {b, {}, {}, {a}}},
        {"a second rotation", {b, c, {}, {a}}, true, {}, {c, {}, {}, {a, b}}},
    };
    for (const Case& k : cases) {
        TrustState after = k.after;
        after.lastManifestTime = QStringLiteral("1700000000");
        EXPECT_EQ(AdvanceTrust(k.before, k.usedNext, 1700000000, k.announced), after) << k.what;
    }
}

class TrustStoreTest : public ::testing::Test {
protected:
    QString State() const { return t.StateFolder(); }
    QStringList States() const { return {State()}; }
    QString File() const { return TrustStateFile(State(), t.folder); }
    QString Local(const char* key) {
        return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key),
                                    t.Path(QStringLiteral("update.ini")));
    }
    // Well-formed keys, as the state holds no others: the n-th of them.
    static QString Key(char n) {
        QString key = QStringLiteral("RWQBAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fICEiIyQlJico");
        key[10] = QLatin1Char(n);
        return key;
    }
    TestFolder t;
    const QString wellFormed = Key('C');
    const QString url = QStringLiteral("https://example.org/editor/iupdate.ini");
    const TrustState kept{wellFormed, Key('n'), QStringLiteral("1700000000"), {Key('o')}};
};

TEST_F(TrustStoreTest, KeptOnlyWhereNoOneElseCanChangeIt) {
    ASSERT_TRUE(SaveTrustState(States(), t.folder, url, kept));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(File()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(State()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(LoadTrustState(States(), t.folder, url).state, kept);
    // The same folder by another spelling has the same file.
    EXPECT_EQ(TrustStateFile(State(), t.folder + QStringLiteral("/./")), File());

    // Each spoiling of a freshly saved state makes it unusable.
    const QByteArray file = QFile::encodeName(File());
    const QByteArray folder = QFile::encodeName(State());
    const QByteArray above = QFile::encodeName(QFileInfo(State()).path());
    const QString aside = File() + QStringLiteral(".aside");
    const auto append = [this](const QByteArray& text) {
        QFile f(File());
        ASSERT_TRUE(f.open(QIODevice::Append));
        f.write(text);
    };
    for (const auto& [what, spoil] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"file readable by others", [&] { ::chmod(file.constData(), 0644); }},
             {"folder writable by others", [&] { ::chmod(folder.constData(), 0777); }},
             {"a folder above it writable by others", [&] { ::chmod(above.constData(), 0777); }},
             {"file is a link",
              [&] {
                  QFile::rename(File(), aside);
                  QFile::link(aside, File());
              }},
             // Opened without waiting: a FIFO never hangs the start.
             {"file is a FIFO",
              [&] {
                  QFile::remove(File());
                  ::mkfifo(file.constData(), 0600);
              }},
             {"no key in it", [&] { QFile::resize(File(), 0); }},
             {"a line added", [&] { append("nextpublickey=\"" + Key('x').toLatin1() + "\"\n"); }},
             {"a value unquoted", [&] {
                  QFile f(File());
                  ASSERT_TRUE(f.open(QIODevice::ReadOnly));
                  const QByteArray text = f.readAll().replace('"', "");
                  f.close();
                  ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
                  f.write(text);
              }}}) {
        ::chmod(above.constData(), 0755);
        ::chmod(folder.constData(), 0700);
        QFile::remove(File());
        ASSERT_TRUE(SaveTrustState(States(), t.folder, {}, kept)) << what;
        spoil();
        const TrustLoad load = LoadTrustState(States(), t.folder, {});
        EXPECT_FALSE(load.state) << what;
        EXPECT_EQ(load.problem, (Refusal{RefusalKind::UnusableTrustState, {File()}})) << what;
    }
    ::chmod(above.constData(), 0755);
}

// The folder's name is kept quoted, never as lines of its own; a name that
// could not be read back whole is left out.
TEST_F(TrustStoreTest, AFoldersNameNeverBecomesPartOfTheState) {
    const QString theirs = Key('t');
    for (const QString& name :
         {QStringLiteral(" \"quoted\" and blank "), QStringLiteral("inj\nnextpublickey=") + theirs,
          QStringLiteral("inj\n[Trust]\nretiredkey1=") + wellFormed,
          QStringLiteral("%1/%1/%1").arg(QString(100, u'x'))}) {
        SCOPED_TRACE(name.toStdString());
        const QString program = t.Path(name);
        ASSERT_TRUE(QDir().mkpath(program));
        ASSERT_TRUE(SaveTrustState(States(), program, url, kept));
        const TrustLoad load = LoadTrustState(States(), program, url);
        EXPECT_EQ(load.problem, std::nullopt);
        EXPECT_EQ(load.state, kept);
        QFile f(TrustStateFile(State(), program));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        EXPECT_FALSE(text.contains(theirs.toLatin1()));
        EXPECT_EQ(common::ReadIniValueFrom(text, QStringLiteral("Trust"), QStringLiteral("folder")),
                  name.contains(u'\n') || program.size() > 254 ? QString() : program);
    }
    // Nothing that holds a control character is written at all.
    TrustState spoilt = kept;
    spoilt.lastManifestTime = QStringLiteral("1\n");
    EXPECT_FALSE(TrustStateText(spoilt, t.folder, url));
}

// The line format of earlier versions: read when it is exactly what they
// wrote, and then kept in the current format; not read otherwise.
TEST_F(TrustStoreTest, TheEarlierLineFormatIsReadOnlyWhenExact) {
    const auto lineFormat = [&](const QString& program, const QByteArray& extra) {
        return "# The signing state of one patchwell installation; `patchwell --forget-key` in "
               "its\n# folder removes it.\nfolder=" +
               QFileInfo(program).canonicalFilePath().toUtf8() + extra +
               "\npublickey=" + wellFormed.toLatin1() + "\nnextpublickey=" + Key('n').toLatin1() +
               "\nlastmanifesttime=1700000000\nretiredkey=" + Key('o').toLatin1() + "\n";
    };
    const QString injected = t.Path(QStringLiteral("inj\nnextpublickey=") + Key('t'));
    ASSERT_TRUE(QDir().mkpath(injected));
    struct Case {
        const char* what;
        QString program;
        QByteArray text;
        bool usable;
    };
    const Case cases[] = {
        {"as written", t.folder, lineFormat(t.folder, {}), true},
        {"a line added", t.folder,
         lineFormat(t.folder, {}) + "nextpublickey=" + Key('p').toLatin1() + "\n", false},
        {"another folder's", t.folder, lineFormat(t.folder, "/elsewhere"), false},
        // The name ran into lines of their own there.
        {"a folder named with a line break", injected, lineFormat(injected, {}), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(QDir().mkpath(State()));
        const QString path = TrustStateFile(State(), c.program);
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(c.text);
        f.close();
        f.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        const TrustLoad load = LoadTrustState(States(), c.program, {});
        EXPECT_EQ(load.state.has_value(), c.usable);
        EXPECT_EQ(!load.problem, c.usable);
        if (c.usable) {
            EXPECT_EQ(load.state, kept);
            EXPECT_FALSE(load.everywhere);
            t.Write(QStringLiteral("update.ini"), "[Program]\nprgver=1.0\n");
            ASSERT_TRUE(EstablishTrust(t.Svc()).state);
            ASSERT_TRUE(f.open(QIODevice::ReadOnly));
            EXPECT_EQ(f.readAll(), *TrustStateText(kept, c.program, {}));
        }
        QFile::remove(path);
    }
}

// After an installer dropped the key, the state is found again: in a folder
// moved since (by the manifest's address), by a run without the session's
// XDG_STATE_HOME (in the home folder's state folder), and the one furthest
// on wins where two differ.
TEST_F(TrustStoreTest, FoundAgainByAddressAndInEveryStateFolder) {
    const QString session = t.Path(QStringLiteral("session/patchwell"));
    const QStringList both{session, State()};
    t.Write(QStringLiteral("update.ini"), "[Update]\nverchckurl=" + url.toLatin1() + "\n");
    t.services.stateFolders = both;
    t.services.programFolder = t.folder;
    ASSERT_TRUE(SaveTrustState(both, t.folder, url, kept));

    const QString moved = t.root.filePath(QStringLiteral("moved"));
    ASSERT_TRUE(QDir().rename(t.folder, moved));
    t.services.programFolder = moved;
    EXPECT_EQ(EstablishTrust(t.services).state, kept);
    EXPECT_EQ(Local("publickey"), QString());  // the old folder's update.ini is gone
    EXPECT_EQ(LoadTrustState({State()}, moved, {}).state, kept) << "kept for the new folder too";
    EXPECT_FALSE(LoadTrustState({State()}, moved, QStringLiteral("http://other/")).problem);

    // A cron job rotates the key in the home folder's state folder alone.
    TrustState rotated = AdvanceTrust(kept, true, 1800000000, {});
    ASSERT_TRUE(SaveTrustState({State()}, moved, url, rotated));
    const TrustLoad load = LoadTrustState(both, moved, url);
    EXPECT_EQ(load.state, rotated);
    EXPECT_FALSE(load.everywhere);
    EXPECT_EQ(EstablishTrust(t.services).state, rotated);
    EXPECT_TRUE(LoadTrustState(both, moved, url).everywhere);
    EXPECT_EQ(LoadTrustState({session}, moved, url).state, rotated);
}

TEST_F(TrustStoreTest, UpdateIniIsAdoptedOnceThenFollowsTheKeptStateUntilForgotten) {
    // Never under a key: nothing is kept.
    t.Write(QStringLiteral("update.ini"), "[Program]\nprgver=1.0\n");
    EXPECT_FALSE(EstablishTrust(t.Svc()).state);
    EXPECT_FALSE(QFile::exists(File()));

    // A key or time that cannot be read is refused and not kept.
    t.Write(QStringLiteral("update.ini"), "[Update]\npublickey=RWQ\n");
    EXPECT_EQ(EstablishTrust(t.Svc()).refusal, Refusal{RefusalKind::MalformedKey});
    t.Write(QStringLiteral("update.ini"),
            "[Update]\npublickey=" + wellFormed.toLatin1() + "\nlastmanifesttime=soon\n");
    EXPECT_EQ(EstablishTrust(t.Svc()).refusal, Refusal{RefusalKind::BadRecordedTime});
    EXPECT_FALSE(QFile::exists(File()));

    // The first start under a key keeps it.
    t.Write(QStringLiteral("update.ini"),
            "[Program]\nprgver=1.0\n[Update]\npublickey=" + wellFormed.toLatin1() +
                "\nlastmanifesttime=1700000000\n");
    const TrustInForce trust = EstablishTrust(t.Svc());
    ASSERT_TRUE(trust.state);
    EXPECT_EQ(trust.state->publicKey, wellFormed);
    EXPECT_TRUE(QFile::exists(File()));

    // Whatever an installer leaves in update.ini later, the kept state
    // decides and goes back there (an installer that drops the keys:
    // cases_signed.sh, case_signed_bound and case_signed_trust).
    ASSERT_TRUE(SaveTrustState(States(), t.folder, {}, kept));
    t.Write(QStringLiteral("update.ini"),
            "[Program]\nprgver=2.0\n[Update]\npublickey=RWQother\nlastmanifesttime=1\n");
    EXPECT_EQ(EstablishTrust(t.Svc()).state, kept);
    EXPECT_EQ(Local("publickey"), wellFormed);
    EXPECT_EQ(Local("nextpublickey"), Key('n'));
    EXPECT_EQ(Local("lastmanifesttime"), QStringLiteral("1700000000"));
    EXPECT_EQ(common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"),
                                   t.Path(QStringLiteral("update.ini"))),
              QStringLiteral("2.0"));

    // Forgetting removes both (the file and publickey: cases_signed.sh,
    // case_signed_trust).
    EXPECT_EQ(ForgetTrust(States(), t.folder),
              (ForgetOutcome{ForgetOutcome::Kind::Forgotten, t.folder}));
    EXPECT_EQ(Local("lastmanifesttime"), QString());
    EXPECT_FALSE(EstablishTrust(t.Svc()).state);
    EXPECT_EQ(ForgetTrust(States(), t.folder),
              (ForgetOutcome{ForgetOutcome::Kind::NoneKept, t.folder}));

    // A state that cannot be written refuses under a key.
    t.Write(QStringLiteral("update.ini"), "[Update]\npublickey=" + wellFormed.toLatin1() + "\n");
    t.services.stateFolders = {t.Path(QStringLiteral("update.ini/state"))};
    EXPECT_EQ(EstablishTrust(t.services).refusal,
              (Refusal{RefusalKind::TrustNotRecorded,
                       {TrustStateFile(t.services.stateFolders.first(), t.folder)}}));
    // Only this run's own folder must hold it: another one that cannot be
    // made does not stop the updates.
    t.services.stateFolders = {State(), t.Path(QStringLiteral("update.ini/state"))};
    EXPECT_TRUE(EstablishTrust(t.services).state);
}

}  // namespace
