#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <memory>

#include "patchwell/update/core/folder_checks.h"
#include "patchwell/update/core/installer_sources.h"
#include "patchwell/update/core/logic/check_logic.h"
#include "patchwell/update/core/logic/update_logic.h"
#include "patchwell/update/core/manifest/manifest.h"
#include "patchwell/update/core/manifest/signed_update.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/fake_update_view.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"

namespace {

using namespace patchwell::update;
using patchwell::platform::MessageIcon;

TEST(FolderChecks, OnlyPlacesInsideTheFoldersRealPathCountThroughEveryLink) {
    TestFolder t;
    QTemporaryDir outside;
    ASSERT_TRUE(QDir(t.folder).mkpath(QStringLiteral("sub/deeper")));
    ASSERT_TRUE(QFile::link(outside.path(), t.Path(QStringLiteral("out"))));
    ASSERT_TRUE(QFile::link(t.Path(QStringLiteral("out")), t.Path(QStringLiteral("sub/out2"))));
    ASSERT_TRUE(QFile::link(t.Path(QStringLiteral("sub")), t.Path(QStringLiteral("here"))));
    // The program folder itself reached through a link.
    const QString viaLink = t.root.filePath(QStringLiteral("linked app"));
    ASSERT_TRUE(QFile::link(t.folder, viaLink));

    const QString url = QStringLiteral("http://127.0.0.1:1/editor-setup.sh");
    const struct {
        QString folder;
        QString save;
        QString url;
        bool inside;
    } cases[] = {
        {t.folder, t.Path(QStringLiteral("setup.sh")), url, true},
        {t.folder, t.Path(QStringLiteral("sub/deeper/setup.sh")), url, true},
        {t.folder, t.Path(QStringLiteral("here/setup.sh")), url, true},
        {viaLink, viaLink + QStringLiteral("/here/setup.sh"), url, true},
        {t.folder, t.Path(QStringLiteral("sub\\deeper\\setup.sh")), url, true},
        {t.folder, t.Path(QStringLiteral("out/setup.sh")), url, false},
        {t.folder, t.Path(QStringLiteral("sub/out2/setup.sh")), url, false},
        {t.folder, t.Path(QStringLiteral("sub/../out/setup.sh")), url, false},
        {t.folder, t.Path(QStringLiteral("missing/setup.sh")), url, false},
        {viaLink, viaLink + QStringLiteral("/out/setup.sh"), url, false},
        // The name the control writes with the URL's extension counts too.
        {t.folder, t.Path(QStringLiteral("sub/setupfile")), url, true},
        {t.folder, t.Path(QStringLiteral("out/setupfile")), url, false},
        {t.folder, t.Path(QStringLiteral("setup.tmp")), QStringLiteral("http://h/e.run"), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.save.toStdString());
        EXPECT_EQ(SavesInsideProgramFolder(c.folder, c.url, c.save), c.inside);
    }
    EXPECT_FALSE(InsideProgramFolder(t.root.filePath(QStringLiteral("gone")),
                                     t.root.filePath(QStringLiteral("gone/setup.sh"))));
}

TEST(FolderChecks, AnUnwritableFolderOrTooLittleRoomIsNamedWithWhatIsMissing) {
    patchwell::platform::FakeFolderStorage storage;
    const QString folder = QStringLiteral("/opt/my app");
    EXPECT_EQ(FolderShortcoming(storage, folder, 30'000'000), std::nullopt);
    EXPECT_EQ(storage.asked, (QStringList{folder, folder}));

    storage.available = 1'000'000;
    EXPECT_EQ(RefusalText(FolderShortcoming(storage, folder, 30'000'000).value()),
              QStringLiteral("Patchwell cannot update the program in /opt/my app: the update "
                             "needs 28.61 MiB of free space there, and only 976.56 KiB are free."));
    EXPECT_EQ(FolderShortcoming(storage, folder, 1'000'000), std::nullopt);  // just fits
    EXPECT_EQ(FolderShortcoming(storage, folder, 0), std::nullopt);          // size not known yet
    storage.available.reset();
    EXPECT_EQ(FolderShortcoming(storage, folder, 30'000'000), std::nullopt);  // room not known

    storage.writable = false;
    EXPECT_EQ(RefusalText(FolderShortcoming(storage, folder, 0).value()),
              QStringLiteral("Patchwell cannot update the program in /opt/my app: the folder "
                             "cannot be written to."));
}

TEST(InstallerSources, CurverurlFirstThenEachUsableMirrorOnce) {
    const QString http = QStringLiteral("http://a.example/setup.sh");
    const QString https = QStringLiteral("https://a.example/setup.sh");
    const struct {
        QString url;
        QString mirrors;
        QStringList expected;
    } cases[] = {
        {http, {}, {http}},
        {http,
         QStringLiteral("  http://b.example/s.sh\thttps://c.example/s.sh \n"),
         {http, QStringLiteral("http://b.example/s.sh"), QStringLiteral("https://c.example/s.sh")}},
        // Repeats, other schemes, no host and plain junk are left out.
        {http,
         QStringLiteral("http://a.example/setup.sh ftp://b.example/s.sh file:///etc/passwd "
                        "http:///nohost junk http://b.example/s.sh http://b.example/s.sh"),
         {http, QStringLiteral("http://b.example/s.sh")}},
        // An https address takes only https mirrors.
        {https,
         QStringLiteral("http://b.example/s.sh https://c.example/s.sh"),
         {https, QStringLiteral("https://c.example/s.sh")}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.mirrors.toStdString());
        EXPECT_EQ(InstallerAddresses(c.url, c.mirrors), c.expected);
    }
}

class FailoverTest : public ::testing::Test {
protected:
    void SetUp() override {
        t.Write(QStringLiteral("update.ini"), "[Program]\nprgver=1.0\nexe=editor.sh\n");
        dl1.url = QStringLiteral("http://a.example/setup.sh");
        dl1.saveLocation = t.Path(QStringLiteral("setup.sh"));
        QObject::connect(&dl1, &ControlPort::DLComplete, [this] { logic->OnDLComplete(); });
        QObject::connect(&dl1, &ControlPort::DLError,
                         [this](const QString& s) { logic->OnDLError(s); });
        // What each address does: a probe that finds nothing, an error in
        // the transfer, or a file of some length.
        dl1.onProbe = [this](FakeControl& c) {
            const Outcome& o = outcomes.at(c.url);
            c.fileSize = o.probe;
            if (o.probe <= 0) {
                c.RaiseError(QStringLiteral("no file at ") + c.url);
            }
        };
        dl1.onDownload = [this](FakeControl& c) {
            const Outcome& o = outcomes.at(c.url);
            if (o.body.isNull()) {
                c.RaiseError(QStringLiteral("Error Downloading File from : ") + c.url);
                return;
            }
            c.targetFile = c.saveLocation;
            t.Write(QStringLiteral("setup.sh"), o.body);
            c.RaiseComplete();
        };
    }
    // The manifest as the check accepts it without a key; "$right" stands
    // for the SHA-256 of the installer "right\n".
    void Manifest(QByteArray update) {
        update.replace("$right",
                       QCryptographicHash::hash("right\n", QCryptographicHash::Sha256).toHex());
        const QByteArray bytes = "[Update]\ncurver=2.0\n" + update;
        t.Write(QStringLiteral("iupdate.ini"), bytes);
        manifest = {};
        ASSERT_EQ(BindManifest(ParseRemoteManifest(bytes), false, {},
                               QDateTime::currentDateTimeUtc(), manifest),
                  std::nullopt);
        logic = std::make_unique<UpdateLogic>(t.Svc(), view, dl1, manifest);
    }
    struct Outcome {
        qint32 probe;
        QByteArray body;  // null: the transfer fails
    };
    TestFolder t;
    FakeUpdateView view;
    FakeControl dl1;
    std::map<QString, Outcome> outcomes;
    VerifiedManifest manifest;
    std::unique_ptr<UpdateLogic> logic;
};

TEST_F(FailoverTest, EachAddressIsTriedOnceInOrderUntilOneDeliversAndNoErrorShowsMeanwhile) {
    Manifest(
        "curversize=6\ncurversha256=$right\ncurvermirrors=http://b.example/s.sh "
        "http://c.example/s.sh http://x.example/s.sh http://d.example/s.sh "
        "http://e.example/s.sh\n");
    outcomes = {
        {QStringLiteral("http://a.example/setup.sh"), {0, {}}},      // nothing there
        {QStringLiteral("http://b.example/s.sh"), {6, {}}},          // breaks off
        {QStringLiteral("http://c.example/s.sh"), {6, "older\n"}},   // lies: wrong digest
        {QStringLiteral("http://x.example/s.sh"), {7, "right!\n"}},  // announces too much
        {QStringLiteral("http://d.example/s.sh"), {6, "right\n"}},   // delivers
        {QStringLiteral("http://e.example/s.sh"), {6, "unused"}},
    };
    logic->OnStartClicked();
    EXPECT_EQ(view.downloads,
              (QStringList{QStringLiteral("Downloading File: http://a.example/setup.sh"),
                           QStringLiteral("Downloading File: http://b.example/s.sh"),
                           QStringLiteral("Downloading File: http://c.example/s.sh"),
                           QStringLiteral("Downloading File: http://x.example/s.sh"),
                           QStringLiteral("Downloading File: http://d.example/s.sh")}));
    EXPECT_EQ(dl1.calls.filter(QStringLiteral("GetFileInformation")).size(), 5);
    EXPECT_EQ(dl1.calls.filter(QStringLiteral("download")).size(), 3);
    EXPECT_TRUE(t.messages.shown.empty());
    EXPECT_EQ(view.log.mid(view.log.size() - 2),
              (QStringList{QStringLiteral("hide"), QStringLiteral("showInstall")}));
    EXPECT_EQ(t.lifetime.waits, std::vector<int>{500});

    // A check wired in from outside takes the place of the length check.
    Manifest("curvermirrors=http://b.example/s.sh\n");
    dl1.url = QStringLiteral("http://a.example/setup.sh");
    outcomes = {{QStringLiteral("http://a.example/setup.sh"), {6, "evil!\n"}},
                {QStringLiteral("http://b.example/s.sh"), {6, "right\n"}}};
    QStringList checked;
    logic->SetReceivedFileCheck([&](const QString& file) {
        checked << file;
        return dl1.url.contains(QStringLiteral("a.example"))
                   ? MaybeRefusal(Refusal{RefusalKind::WrongDigest})
                   : std::nullopt;
    });
    view.log.clear();
    logic->OnStartClicked();
    EXPECT_EQ(checked, (QStringList{t.Path(QStringLiteral("setup.sh")),
                                    t.Path(QStringLiteral("setup.sh"))}));
    EXPECT_EQ(view.log.mid(view.log.size() - 2),
              (QStringList{QStringLiteral("hide"), QStringLiteral("showInstall")}));
    EXPECT_TRUE(t.messages.shown.empty());
}

TEST_F(FailoverTest, OnlyTheLastErrorShowsHttpsSkipsPlainMirrorsAndTheProbedSizeMustFit) {
    Manifest(
        "curversize=6\ncurversha256=$right\n"
        "curvermirrors=http://plain.example/s.sh https://b.example/s.sh\n");
    dl1.url = QStringLiteral("https://a.example/setup.sh");
    outcomes = {
        {QStringLiteral("https://a.example/setup.sh"), {6, "wrong\n"}},
        {QStringLiteral("https://b.example/s.sh"), {6, {}}},
    };
    logic->OnStartClicked();
    EXPECT_EQ(view.downloads,
              (QStringList{QStringLiteral("Downloading File: https://a.example/setup.sh"),
                           QStringLiteral("Downloading File: https://b.example/s.sh")}));
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text,
              QStringLiteral("Error Downloading File from : https://b.example/s.sh"));
    EXPECT_FALSE(t.Exists(QStringLiteral("setup.sh")));  // the refused file went
    EXPECT_FALSE(view.log.contains(QStringLiteral("showInstall")));
    EXPECT_EQ(t.lifetime.ends, 0);  // the window stays, as after any error

    // Another click starts over from the first address.
    view.downloads.clear();
    logic->OnStartClicked();
    EXPECT_EQ(view.downloads.first(),
              QStringLiteral("Downloading File: https://a.example/setup.sh"));
    EXPECT_EQ(t.messages.shown.size(), 2u);

    // When the last address, too, delivers another installer than the bound
    // one, the update is refused like any that cannot be verified.
    Manifest("curversize=6\ncurversha256=$right\n");
    dl1.url = QStringLiteral("https://a.example/setup.sh");
    outcomes = {{QStringLiteral("https://a.example/setup.sh"), {6, "wrong\n"}}};
    t.messages.shown.clear();
    logic->OnStartClicked();
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text, texts::UpdateNotVerified(texts::refusal::WrongDigest()));
    EXPECT_FALSE(t.Exists(QStringLiteral("setup.sh")));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_TRUE(t.launcher.starts.empty());
    EXPECT_EQ(t.lifetime.ends, 1);

    // Without curversize the probed size must fit, else nothing is fetched.
    Manifest({});
    dl1.url = QStringLiteral("https://a.example/setup.sh");
    outcomes = {{QStringLiteral("https://a.example/setup.sh"), {5000, "x"}}};
    t.storage.available = 4999;
    t.messages.shown.clear();
    dl1.calls.clear();
    logic->OnStartClicked();
    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_TRUE(t.messages.shown[0].text.startsWith(
        QStringLiteral("Patchwell cannot update the program in ") + t.folder));
    EXPECT_TRUE(dl1.calls.filter(QStringLiteral("download")).isEmpty());
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    ASSERT_EQ(t.launcher.starts.size(), 1u);
    EXPECT_EQ(t.launcher.starts[0].program, t.Path(QStringLiteral("editor.sh")));
    EXPECT_EQ(t.lifetime.ends, 2);
}

class NoView : public CheckView {
public:
    void MakeTopmost() override {}
    void HideWindow() override {}
    void ShowWindow() override { log << QStringLiteral("show"); }
    void StopTimer() override {}
    ControlPort& DownloadWindowControl() override {
        log << QStringLiteral("downloadWindow");
        return next;
    }
    void ShowDownloadWindow() override {}
    FakeControl next;
    QStringList log;
};

TEST(CheckFolderEdges, NothingIsFetchedIntoAFolderThatCannotTakeTheUpdate) {
    const struct {
        const char* name;
        bool writable;
        qint64 available;
        QByteArray manifest;  // served as iupdate.ini
        bool fetched;         // the remote manifest was fetched
        bool told;            // a message box named the folder
        bool served;          // the served program was started
    } cases[] = {
        {"unwritable", false, 1 << 30, "[Update]\ncurver=2.0\n", false, true, true},
        {"no room for curversize", true, 1000,
         "[Update]\ncurver=2.0\ncurverurl=http://h/s.sh\nsavefileas=s.sh\ncurversize=1001\n"
         "curversha256=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n",
         true, true, true},
        {"room enough", true, 1001,
         "[Update]\ncurver=2.0\ncurverurl=http://h/s.sh\nsavefileas=s.sh\ncurversize=1001\n"
         "curversha256=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa\n",
         true, false, false},
        {"through a linked subfolder", true, 1 << 30,
         "[Update]\ncurver=2.0\ncurverurl=http://h/s.sh\nsavefileas=out/s.sh\n", true, false,
         false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TestFolder t;
        QTemporaryDir outside;
        ASSERT_TRUE(QFile::link(outside.path(), t.Path(QStringLiteral("out"))));
        t.Write(QStringLiteral("update.ini"),
                "[Program]\nprgver=1.0\nexe=editor.sh\n[Update]\nverchckurl=http://h/m.ini\n");
        t.storage.writable = c.writable;
        t.storage.available = c.available;
        NoView view;
        FakeControl dl1;
        CheckLogic logic(t.Svc(), view, dl1);
        dl1.probeSize = static_cast<qint32>(c.manifest.size());
        dl1.onDownload = [&](FakeControl& control) {
            t.Write(QStringLiteral("iupdate.ini"), c.manifest);
            Q_EMIT control.DLComplete();
        };
        QObject::connect(&dl1, &ControlPort::DLComplete, [&] { logic.OnDLComplete(); });
        logic.Load();

        EXPECT_EQ(dl1.calls.contains(QStringLiteral("download")), c.fetched);
        EXPECT_EQ(t.messages.shown.size(), c.told ? 1u : 0u);
        if (c.told) {
            EXPECT_TRUE(t.messages.shown[0].text.startsWith(
                QStringLiteral("Patchwell cannot update the program in ") + t.folder + u':'));
            EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
            EXPECT_EQ(t.lifetime.ends, 1);
        }
        EXPECT_EQ(t.launcher.starts.size(), c.served ? 1u : 0u);
        const bool offered = !c.told && QByteArray(c.name) == "room enough";
        EXPECT_EQ(view.log.contains(QStringLiteral("downloadWindow")), offered);
        // Refused save names leave the check window up, as other unsafe
        // names do; nothing was written outside.
        if (QByteArray(c.name) == "through a linked subfolder") {
            EXPECT_EQ(view.log, QStringList{QStringLiteral("show")});
            EXPECT_TRUE(QDir(outside.path()).isEmpty());
        }
    }
}

}  // namespace
