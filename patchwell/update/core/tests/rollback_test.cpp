#include <QCryptographicHash>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <sys/mman.h>
#include <unistd.h>

#include "common/ini/ini.h"
#include "patchwell/update/core/delta/kept_installers.h"
#include "patchwell/update/core/logic/rollback_logic.h"
#include "patchwell/update/core/manifest/trust_state.h"
#include "patchwell/update/core/status.h"
#include "patchwell/update/core/testing/fake_update_view.h"
#include "patchwell/update/core/testing/releases.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"

namespace patchwell::update {
namespace {

using platform::MessageAnswer;
using platform::ProgramEnd;

using View = FakeInstallView;

// Keeps `bytes` as the installer of `version` had they just run.
void KeepRan(KeptInstallers& kept, const QByteArray& bytes, const QString& version) {
    const int fd = test_installers::MemoryFileWith(bytes);
    ASSERT_TRUE(kept.Keep(fd, test_installers::Sha(bytes), version));
    ::close(fd);
}

// A key minisign made, and its id as the comment line of its .pub file gave it.
const QString kKey = QStringLiteral("RWR6JDuaOv7m9/e7S1PoxD1mI+QLhAT4qWvaQXBGZ45h6UdDt+gCwt+3");
const QString kKeyId = QStringLiteral("F7E6FE3A9A3B247A");

QString UpdateValue(const TestFolder& t, const char* key) {
    return common::ReadIniValue(QStringLiteral("Update"), QString::fromLatin1(key),
                                t.Path(QStringLiteral("update.ini")));
}

TEST(Rollback, GoesBackOnlyToVerifiedBytesTheUserConfirmedAndSkipsTheVersionLeft) {
    enum class Kept { Both, CurrentOnly, PreviousChanged };
    constexpr MessageAnswer Yes = MessageAnswer::Yes, No = MessageAnswer::No;
    const ProgramEnd none, exited0{ProgramEnd::Kind::Exited, 0},
        exited3{ProgramEnd::Kind::Exited, 3};
    const QString nothingKept = texts::NothingToRollBack(S("Sample Editor"));
    const QString changed = texts::RollbackChanged(S("1.0"));
    const struct Row {
        const char* what;
        Kept kept;
        MessageAnswer answer;
        ProgramEnd end;
        QString message;  // the box besides the question; empty: none
        bool asked;
        bool ran;
        bool rolledBack;
    } rows[] = {
        {"confirmed", Kept::Both, Yes, exited0, {}, true, true, true},
        {"declined", Kept::Both, No, none, {}, true, false, false},
        {"no previous installer", Kept::CurrentOnly, Yes, none, nothingKept, false, false, false},
        {"previous installer changed", Kept::PreviousChanged, Yes, none, changed, false, false,
         false},
        {"installer fails", Kept::Both, Yes, exited3, S("failed (exit status 3)"), true, true,
         false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TestFolder t;
        t.Write(QStringLiteral("update.ini"),
                QByteArray("[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n"
                           "[Update]\nlastmanifesttime=1700000000\npublickey=") +
                    kKey.toLatin1() + "\n");
        Services& services = t.Svc();
        KeptInstallers kept(services.stateFolders, t.folder);
        if (row.kept != Kept::CurrentOnly) {
            KeepRan(kept, "installer of 1.0", QStringLiteral("1.0"));
        }
        KeepRan(kept, "installer of 2.0, longer", QStringLiteral("2.0"));
        const QString previousFile = kept.Previous() ? kept.Previous()->path : QString();
        if (row.kept == Kept::PreviousChanged) {
            QFile file(previousFile);
            ASSERT_TRUE(file.open(QIODevice::ReadWrite));
            file.write("INSTALLER");  // same length, other bytes
        }
        t.messages.answer = row.answer;
        // The older installer writes its own update.ini, without the keys.
        t.launcher.end = [&t, &row](const QString&) {
            t.Write(QStringLiteral("update.ini"),
                    "[Program]\nPrgname=Sample Editor\nprgver=1.0\nexe=editor.sh\n");
            return row.end;
        };
        View view;
        RollbackLogic(services, view).Run();

        EXPECT_EQ(t.lifetime.ends, 1);
        // Every way ends with the served program started, whatever ran before it.
        ASSERT_EQ(t.launcher.starts.size(), row.ran ? 2u : 1u);
        EXPECT_EQ(t.launcher.starts.back().program, t.Path(QStringLiteral("editor.sh")));
        std::vector<QString> boxes;
        for (const auto& shown : t.messages.shown) {
            if (shown.question) {
                // Both versions are named.
                EXPECT_EQ(shown.text,
                          texts::ConfirmRollback(QStringLiteral("Sample Editor"),
                                                 QStringLiteral("2.0"), QStringLiteral("1.0")));
            } else {
                boxes.push_back(shown.text);
            }
        }
        EXPECT_EQ(t.messages.shown.size() - boxes.size(), row.asked ? 1u : 0u);
        ASSERT_EQ(boxes.size(), row.message.isEmpty() ? 0u : 1u);
        if (!row.message.isEmpty()) {
            EXPECT_TRUE(boxes[0].contains(row.message)) << boxes[0].toStdString();
        }
        if (row.ran) {
            const auto& run = t.launcher.starts[0];
            EXPECT_TRUE(run.waited);
            EXPECT_EQ(run.descriptorContent, QByteArray("installer of 1.0"));
            EXPECT_EQ(run.arguments, (QStringList{QStringLiteral("/auto"), t.folder}));
            EXPECT_EQ(run.workingFolder, t.folder);
            EXPECT_EQ(view.log, (QStringList{QStringLiteral("show"), QStringLiteral("topmost"),
                                             QStringLiteral("name=Sample Editor")}));
            // The signing settings the installer dropped are back; the kept
            // state was neither read into being nor moved.
            EXPECT_EQ(UpdateValue(t, "publickey"), kKey);
            EXPECT_EQ(UpdateValue(t, "lastmanifesttime"), QStringLiteral("1700000000"));
        } else {
            EXPECT_TRUE(view.log.isEmpty());
        }
        EXPECT_TRUE(QDir(t.StateFolder()).entryList({QStringLiteral("trust*")}).isEmpty());
        EXPECT_EQ(UpdateValue(t, "skipversion"),
                  row.rolledBack ? QStringLiteral("2.0") : QString());
        // After the rollback the version installed is the current one, and
        // there is nothing further back (nor forward) to go to.
        const std::optional<KeptInstaller> current = kept.Current();
        ASSERT_TRUE(current);
        EXPECT_EQ(current->version, row.rolledBack ? QStringLiteral("1.0") : QStringLiteral("2.0"));
        EXPECT_EQ(kept.Previous().has_value(), !row.rolledBack && row.kept == Kept::Both);
        EXPECT_EQ(
            QDir(QFileInfo(current->path).path()).entryList({QStringLiteral("installer-*")}).size(),
            row.rolledBack || row.kept != Kept::Both ? 1 : 2);
    }
}

TEST(Status, OneStableLinePerFactWithNoneForWhatIsNotThere) {
    TestFolder t;
    Services& services = t.Svc();
    const QString empty = StatusText(services.stateFolders, t.folder);
    EXPECT_EQ(empty, QStringLiteral("version: none\nkey: none\nlastcheck: none\nskipversion: "
                                    "none\ninstaller: none\nprevious: none\nstaged: none\n"));

    ASSERT_TRUE(SaveTrustState(services.stateFolders, t.folder, QStringLiteral("http://h/i.ini"),
                               {kKey, {}, QStringLiteral("1700000000"), {}}));
    KeptInstallers kept(services.stateFolders, t.folder);
    KeepRan(kept, "one", QStringLiteral("1.0"));
    KeepRan(kept, "two", QStringLiteral("2.0"));
    t.Write(QStringLiteral("update.ini"),
            "[Program]\nprgver=2\t0\n[Update]\nverchckurl=http://h/i.ini\n"
            "lastcheck=2026-12-09T18:00:00Z\nskipversion=2.1\n");
    EXPECT_EQ(StatusText(services.stateFolders, t.folder),
              QStringLiteral("version: 2?0\nkey: %1\nlastcheck: 2026-12-09T18:00:00Z\nskipversion: "
                             "2.1\ninstaller: 2.0\nprevious: 1.0\nstaged: none\n")
                  .arg(kKeyId));
    // A kept state another user could change is named, not trusted.
    for (const QString& file : QDir(t.StateFolder()).entryList({QStringLiteral("trust*")})) {
        const QString path = QDir(t.StateFolder()).filePath(file);
        QFile::setPermissions(path, QFile::permissions(path) | QFile::WriteOther);
    }
    EXPECT_TRUE(StatusText(services.stateFolders, t.folder).contains(u"\nkey: unusable\n"));
}

}  // namespace
}  // namespace patchwell::update
