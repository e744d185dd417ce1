// Updates that arrive as a patch from the installer kept here or as a
// compressed installer, and their fallback to the installer itself.

#include <QCryptographicHash>
#include <QDir>
#include <QStringList>
#include <QTemporaryFile>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "patchwell/patch/zstd_patch.h"
#include "patchwell/update/core/delta/download_plan.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/logic/install_logic.h"
#include "patchwell/update/core/logic/update_logic.h"
#include "patchwell/update/core/manifest/channel.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/fake_update_view.h"
#include "patchwell/update/core/testing/releases.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"

namespace {

using namespace patchwell::update;
namespace patch = patchwell::patch;

using namespace patchwell::update::test_installers;

const QByteArray kOld = Release(1);
const QByteArray kNew = Release(2);
const QString kFull = QStringLiteral("https://h/editor-setup.sh");
const QString kPatch = QStringLiteral("https://h/editor-setup.sh.from-1.zstpatch");
const QString kZst = QStringLiteral("https://h/editor-setup.sh.zst");

TEST(DownloadPlan, APatchFromTheKeptInstallerThenTheCompressedFileOnlyWhereAllIsBound) {
    const KeptInstaller kept{QStringLiteral("/kept"), Sha(kOld), kOld.size(), QStringLiteral("1")};
    const QByteArray old = Hex(kOld).toLatin1(), sha = Hex("a file").toLatin1();
    const QByteArray bound = "curverurl=https://h/s.sh\ncurversize=9\ncurversha256=" + sha + "\n";
    // Patch N from `from` at https://h/NAME (or at ADDRESS), 7 bytes long.
    const auto patch = [&](int n, const QByteArray& from, const char* name,
                           const char* size = "7") {
        const QByteArray p = "\ncurverpatch" + QByteArray::number(n);
        const QByteArray address =
            QByteArray(name).contains(':') ? name : "https://h/" + QByteArray(name);
        return p.mid(1) + "=" + address + p + "from=" + from + p + "size=" + size + p +
               "sha256=" + sha + "\n";
    };
    const QByteArray zst = "curverzst=https://h/z\ncurverzstsize=5\ncurverzstsha256=" + sha + "\n";
    const struct {
        const char* what;
        QByteArray update;  // [Update] besides curver
        bool kept;          // an installer is kept here
        const char* channel;
        const char* plan;  // the names tried before the installer
    } cases[] = {
        {"none of the keys", bound, true, "", ""},
        {"a patch", bound + patch(1, old, "p1"), true, "", "p1"},
        {"its base in upper case", bound + patch(1, old.toUpper(), "p1"), true, "", "p1"},
        {"the installer unbound", "curverurl=https://h/s.sh\n" + patch(1, old, "p1") + zst, true,
         "", ""},
        {"from another base", bound + patch(1, sha, "p1") + patch(2, old, "p2"), true, "", "p2"},
        {"nothing kept", bound + patch(1, old, "p1") + zst, false, "", "z"},
        {"patch and compressed", bound + patch(3, old, "p3") + zst, true, "", "p3 z"},
        {"malformed ones passed over",
         bound + patch(1, old, "http://h/p1") + patch(2, old, "p2", "0") +
             patch(3, old.left(63), "p3") + zst.left(zst.size() - 2) + "\n",
         true, "", ""},
        {"a channel has its own", bound + patch(1, old, "p1"), true, "beta", "beta"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray manifest = "[Update]\ncurver=2\n" + c.update +
                                    "[Update.beta]\ncurver=2b\n" + bound +
                                    QByteArray(zst).replace("/z\n", "/beta\n");
        VerifiedManifest verified;
        ASSERT_FALSE(BindManifest(ParseChannelManifest(manifest, QString::fromLatin1(c.channel)),
                                  false, QString(), QDateTime::currentDateTimeUtc(), verified));
        QStringList plan;
        for (const DeltaOffer& offer :
             PlanDownload(verified, c.kept ? std::optional(kept) : std::nullopt)) {
            plan << offer.address.mid(10);
            EXPECT_EQ(offer.kind == DeltaOffer::Kind::Patch, plan.last().startsWith(u'p'));
            EXPECT_EQ(offer.sha256, Sha("a file"));
            EXPECT_EQ(offer.size, offer.kind == DeltaOffer::Kind::Patch ? 7 : 5);
        }
        EXPECT_EQ(plan.join(u' '), QString::fromLatin1(c.plan));
    }
}

// The log lines of the delta steps, to see where a fallback began.
QStringList deltaLog;
void KeepDeltaLog(QtMsgType, const QMessageLogContext& context, const QString& text) {
    if (QByteArray(context.category) == "patchwell.update.delta") {
        deltaLog << text;
    }
}

// A download window offered the new release, with the old one kept here
// and a server that has the files of `served` (anything else is a 404).
struct Scene {
    Scene() {
        t.Write(QStringLiteral("update.ini"),
                "[Program]\nPrgname=Sample Editor\nprgver=1\nexe=editor.sh\n");
        t.Write(QStringLiteral("iupdate.ini"), "[Update]\ncurver=2\n");
        QTemporaryFile ran;
        EXPECT_TRUE(ran.open() && ran.write(kOld) == kOld.size() && ran.flush());
        EXPECT_TRUE(kept.Keep(ran.handle(), Sha(kOld), QStringLiteral("1")));
        manifest.values.curver = QStringLiteral("2");
        manifest.values.curverurl = kFull;
        manifest.installerSize = kNew.size();
        manifest.installerSha256 = Sha(kNew);
        served[kFull] = kNew;
        dl1.url = kFull;
        dl1.saveLocation = t.Path(QStringLiteral("editor-setup.sh"));
        dl1.onProbe = [this](FakeControl& c) {
            probed << c.url;
            const auto file = served.find(c.url);
            c.fileSize = file == served.end() ? 0 : file->second.size();
            if (file == served.end()) {
                c.RaiseError(QStringLiteral("Error 404: File Not Found"));
            }
        };
        dl1.onDownload = [this](FakeControl& c) {
            // A file a killed run left behind is gone before the transfer.
            EXPECT_FALSE(QFile::exists(c.saveLocation)) << c.saveLocation.toStdString();
            c.targetFile = c.saveLocation;
            const QByteArray& body = served[c.url];
            QFile file(c.saveLocation);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(body);
            file.close();
            c.RaiseProgress(body.size(), 100);
            if (c.url == cancelAt) {
                logic.OnCancelClicked();
                c.RaiseError(QStringLiteral("Download Was Cancelled By User"));
                return;
            }
            c.RaiseComplete();
        };
        ConnectEvents(dl1, logic);
        // What a run killed during a transfer left in the work folder.
        QFile leftover(kept.WorkFolder() + QStringLiteral("/update.zstpatch"));
        EXPECT_TRUE(leftover.open(QIODevice::WriteOnly));
    }

    void OfferPatch(const QByteArray& body) {
        served[kPatch] = body;
        manifest.values.curverpatch1 = kPatch;
        manifest.values.curverpatch1from = Hex(kOld);
        manifest.values.curverpatch1size = QString::number(body.size());
        manifest.values.curverpatch1sha256 = Hex(body);
    }
    void OfferCompressed(const QByteArray& body) {
        served[kZst] = body;
        manifest.values.curverzst = kZst;
        manifest.values.curverzstsize = QString::number(body.size());
        manifest.values.curverzstsha256 = Hex(body);
    }

    TestFolder t;
    KeptInstallers kept{{t.StateFolder()}, t.folder};
    FakeUpdateView view;
    FakeControl dl1;
    VerifiedManifest manifest;
    UpdateLogic logic{t.Svc(), view, dl1, manifest};
    std::map<QString, QByteArray> served;
    QStringList probed;  // the addresses asked for, in order
    QString cancelAt;    // the address whose transfer the user cancels
};

TEST(DeltaUpdate, EveryFailureOfAPatchEndsInTheInstallerItselfInTheSameClick) {
    const QtMessageHandler previousHandler = qInstallMessageHandler(KeepDeltaLog);
    const QByteArray patch = Delta(kOld, kNew);
    ASSERT_FALSE(patch.isEmpty());
    QByteArray damaged = patch;
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x10);
    const std::map<QString, QString> steps{{QStringLiteral("patch"), kPatch},
                                           {QStringLiteral("zst"), kZst},
                                           {QStringLiteral("full"), kFull}};
    struct Case {
        const char* what;
        QByteArray patch;                   // offered with its own size and SHA-256; empty: none
        QByteArray zst;                     // the same for the compressed installer
        std::function<void(Scene&)> spoil;  // what is wrong besides
        const char* steps;                  // what is fetched, in order
        const char* why;                    // in the log of the first fallback
    };
    const std::vector<Case> cases{
        {"the patch", patch, {}, {}, "patch", ""},
        {"a patch not there",
         patch,
         {},
         [](Scene& s) { s.served.erase(kPatch); },
         "patch full",
         "404"},
        {"a patch with another SHA-256",
         patch,
         {},
         [](Scene& s) { s.manifest.values.curverpatch1sha256 = Hex(kNew); },
         "patch full",
         "another SHA-256"},
        {"a patch longer than announced",
         patch,
         {},
         [&](Scene& s) { s.manifest.values.curverpatch1size = QString::number(patch.size() - 1); },
         "patch full",
         "longer than announced"},
        {"a damaged patch", damaged, {}, {}, "patch full", "damaged"},
        {"a patch past the installer's size",
         Delta(kOld, kNew + "more"),
         {},
         {},
         "patch full",
         "longer than allowed"},
        {"a patch to another installer", Delta(kOld, Release(3)), {}, {}, "patch full", "SHA-256"},
        {"a base changed since it was kept, its patch not fetched",
         patch,
         {},
         [](Scene& s) {
             QFile base(s.kept.Current()->path);
             ASSERT_TRUE(base.open(QIODevice::ReadWrite) && base.write("#!/bin/bash") > 0);
         },
         "full",
         ""},
        {"a base changed while the patch came",
         patch,
         {},
         [](Scene& s) {
             const QString path = s.kept.Current()->path;
             s.dl1.onDownload = [path, receive = s.dl1.onDownload](FakeControl& c) {
                 QFile base(path);
                 EXPECT_TRUE(base.open(QIODevice::ReadWrite) && base.write("#!/bin/bash") > 0);
                 receive(c);
             };
         },
         "patch full",
         "gone or changed"},
        {"a patch from another base, never fetched",
         Delta(Release(3), kNew),
         {},
         [](Scene& s) { s.manifest.values.curverpatch1from = Hex(Release(3)); },
         "full",
         ""},
        {"the compressed installer", {}, Delta({}, kNew), {}, "zst", ""},
        {"a compressed file past the installer's size",
         {},
         Delta({}, kNew + "x"),
         {},
         "zst full",
         "longer than allowed"},
        {"a failed patch, then the compressed installer", "short", Delta({}, kNew),
         [](Scene& s) { s.manifest.values.curverpatch1size = QStringLiteral("9"); }, "patch zst",
         "5 bytes, not 9"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        deltaLog.clear();
        Scene s;
        if (!c.patch.isEmpty()) {
            s.OfferPatch(c.patch);
        }
        if (!c.zst.isEmpty()) {
            s.OfferCompressed(c.zst);
        }
        if (c.spoil) {
            c.spoil(s);
        }
        s.logic.OnStartClicked();
        // Each step given up says so once, on the status line.
        const QStringList names = QString::fromLatin1(c.steps).split(u' ');
        QStringList fetched, lines;
        for (const QString& name : names) {
            fetched << steps.at(name);
            if (name != names.last()) {
                lines << texts::Status(name == QStringLiteral("patch")
                                           ? texts::PatchNotUsed()
                                           : texts::CompressedNotUsed());
            }
        }
        EXPECT_EQ(s.probed, fetched);
        EXPECT_EQ(s.view.statuses.filter(QStringLiteral("could not be used")), lines);
        if (*c.why != '\0') {
            ASSERT_FALSE(deltaLog.isEmpty());
            EXPECT_TRUE(deltaLog.first().contains(QString::fromLatin1(c.why)))
                << deltaLog.first().toStdString();
        }
        EXPECT_TRUE(s.t.messages.shown.empty());
        EXPECT_EQ(s.view.log.filter(QStringLiteral("showInstall")).size(), 1);
        EXPECT_EQ(s.view.downloads.last(), texts::DownloadingFile(fetched.last()));
        // Nothing received stays in the work folder, and only the installer
        // itself comes into the program folder.
        const bool full = names.last() == QStringLiteral("full");
        EXPECT_TRUE(QDir(s.kept.WorkFolder()).isEmpty());
        EXPECT_EQ(s.t.Exists(QStringLiteral("editor-setup.sh")), full);
        ASSERT_EQ(s.logic.ReadyInstaller() == nullptr, full);

        // The installation step runs exactly the bound installer and keeps
        // it as the next patch's base.
        FakeInstallView installView;
        InstallLogic install(s.t.Svc(), installView);
        if (full) {
            install.Load(s.dl1.targetFile, s.manifest);
        } else {
            install.Load(*s.logic.ReadyInstaller(), s.logic.InstallerFile(), s.manifest);
        }
        ASSERT_EQ(s.t.launcher.starts.size(), 2u);
        EXPECT_EQ(s.t.launcher.starts[0].descriptorContent, kNew);
        ASSERT_TRUE(s.kept.Current());
        EXPECT_EQ(s.kept.Current()->sha256, Sha(kNew));
    }
    qInstallMessageHandler(previousHandler);
}

TEST(DeltaUpdate, CancellingThePatchEndsTheUpdateWithNothingLeft) {
    Scene s;
    s.OfferPatch(Delta(kOld, kNew));
    s.cancelAt = kPatch;
    s.logic.OnStartClicked();
    EXPECT_EQ(s.probed, QStringList{kPatch});
    EXPECT_EQ(s.t.lifetime.ends, 1);
    EXPECT_FALSE(s.t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_TRUE(QDir(s.kept.WorkFolder()).isEmpty());
    EXPECT_FALSE(s.view.log.contains(QStringLiteral("showInstall")));
    EXPECT_TRUE(s.t.messages.shown.empty());
}

}  // namespace
