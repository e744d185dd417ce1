#include <QFile>

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include "common/ini/ini.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"
#include "patchwell/update/core/trust_state.h"

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
    QString File() const { return TrustStateFile(State(), t.folder); }
    QString Local(const char* key) {
        return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key),
                                    t.Path(QStringLiteral("update.ini")));
    }
    TestFolder t;
    // A well-formed key, as update.ini must name one to be kept.
    const QString wellFormed =
        QStringLiteral("RWQBAgMEBQYHCAkKCwwNDg8QERITFBUWFxgZGhscHR4fICEiIyQlJico");
    const TrustState kept{wellFormed,
                          QStringLiteral("RWQnext"),
                          QStringLiteral("1700000000"),
                          {QStringLiteral("RWQold")}};
};

TEST_F(TrustStoreTest, KeptOnlyWhereNoOneElseCanChangeIt) {
    ASSERT_TRUE(SaveTrustState(State(), t.folder, kept));
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(File()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(State()).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    EXPECT_EQ(LoadTrustState(State(), t.folder).state, kept);
    // The same folder by another spelling has the same file.
    EXPECT_EQ(TrustStateFile(State(), t.folder + QStringLiteral("/./")), File());

    // Each spoiling of a freshly saved state makes it unusable.
    const QByteArray file = QFile::encodeName(File());
    const QByteArray folder = QFile::encodeName(State());
    const QString aside = File() + QStringLiteral(".aside");
    for (const auto& [what, spoil] : std::vector<std::pair<const char*, std::function<void()>>>{
             {"file readable by others", [&] { ::chmod(file.constData(), 0644); }},
             {"folder writable by others", [&] { ::chmod(folder.constData(), 0777); }},
             {"file is a link",
              [&] {
                  QFile::rename(File(), aside);
                  QFile::link(aside, File());
              }},
             {"no key in it", [&] { QFile::resize(File(), 0); }}}) {
        ASSERT_TRUE(SaveTrustState(State(), t.folder, kept)) << what;
        spoil();
        const TrustLoad load = LoadTrustState(State(), t.folder);
        EXPECT_FALSE(load.state) << what;
        EXPECT_EQ(load.problem, texts::refusal::UnusableTrustState(File())) << what;
    }
}

TEST_F(TrustStoreTest, UpdateIniIsAdoptedOnceThenFollowsTheKeptStateUntilForgotten) {
    // Never under a key: nothing is kept.
    t.Write(QStringLiteral("update.ini"), "[Program]\nprgver=1.0\n");
    EXPECT_FALSE(EstablishTrust(t.Svc()).state);
    EXPECT_FALSE(QFile::exists(File()));

    // A key or time that cannot be read is refused and not kept.
    t.Write(QStringLiteral("update.ini"), "[Update]\npublickey=RWQ\n");
    EXPECT_EQ(EstablishTrust(t.Svc()).refusal, texts::refusal::MalformedKey());
    t.Write(QStringLiteral("update.ini"),
            "[Update]\npublickey=" + wellFormed.toLatin1() + "\nlastmanifesttime=soon\n");
    EXPECT_EQ(EstablishTrust(t.Svc()).refusal, texts::refusal::BadRecordedTime());
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
    ASSERT_TRUE(SaveTrustState(State(), t.folder, kept));
    t.Write(QStringLiteral("update.ini"),
            "[Program]\nprgver=2.0\n[Update]\npublickey=RWQother\nlastmanifesttime=1\n");
    EXPECT_EQ(EstablishTrust(t.Svc()).state, kept);
    EXPECT_EQ(Local("publickey"), wellFormed);
    EXPECT_EQ(Local("nextpublickey"), QStringLiteral("RWQnext"));
    EXPECT_EQ(Local("lastmanifesttime"), QStringLiteral("1700000000"));
    EXPECT_EQ(common::ReadIniValue(QStringLiteral("Program"), QStringLiteral("prgver"),
                                   t.Path(QStringLiteral("update.ini"))),
              QStringLiteral("2.0"));

    // Forgetting removes both (the file and publickey: cases_signed.sh,
    // case_signed_trust).
    bool ok = false;
    EXPECT_EQ(ForgetTrust(State(), t.folder, ok), texts::KeyForgotten(t.folder));
    EXPECT_TRUE(ok);
    EXPECT_EQ(Local("lastmanifesttime"), QString());
    EXPECT_FALSE(EstablishTrust(t.Svc()).state);
    EXPECT_EQ(ForgetTrust(State(), t.folder, ok), texts::NoKeyKept(t.folder));

    // A state that cannot be written refuses under a key.
    t.Write(QStringLiteral("update.ini"), "[Update]\npublickey=" + wellFormed.toLatin1() + "\n");
    t.services.stateFolder = t.Path(QStringLiteral("update.ini/state"));
    EXPECT_EQ(EstablishTrust(t.services).refusal,
              texts::refusal::TrustNotRecorded(TrustStateFile(t.services.stateFolder, t.folder)));
}

}  // namespace
