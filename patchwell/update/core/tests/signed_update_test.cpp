#include <QCryptographicHash>

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <vector>

#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/refusal.h"
#include "patchwell/update/core/testing/test_folder.h"

namespace {

using namespace patchwell::update;

const QString kCheckUrl = QStringLiteral("https://example.org/editor/iupdate.ini");

RemoteManifest Bound() {
    RemoteManifest m;
    m.curver = QStringLiteral("2.1");
    m.curversize = QStringLiteral("1024");
    m.curversha256 = QString(64, QChar(u'A'));
    m.manifesturl = kCheckUrl;
    return m;
}

TEST(ManifestBinding, EachRuleGivesItsReason) {
    const QDateTime now =
        QDateTime::fromString(QStringLiteral("2026-06-01T12:00:00Z"), Qt::ISODate);
    using Field = QString RemoteManifest::*;
    struct Case {
        bool keyed;
        Field field;  // set to `value` in an otherwise bound manifest
        const char* value;
        MaybeRefusal reason;
    };
    const Field size = &RemoteManifest::curversize, sha = &RemoteManifest::curversha256,
                url = &RemoteManifest::manifesturl, expires = &RemoteManifest::expires;
    const std::vector<Case> cases{
        {true, &RemoteManifest::curver, "2.1", std::nullopt},
        {true, expires, "2026-06-01T12:00:00Z", std::nullopt},
        {true, size, "", Refusal{RefusalKind::Unbound}},
        {true, sha, "", Refusal{RefusalKind::Unbound}},
        {true, size, "1k", Refusal{RefusalKind::BadBinding}},
        {true, size, "-1", Refusal{RefusalKind::BadBinding}},
        {true, sha, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa",
         Refusal{RefusalKind::BadBinding}},
        {true, sha, "gggggggggggggggggggggggggggggggggggggggggggggggggggggggggggggggg",
         Refusal{RefusalKind::BadBinding}},
        {true, url, "", Refusal{RefusalKind::WrongAddress}},
        {true, url, "https://example.org/editor/iupdate.ini/", Refusal{RefusalKind::WrongAddress}},
        {true, expires, "2026-06-01T11:59:59Z", Refusal{RefusalKind::Expired}},
        {true, expires, "2030-01-01T00:00:00", Refusal{RefusalKind::BadExpiry}},
        {true, expires, "2030-02-30T00:00:00Z", Refusal{RefusalKind::BadExpiry}},
        {true, &RemoteManifest::nextpublickey, "RWQ", Refusal{RefusalKind::BadNextKey}},
        // Without a key only the installer's binding counts, when present.
        {false, url, "", std::nullopt},
        {false, expires, "2000-01-01T00:00:00Z", std::nullopt},
        {false, sha, "", Refusal{RefusalKind::BadBinding}},
    };
    for (const Case& c : cases) {
        RemoteManifest values = Bound();
        values.*c.field = QString::fromLatin1(c.value);
        VerifiedManifest out;
        EXPECT_EQ(BindManifest(values, c.keyed, kCheckUrl, now, out), c.reason) << c.value;
        EXPECT_EQ(out.keyed, c.keyed);
        if (!c.reason) {
            EXPECT_EQ(out.installerSize, 1024);
            EXPECT_EQ(out.installerSha256, QByteArray(32, '\xAA'));
            EXPECT_TRUE(ExceedsBoundSize(out, 1025));
            EXPECT_FALSE(ExceedsBoundSize(out, 1024));
        }
    }
    // Nothing bound and no key: nothing to check, nothing to exceed.
    VerifiedManifest out;
    EXPECT_EQ(BindManifest(RemoteManifest{}, false, kCheckUrl, now, out), std::nullopt);
    EXPECT_FALSE(out.BindsInstaller());
    EXPECT_FALSE(ExceedsBoundSize(out, 1 << 30));
}

TEST(StagedRollout, AWholePercentOrAll) {
    for (const auto& [text, percent] : std::vector<std::pair<const char*, int>>{{"0", 0},
                                                                                {"7", 7},
                                                                                {"100", 100},
                                                                                {"", 100},
                                                                                {"101", 100},
                                                                                {"-1", 100},
                                                                                {"50%", 100},
                                                                                {"5.5", 100},
                                                                                {"1000", 100}}) {
        EXPECT_EQ(RolloutPercent(QString::fromLatin1(text)), percent) << text;
    }
}

TEST(ReleaseNotes, ShownOnlyWhenFetchedWholeAndBound) {
    TestFolder t;
    const QString url = QStringLiteral("http://127.0.0.1:1/notes.txt");
    const QByteArray text = "Neu: schneller \xE2\x9C\x93\n";
    const QString digest =
        QString::fromLatin1(QCryptographicHash::hash(text, QCryptographicHash::Sha256).toHex());
    struct Case {
        const char* what;
        bool keyed;
        QString sha;
        QByteArray served;
        bool shown;
    };
    const std::vector<Case> cases{
        {"bound", true, digest, text, true},
        {"bound, upper-case digest", true, digest.toUpper(), text, true},
        {"no key, no digest", false, QString(), text, true},
        {"key without digest", true, QString(), text, false},
        {"other digest", true, QString(64, QChar(u'0')), text, false},
        {"no key, other digest", false, QString(64, QChar(u'0')), text, false},
        {"not UTF-8", false, QString(), "caf\xE9", false},
        {"too large", false, QString(), QByteArray(kMaxNotesBytes + 1, 'x'), false},
        {"not served", false, QString(), QByteArray(), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        t.fetcher.bodies.clear();
        if (!c.served.isEmpty()) {
            t.fetcher.bodies[url] = c.served;
        }
        VerifiedManifest m;
        m.keyed = c.keyed;
        m.values.curvernotes = url;
        m.values.curvernotessha256 = c.sha;
        EXPECT_EQ(FetchReleaseNotes(t.Svc(), m), c.shown ? QString::fromUtf8(text) : QString());
    }
    // The notes of an https manifest come over https only, as its mirrors do.
    VerifiedManifest secure;
    secure.address = QStringLiteral("https://example.org/iupdate.ini");
    secure.values.curvernotes = url;
    t.fetcher.bodies[url] = text;
    EXPECT_TRUE(FetchReleaseNotes(t.Svc(), secure).isEmpty());
    secure.values.curvernotes = QStringLiteral("https://example.org/notes.txt");
    t.fetcher.bodies[secure.values.curvernotes] = text;
    EXPECT_EQ(FetchReleaseNotes(t.Svc(), secure), QString::fromUtf8(text));

    VerifiedManifest none;
    t.fetcher.requests.clear();
    EXPECT_TRUE(FetchReleaseNotes(t.Svc(), none).isEmpty());
    EXPECT_TRUE(t.fetcher.requests.isEmpty());
}

TEST(ManifestExpiry, IsReadAsUtcInAZoneWithDaylightSaving) {
    const QByteArray zone = qgetenv("TZ");
    qputenv("TZ", "Europe/Berlin");
    ::tzset();
    struct Case {
        const char* expires;
        const char* now;
        bool expired;
    };
    // 02:30 does not exist in Berlin on 29 March 2026 and comes twice on 25
    // October; as UTC both are plain times.
    const std::vector<Case> cases{{"2026-03-29T02:30:00Z", "2026-03-29T02:29:59Z", false},
                                  {"2026-03-29T02:30:00Z", "2026-03-29T02:30:01Z", true},
                                  {"2026-10-25T02:30:00Z", "2026-10-25T02:30:00Z", false},
                                  {"2026-10-25T02:30:00Z", "2026-10-25T02:30:01Z", true},
                                  {"2026-07-01T12:00:00Z", "2026-07-01T11:00:00Z", false},
                                  {"2026-07-01T12:00:00Z", "2026-07-01T12:00:01Z", true}};
    for (const Case& c : cases) {
        RemoteManifest values;
        values.curversize = QStringLiteral("1");
        values.curversha256 = QString(64, QChar(u'0'));
        values.manifesturl = QStringLiteral("https://example.org/iupdate.ini");
        values.expires = QString::fromLatin1(c.expires);
        VerifiedManifest out;
        EXPECT_EQ(BindManifest(values, true, values.manifesturl,
                               QDateTime::fromString(QString::fromLatin1(c.now), Qt::ISODate), out),
                  c.expired ? MaybeRefusal(Refusal{RefusalKind::Expired}) : std::nullopt)
            << c.expires << " at " << c.now;
    }
    zone.isNull() ? qunsetenv("TZ") : qputenv("TZ", zone);
    ::tzset();
}

}  // namespace
