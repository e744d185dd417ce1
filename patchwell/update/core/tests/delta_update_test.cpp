// Updates that arrive as a patch from the installer kept here or as a
// compressed installer, and their fallback to the installer itself.

#include <QCryptographicHash>
#include <QDir>
#include <QLocale>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include <sys/mman.h>
#include <unistd.h>

#include "common/files/whole_file.h"
#include "patchwell/patch/zstd_patch.h"
#include "patchwell/update/core/delta/download_plan.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/logic/install_logic.h"
#include "patchwell/update/core/logic/update_logic.h"
#include "patchwell/update/core/manifest/channel.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/fake_install_view.h"
#include "patchwell/update/core/testing/fake_update_view.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"

namespace {

using namespace patchwell::update;
namespace patch = patchwell::patch;

QByteArray Sha(const QByteArray& bytes) {
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}
QString Hex(const QByteArray& bytes) {
    return QString::fromLatin1(Sha(bytes).toHex());
}

int MemoryFile(const QByteArray& bytes) {
    const int fd = ::memfd_create("test", MFD_CLOEXEC);
    EXPECT_TRUE(common::WriteAll(fd, bytes.constData(), bytes.size()));
    ::lseek(fd, 0, SEEK_SET);
    return fd;
}

QByteArray Contents(int fd) {
    QByteArray bytes;
    EXPECT_TRUE(common::ReadEachBlock(
        fd, 1 << 16, [&](QByteArrayView block) { bytes.append(block); }));
    return bytes;
}

// A patch from `base` to `result` (empty base: `result` compressed).
QByteArray Delta(const QByteArray& base, const QByteArray& result) {
    const int from = base.isEmpty() ? -1 : MemoryFile(base);
    const int to = MemoryFile(result);
    const int out = MemoryFile({});
    EXPECT_TRUE(patch::Make(from, to, out, 3).ok);
    const QByteArray made = Contents(out);
    for (const int fd : {from, to, out}) {
        if (fd >= 0) {
            ::close(fd);
        }
    }
    return made;
}

// Two releases of an installer, alike but for a few changes.
QByteArray Release(int number) {
    QByteArray bytes = "#!/bin/sh\n# release " + QByteArray::number(number) + "\n";
    for (int line = 0; line < 4000; ++line) {
        bytes += "echo line " + QByteArray::number(line * 7919 % 10007) + "\n";
    }
    return bytes;
}

const QByteArray kOld = Release(1);
const QByteArray kNew = Release(2);
const QString kFull = QStringLiteral("https://h/editor-setup.sh");
const QString kPatch = QStringLiteral("https://h/editor-setup.sh.from-1.zstpatch");
const QString kZst = QStringLiteral("https://h/editor-setup.sh.zst");

TEST(DownloadPlan, APatchFromTheKeptInstallerThenTheCompressedFileOnlyWhereAllIsBound) {
    const KeptInstaller kept{QStringLiteral("/kept"), Sha(kOld), kOld.size(), QStringLiteral("1")};
    const QString old = Hex(kOld);
    const QString other = Hex("another installer");
    const QString sha = Hex("a patch");
    const QByteArray bound =
        "curverurl=https://h/editor-setup.sh\ncurversize=9\ncurversha256=" + Hex("new").toLatin1() +
        "\n";
    const auto patchKeys = [&](int n, const QString& from, const char* url, const char* size,
                               const QString& digest) {
        const QByteArray p = "curverpatch" + QByteArray::number(n);
        return p + "=" + url + "\n" + p + "from=" + from.toLatin1() + "\n" + p + "size=" + size +
               "\n" + p + "sha256=" + digest.toLatin1() + "\n";
    };
    const QByteArray zst =
        "curverzst=https://h/z.zst\ncurverzstsize=5\ncurverzstsha256=" + sha.toLatin1() + "\n";
    struct Case {
        const char* what;
        QByteArray update;  // the keys of [Update] besides curver
        bool kept;          // an installer is kept here
        const char* channel;
        QStringList plan;  // the addresses tried before the installer
    };
    const Case cases[] = {
        {"none of the keys", bound, true, "", {}},
        {"a patch",
         bound + patchKeys(1, old, "https://h/p1", "7", sha),
         true,
         "",
         {QStringLiteral("https://h/p1")}},
        {"its base in upper case",
         bound + patchKeys(1, old.toUpper(), "https://h/p1", "7", sha),
         true,
         "",
         {QStringLiteral("https://h/p1")}},
        {"the installer unbound",
         "curverurl=https://h/editor-setup.sh\n" + patchKeys(1, old, "https://h/p1", "7", sha) +
             zst,
         true,
         "",
         {}},
        {"a patch from another base",
         bound + patchKeys(1, other, "https://h/p1", "7", sha) +
             patchKeys(2, old, "https://h/p2", "7", sha),
         true,
         "",
         {QStringLiteral("https://h/p2")}},
        {"nothing kept",
         bound + patchKeys(1, old, "https://h/p1", "7", sha) + zst,
         false,
         "",
         {QStringLiteral("https://h/z.zst")}},
        {"patch and compressed",
         bound + patchKeys(3, old, "https://h/p3", "7", sha) + zst,
         true,
         "",
         {QStringLiteral("https://h/p3"), QStringLiteral("https://h/z.zst")}},
        {"malformed patches are passed over",
         bound + patchKeys(1, old, "http://h/p1", "7", sha) +
             patchKeys(2, old, "https://h/p2", "0", sha) +
             patchKeys(3, old, "https://h/p3", "7", sha.left(63)) + zst,
         true,
         "",
         {QStringLiteral("https://h/z.zst")}},
        {"a compressed file without its size",
         bound + "curverzst=https://h/z.zst\ncurverzstsha256=" + sha.toLatin1() + "\n",
         true,
         "",
         {}},
        {"a channel has its own",
         bound + patchKeys(1, old, "https://h/p1", "7", sha),
         true,
         "beta",
         {QStringLiteral("https://h/beta.zst")}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray manifest =
            "[Update]\ncurver=2\n" + c.update + "[Update.beta]\ncurver=2b\n" + bound +
            "curverzst=https://h/beta.zst\ncurverzstsize=5\ncurverzstsha256=" + sha.toLatin1() +
            "\n";
        VerifiedManifest verified;
        ASSERT_FALSE(BindManifest(ParseChannelManifest(manifest, QString::fromLatin1(c.channel)),
                                  false, QString(), QDateTime::currentDateTimeUtc(), verified));
        QStringList plan;
        for (const DeltaOffer& offer :
             PlanDownload(verified, c.kept ? std::optional(kept) : std::nullopt)) {
            plan << offer.address;
            EXPECT_EQ(offer.kind == DeltaOffer::Kind::Patch, offer.address.contains(QStringLiteral("/p")));
            EXPECT_EQ(offer.sha256, Sha("a patch"));
            EXPECT_EQ(offer.size, offer.kind == DeltaOffer::Kind::Patch ? 7 : 5);
        }
        EXPECT_EQ(plan, c.plan);
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
        const int ran = MemoryFile(kOld);
        EXPECT_TRUE(kept.Keep(ran, Sha(kOld), QStringLiteral("1")));
        ::close(ran);
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

    void OfferPatch(const QByteArray& body, const QByteArray& from = kOld) {
        served[kPatch] = body;
        manifest.values.curverpatch1 = kPatch;
        manifest.values.curverpatch1from = Hex(from);
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

class DeltaUpdateTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        deltaLog.clear();
        previousHandler = qInstallMessageHandler(KeepDeltaLog);
    }
    void TearDown() override {
        qInstallMessageHandler(previousHandler);
        QLocale::setDefault(QLocale::system());
    }
    QtMessageHandler previousHandler = nullptr;
};

TEST_F(DeltaUpdateTest, EveryFailureOfAPatchEndsInTheInstallerItselfInTheSameClick) {
    const QByteArray patch = Delta(kOld, kNew);
    const QString patchLine = texts::Status(texts::PatchNotUsed());
    const QString zstLine = texts::Status(texts::CompressedNotUsed());
    struct Case {
        const char* what;
        std::function<void(Scene&)> arrange;
        QStringList probed;
        QStringList lines;      // the fallback lines shown
        const char* why;        // in the log of the first fallback
        bool sealedByDownload;  // made from a patch or compressed file
    };
    const std::vector<Case> cases{
        {"the patch", [&](Scene& s) { s.OfferPatch(patch); }, {kPatch}, {}, "", true},
        {"a patch that is not there",
         [&](Scene& s) {
             s.OfferPatch(patch);
             s.served.erase(kPatch);
         },
         {kPatch, kFull},
         {patchLine},
         "404",
         false},
        {"a patch with another SHA-256",
         [&](Scene& s) {
             s.OfferPatch(patch);
             s.manifest.values.curverpatch1sha256 = Hex(kNew);
         },
         {kPatch, kFull},
         {patchLine},
         "another SHA-256",
         false},
        {"a patch longer than announced",
         [&](Scene& s) {
             s.OfferPatch(patch);
             s.manifest.values.curverpatch1size = QString::number(patch.size() - 1);
         },
         {kPatch, kFull},
         {patchLine},
         "not received",
         false},
        {"a damaged patch",
         [&](Scene& s) {
             QByteArray damaged = patch;
             damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x10);
             s.OfferPatch(damaged);
         },
         {kPatch, kFull},
         {patchLine},
         "damaged",
         false},
        {"a patch that grows past the installer's size",
         [&](Scene& s) { s.OfferPatch(Delta(kOld, kNew + "more")); },
         {kPatch, kFull},
         {patchLine},
         "longer than allowed",
         false},
        {"a patch to another installer of the same size",
         [&](Scene& s) { s.OfferPatch(Delta(kOld, Release(3))); },
         {kPatch, kFull},
         {patchLine},
         "SHA-256",
         false},
        {"a base changed since it was kept",
         [&](Scene& s) {
             s.OfferPatch(patch);
             QFile base(s.kept.Current()->path);
             ASSERT_TRUE(base.open(QIODevice::ReadWrite));
             base.write("#!/bin/bash");
         },
         {kPatch, kFull},
         {patchLine},
         "gone or changed",
         false},
        {"a patch from another base is never fetched",
         [&](Scene& s) { s.OfferPatch(Delta(Release(3), kNew), Release(3)); },
         {kFull},
         {},
         "",
         false},
        {"the compressed installer",
         [&](Scene& s) { s.OfferCompressed(Delta({}, kNew)); },
         {kZst},
         {},
         "",
         true},
        {"a compressed file that inflates past the installer's size",
         [&](Scene& s) { s.OfferCompressed(Delta({}, kNew + "x")); },
         {kZst, kFull},
         {zstLine},
         "longer than allowed",
         false},
        {"a failed patch, then the compressed installer",
         [&](Scene& s) {
             s.OfferPatch("short");
             s.manifest.values.curverpatch1size = QStringLiteral("9");
             s.OfferCompressed(Delta({}, kNew));
         },
         {kPatch, kZst},
         {patchLine},
         "5 bytes, not 9",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        deltaLog.clear();
        Scene s;
        c.arrange(s);
        s.logic.OnStartClicked();
        EXPECT_EQ(s.probed, c.probed);
        QStringList lines;
        for (const QString& status : s.view.statuses) {
            if (status == patchLine || status == zstLine) {
                lines << status;
            }
        }
        EXPECT_EQ(lines, c.lines);
        if (*c.why != '\0') {
            ASSERT_FALSE(deltaLog.isEmpty());
            EXPECT_TRUE(deltaLog.first().contains(QString::fromLatin1(c.why)))
                << deltaLog.first().toStdString();
        }
        EXPECT_TRUE(s.t.messages.shown.empty());
        EXPECT_EQ(s.view.log.filter(QStringLiteral("showInstall")).size(), 1);
        EXPECT_EQ(s.view.downloads.last(), texts::DownloadingFile(c.probed.last()));
        // Nothing received stays in the work folder, and only the installer
        // itself comes into the program folder.
        EXPECT_TRUE(QDir(s.kept.WorkFolder()).isEmpty());
        EXPECT_EQ(s.t.Exists(QStringLiteral("editor-setup.sh")), !c.sealedByDownload);
        ASSERT_EQ(s.logic.ReadyInstaller() != nullptr, c.sealedByDownload);

        // The installation step runs exactly the bound installer and keeps
        // it as the next patch's base.
        FakeInstallView installView;
        InstallLogic install(s.t.Svc(), installView);
        if (c.sealedByDownload) {
            install.Load(*s.logic.ReadyInstaller(), s.logic.InstallerFile(), s.manifest);
        } else {
            install.Load(s.dl1.targetFile, s.manifest);
        }
        ASSERT_EQ(s.t.launcher.starts.size(), 2u);
        EXPECT_EQ(s.t.launcher.starts[0].descriptorContent, kNew);
        ASSERT_TRUE(s.kept.Current());
        EXPECT_EQ(s.kept.Current()->sha256, Sha(kNew));
    }
}

TEST_F(DeltaUpdateTest, CancellingThePatchEndsTheUpdateWithNothingLeft) {
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
