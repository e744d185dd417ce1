// The background download of a staged update against a scripted server on
// loopback, with the real control and libcurl: what is fetched, what is
// staged, and what stops it.

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>

#include <csignal>

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include "common/files/whole_file.h"
#include "common/process/instance_lock.h"
#include "patchwell/download/control/testing/loopback_fixture.h"
#include "patchwell/patch/zstd_patch.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/manifest/state_names.h"
#include "patchwell/update/core/staged/background_download.h"
#include "patchwell/update/core/staged/staged_update.h"
#include "patchwell/update/core/testing/releases.h"
#include "patchwell/update/core/testing/test_folder.h"

namespace {

using namespace patchwell::update;
using patchwell::download::ConnectionStatus;

using namespace patchwell::update::test_installers;

const QByteArray kOld = Release(1);
const QByteArray kNew = Release(2);

class Cost : public patchwell::platform::NetworkCost {
public:
    bool Metered() override { return metered || (meteredFrom >= 0 && asked++ >= meteredFrom); }
    bool metered = false;
    int meteredFrom = -1;  // metered from this question on
    int asked = 0;
};

// One installation at 1.0 with a manifest of 2.0 kept to download.
struct Stage {
    Stage() {
        EXPECT_TRUE(runtime.isValid());
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        app.Write(QStringLiteral("update.ini"),
                  "[Program]\nprgver=1.0\n[Update]\nverchckurl=" + Url("/iupdate.ini") + "\n");
    }
    ~Stage() {
        qunsetenv("XDG_RUNTIME_DIR");
        if (fileLimit) {
            ::setrlimit(RLIMIT_FSIZE, &*fileLimit);
        }
    }
    // Files of this process cannot grow past `bytes` (as on a full disk,
    // writes fail) until the end of the case.
    void LimitFiles(rlim_t bytes) {
        rlimit now{};
        ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &now), 0);
        fileLimit = now;
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = now;
        limited.rlim_cur = bytes;
        ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    QByteArray Url(const char* path) const { return QByteArray::fromStdString(server.url(path)); }
    void Serve(const char* path, const QByteArray& bytes) {
        pwtest::ServedFile file;
        file.data = std::make_shared<const std::string>(bytes.toStdString());
        file.etag = "\"" + Sha(bytes).toHex().left(8).toStdString() + "\"";
        server.setFile(path, file);
    }
    QByteArray Manifest(const QByteArray& more = {}) const {
        return "[Update]\ncurver=2.0\ncurverurl=" + Url("/setup.sh") +
               "\nsavefileas=setup.sh\ncurversize=" + QByteArray::number(kNew.size()) +
               "\ncurversha256=" + Sha(kNew).toHex() + "\n" + more;
    }
    QByteArray PatchKeys(const QByteArray& patch) const {
        return "curverpatch1=" + Url("/setup.zstpatch") +
               "\ncurverpatch1from=" + Sha(kOld).toHex() +
               "\ncurverpatch1size=" + QByteArray::number(patch.size()) +
               "\ncurverpatch1sha256=" + Sha(patch).toHex() + "\n";
    }
    StagedUpdates Staged() { return StagedUpdates({app.StateFolder()}, app.folder); }
    // The installer of 1.0 kept as having run here: the base of a patch.
    void KeepBase() {
        const int fd = MemoryFileWith(kOld);
        EXPECT_TRUE(KeptInstallers({app.StateFolder()}, app.folder)
                        .Keep(fd, Sha(kOld), QStringLiteral("1.0")));
        ::close(fd);
    }
    StageOutcome Run(const QByteArray& manifest) {
        EXPECT_TRUE(Staged().KeepManifest(manifest, std::nullopt));
        if (before) {
            before(*this);
        }
        auto environment = std::make_shared<patchwell::download::SystemDownLoadEnvironment>(
            nullptr,
            std::make_unique<patchwell::download::testing::FixedNetworkState>(
                ConnectionStatus{true, ConnectionStatus::kLan}),
            patchwell::download::testing::ShortTimeouts());
        return DownloadStagedUpdate(app.Svc(), cost, environment);
    }
    QByteArray StagedInstaller() {
        QFile file(QDir(Staged().Folder()).filePath(QStringLiteral("installer")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }
    // The paths asked for, each with its range. A file is fetched in the
    // request that asked for its size; only a continued one takes a second.
    std::string Asked() const {
        std::string asked;
        for (const pwtest::RecordedRequest& request : server.requests()) {
            asked += request.target;
            if (const auto range = request.header("Range")) {
                asked += "[" + *range + "]";
            }
            asked += " ";
        }
        return asked;
    }

    TestFolder app;
    QTemporaryDir runtime;
    pwtest::TestHttpServer server;
    Cost cost;
    std::function<void(Stage&)> before;  // just before the download
    std::unique_ptr<common::InstanceLock> held;
    std::optional<rlimit> fileLimit;
};

TEST(BackgroundDownload, FetchesTheSmallestFileThatMakesTheBoundInstallerAndStagesOnlyThat) {
    const QByteArray patch = Delta(kOld, kNew);
    QByteArray damaged = patch;
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x40);
    const qsizetype half = kNew.size() / 2;
    struct Case {
        const char* name;
        std::function<void(Stage&)> serve;
        std::function<QByteArray(Stage&)> manifest;
        StageOutcome outcome;
        bool staged;    // kNew is staged
        bool partKept;  // a part of it stays for the next run
        std::string asked;
    };
    const Case cases[] = {
        {"the installer whole", [](Stage& s) { s.Serve("/setup.sh", kNew); },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Staged, true, false, "/setup.sh "},
        {"a patch from the kept installer",
         [&](Stage& s) {
             s.KeepBase();
             s.Serve("/setup.zstpatch", patch);
             s.Serve("/setup.sh", kNew);
         },
         [&](Stage& s) { return s.Manifest(s.PatchKeys(patch)); }, StageOutcome::Staged, true,
         false, "/setup.zstpatch "},
        {"a damaged patch, then the installer",
         [&](Stage& s) {
             s.KeepBase();
             s.Serve("/setup.zstpatch", damaged);
             s.Serve("/setup.sh", kNew);
         },
         [&](Stage& s) { return s.Manifest(s.PatchKeys(damaged)); }, StageOutcome::Staged, true,
         false, "/setup.zstpatch /setup.sh "},
        {"a patch without its base is not fetched",
         [](Stage& s) {
             s.Serve("/setup.zstpatch", "never");
             s.Serve("/setup.sh", kNew);
         },
         [&](Stage& s) { return s.Manifest(s.PatchKeys(patch)); }, StageOutcome::Staged, true,
         false, "/setup.sh "},
        {"more than the manifest binds", [](Stage& s) { s.Serve("/setup.sh", kNew + "x"); },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Failed, false, false, "/setup.sh "},
        {"another installer of the bound size",
         [](Stage& s) { s.Serve("/setup.sh", kOld.left(kNew.size()).leftJustified(kNew.size())); },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Failed, false, false, "/setup.sh "},
        {"half of it received by a run before",
         [&](Stage& s) {
             s.Serve("/setup.sh", kNew);
             s.before = [&](Stage& t) {
                 ASSERT_TRUE(
                     common::ReplaceFile(t.Staged().DownloadPath(Sha(kNew)), kNew.left(half)));
             };
         },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Staged, true, false,
         "/setup.sh /setup.sh[bytes=" + std::to_string(half) + "-] "},
        {"half of it received for a manifest since signed anew",
         [&](Stage& s) {
             s.Serve("/setup.sh", kNew);
             s.before = [&](Stage& t) {
                 ASSERT_TRUE(
                     common::ReplaceFile(t.Staged().DownloadPath(Sha(kNew)), kNew.left(half)));
                 ASSERT_TRUE(t.Staged().KeepManifest(t.Manifest("; signed anew\n"), std::nullopt));
             };
         },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Staged, true, false,
         "/setup.sh /setup.sh[bytes=" + std::to_string(half) + "-] "},
        {"no room for the rest",
         [&](Stage& s) {
             s.Serve("/setup.sh", kNew);
             s.before = [&](Stage& t) { t.LimitFiles(static_cast<rlim_t>(half)); };
         },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Failed, false, true, "/setup.sh "},
        {"metered", [](Stage& s) { s.cost.metered = true; }, [](Stage& s) { return s.Manifest(); },
         StageOutcome::Metered, false, false, ""},
        {"metered halfway: what arrived stays",
         [](Stage& s) {
             s.Serve("/setup.sh", kNew);
             pwtest::ServedFile slow;
             slow.data = std::make_shared<const std::string>(kNew.toStdString());
             slow.delivery.bytesPerSecond = 12000;
             s.server.setFile("/setup.sh", slow);
             s.cost.meteredFrom = 1;  // the first question is before the download
         },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Metered, false, true, "/setup.sh "},
        {"another run downloads it",
         [](Stage& s) {
             s.Serve("/setup.sh", kNew);
             s.before = [](Stage& t) {
                 t.held = common::InstanceLock::Acquire(
                     QDir(t.runtime.path())
                         .filePath(InstallationStateName("stage-", t.app.folder) +
                                   QStringLiteral(".lock")));
                 ASSERT_TRUE(t.held);
             };
         },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Busy, false, false, ""},
        {"no longer newer than the installed version",
         [](Stage& s) {
             s.Serve("/setup.sh", kNew);
             s.app.Write(QStringLiteral("update.ini"), "[Program]\nprgver=2.0\n");
         },
         [](Stage& s) { return s.Manifest(); }, StageOutcome::Nothing, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Stage stage;
        c.serve(stage);
        EXPECT_EQ(stage.Run(c.manifest(stage)), c.outcome);
        EXPECT_EQ(stage.StagedInstaller() == kNew, c.staged);
        EXPECT_EQ(StagedUpdates::InstallerPresent(stage.app.StateFolder(), stage.app.folder),
                  c.staged);
        EXPECT_EQ(stage.Asked(), c.asked);
        // A manifest that no longer passes goes with everything staged for it.
        EXPECT_EQ(stage.Staged().Manifest().has_value(), c.outcome != StageOutcome::Nothing);
        const qint64 part = QFileInfo(stage.Staged().DownloadPath(Sha(kNew))).size();
        EXPECT_EQ(part > 0 && part < kNew.size(), c.partKept) << part;
        if (c.staged) {
            // Only the installer stays, beside the manifest it came from.
            EXPECT_EQ(QDir(stage.Staged().Folder()).entryList(QDir::Files),
                      (QStringList{QStringLiteral("installer"), QStringLiteral("manifest")}));
        }
    }
}

}  // namespace
