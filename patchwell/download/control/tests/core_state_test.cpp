#include "patchwell/download/control/preserve_extension.h"
#include "patchwell/download/control/property_bag.h"
#include "patchwell/download/control/testing/core_fixture.h"

namespace patchwell::download::testing {
namespace {

class RecordingSite : public ControlSite {
public:
    void PropertyChanged(const QString& name) override { names.push_back(name.toStdString()); }
    std::vector<std::string> names;
};

TEST(DownLoadCoreState, NewInstance) {
    Trace trace;
    DownLoadCore core(std::make_shared<FakeEnvironment>(&trace));
    EXPECT_EQ(core.CHUNK(), 1024);
    EXPECT_EQ(core.SaveLocation(), QStringLiteral("C:\\File1.tmp"));
    EXPECT_EQ(core.Url(), QStringLiteral("http://127.0.0.1/File1.tmp"));
    EXPECT_EQ(core.FileSize(), 0);
    EXPECT_EQ(core.ROLLBACK(), 0);
    for (bool flag : {core.InDL(), core.AResume(), core.CPause(), core.CCancel(),
                      core.ResumeSupported(), core.Connected(), core.PromptOverwrite(),
                      core.OnlineCheck(), core.KeepType(), core.FileExists()}) {
        EXPECT_FALSE(flag);
    }
}

TEST(DownLoadCoreState, AssignmentsStoreUnchangedAndNotifyTheSite) {
    Trace trace;
    DownLoadCore core(std::make_shared<FakeEnvironment>(&trace));
    RecordingSite site;
    core.setSite(&site);
    core.setUrl(QStringLiteral("x"));
    core.setSaveLocation(QStringLiteral(""));
    core.setCHUNK(-7);
    core.setKeepType(true);
    core.setOnlineCheck(true);
    core.setPromptOverwrite(true);
    core.setROLLBACK(5);
    EXPECT_EQ(site.names, (std::vector<std::string>{"Url", "SaveLocation", "CHUNK", "KeepType",
                                                    "OnlineCheck", "PromptOverwrite", "ROLLBACK"}));
    EXPECT_EQ(core.Url(), QStringLiteral("x"));
    EXPECT_EQ(core.SaveLocation(), QString());
    EXPECT_EQ(core.CHUNK(), -7);
    EXPECT_EQ(core.ROLLBACK(), 5);
    EXPECT_TRUE(core.KeepType() && core.OnlineCheck() && core.PromptOverwrite());
    EXPECT_TRUE(trace.empty());
    // Reading through Qt's property system sees the same values.
    EXPECT_EQ(core.property("ROLLBACK").toInt(), 5);
    EXPECT_EQ(core.property("Url").toString(), QStringLiteral("x"));
}

TEST(DownLoadCoreState, PauseAndCancelEvents) {
    Trace trace;
    auto env = std::make_shared<FakeEnvironment>(&trace);
    DownLoadCore core(env);
    RecordEvents(&core, &trace);
    core.Pause(true);
    EXPECT_TRUE(core.CPause());
    core.Pause(false);
    core.Pause(false);
    EXPECT_FALSE(core.CPause());
    core.Cancel();
    EXPECT_TRUE(core.CCancel());
    // A pending cancel makes both transfers return at once, silently.
    core.download();
    core.DLResume();
    EXPECT_TRUE(core.CCancel());
    EXPECT_EQ(trace, (Trace{"StatusChange:Unpausing", "StatusChange:Unpausing",
                            "StatusChange:Cancelling.."}));
    EXPECT_TRUE(env->log->calls.empty());
}

TEST(DownLoadCorePersistence, ReadsKeysWithoutRegardToCaseAndDefaultsMissingOnes) {
    Trace trace;
    DownLoadCore core(std::make_shared<FakeEnvironment>(&trace));
    RecordingSite site;
    core.setSite(&site);
    core.setCHUNK(99);
    core.setKeepType(true);
    site.names.clear();
    const MemoryPropertyBag bag{{QStringLiteral("savelocation"), QStringLiteral("/tmp/a.bin")},
                                {QStringLiteral("onlinecheck"), true}};
    core.ReadProperties(bag);
    EXPECT_EQ(core.SaveLocation(), QStringLiteral("/tmp/a.bin"));
    EXPECT_TRUE(core.OnlineCheck());
    EXPECT_EQ(core.Url(), DownLoadCore::DefaultUrl());
    EXPECT_EQ(core.CHUNK(), 1024);
    EXPECT_FALSE(core.KeepType());
    EXPECT_FALSE(core.PromptOverwrite());
    EXPECT_TRUE(site.names.empty());  // loading is not a change by the host
}

TEST(DownLoadCorePersistence, WritesOnlyValuesThatDifferFromTheirDefaults) {
    Trace trace;
    DownLoadCore core(std::make_shared<FakeEnvironment>(&trace));
    MemoryPropertyBag empty;
    core.WriteProperties(empty);
    EXPECT_EQ(empty.size(), 0);

    core.setUrl(QStringLiteral("http://127.0.0.1/other.zip"));
    core.setCHUNK(2048);
    core.setPromptOverwrite(true);
    MemoryPropertyBag bag{{QStringLiteral("keeptype"), true}};  // stale value goes
    core.WriteProperties(bag);
    EXPECT_EQ(bag.size(), 3);
    EXPECT_TRUE(bag.contains(QStringLiteral("url")));
    EXPECT_FALSE(bag.contains(QStringLiteral("KeepType")));
    EXPECT_EQ(bag.ReadProperty(QStringLiteral("CHUNK"), 0).toInt(), 2048);
    EXPECT_TRUE(bag.ReadProperty(QStringLiteral("PROMPTOVERWRITE"), false).toBool());

    DownLoadCore copy(std::make_shared<FakeEnvironment>(&trace));
    copy.ReadProperties(bag);
    EXPECT_EQ(copy.Url(), QStringLiteral("http://127.0.0.1/other.zip"));
    EXPECT_EQ(copy.CHUNK(), 2048);
    EXPECT_TRUE(copy.PromptOverwrite());
    copy.InitProperties();
    EXPECT_EQ(copy.Url(), DownLoadCore::DefaultUrl());
    EXPECT_EQ(copy.CHUNK(), 1024);
    EXPECT_EQ(copy.SaveLocation(), QStringLiteral("C:\\File1.tmp"));
}

TEST(PreserveExtension, TakesTheExtensionNearTheEnd) {
    const QString save = QStringLiteral("C:\\File1.tmp");
    EXPECT_EQ(PreserveExtension(QStringLiteral("http://h/setup.exe"), save),
              QStringLiteral("C:\\File1.exe"));
    EXPECT_EQ(PreserveExtension(QStringLiteral("http://h/page.html"), save),
              QStringLiteral("C:\\File1.html"));
    EXPECT_EQ(PreserveExtension(QStringLiteral("http://h/pack.tar.gz"), save),
              QStringLiteral("C:\\File1.gz"));
    EXPECT_EQ(PreserveExtension(QStringLiteral("http://h/patch.zip"),
                                QStringLiteral("C:\\appupdate.exe")),
              QStringLiteral("C:\\appupdate.zip"));
    // No extension in the address (no dot near its end, or a dot before a
    // "/", "\", "?" or "#"): the save location stays as it is.
    for (const char* url : {"http://h/download", "http://h/v1.2/get", "http://h/a.b\\c",
                            "http://h/get.php?id=1", "http://h/a.b#top"}) {
        SCOPED_TRACE(url);
        EXPECT_EQ(PreserveExtension(QString::fromLatin1(url), save), save);
    }
    // No dot near the end of the save location: the whole name is kept.
    EXPECT_EQ(PreserveExtension(QStringLiteral("http://h/a.exe"), QStringLiteral("/tmp/update")),
              QStringLiteral("/tmp/update.exe"));
    EXPECT_THROW(PreserveExtension(QStringLiteral("a.exe"), save), std::runtime_error);
    EXPECT_THROW(PreserveExtension(QStringLiteral("http://h/a.exe"), QStringLiteral("a.bin")),
                 std::runtime_error);
}

}  // namespace
}  // namespace patchwell::download::testing
