// The control's one list of properties and its table of error codes against
// what the control does: its meta-object, its saved set and change
// notifications, and the codes and texts it raises.

#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QTemporaryDir>

#include <functional>
#include <string>
#include <vector>

#include "patchwell/download/control/download_codes.h"
#include "patchwell/download/control/download_core.h"
#include "patchwell/download/control/download_interface.h"
#include "patchwell/download/control/property_bag.h"
#include "patchwell/download/control/testing/control_fakes.h"

namespace patchwell::download::testing {
namespace {

// A saved set that logs each key read or written, in order.
class LoggingBag : public MemoryPropertyBag {
public:
    QVariant ReadProperty(const QString& key, const QVariant& defaultValue) const override {
        log.push_back("read " + key.toStdString());
        return MemoryPropertyBag::ReadProperty(key, defaultValue);
    }
    void WriteProperty(const QString& key, const QVariant& value,
                       const QVariant& defaultValue) override {
        log.push_back("write " + key.toStdString());
        MemoryPropertyBag::WriteProperty(key, value, defaultValue);
    }
    mutable std::vector<std::string> log;
};

class NameSite : public ControlSite {
public:
    void PropertyChanged(const QString& name) override { names << name; }
    QStringList names;
};

// A value of the property's type that differs from `initial`.
QVariant Changed(const QVariant& initial) {
    switch (initial.typeId()) {
        case QMetaType::Bool:
            return !initial.toBool();
        case QMetaType::Int:
            return initial.toInt() + 7;
        default:
            return initial.toString() + QStringLiteral("/changed");
    }
}

TEST(InterfaceTable, MatchesTheMetaObjectAndDrivesPersistenceAndNotifications) {
    // The meta-object declares the listed properties, in the listed order,
    // writable exactly where the list says so.
    const QMetaObject& meta = DownLoadCore::staticMetaObject;
    ASSERT_EQ(meta.propertyCount() - meta.propertyOffset(), int(std::size(kProperties)));
    std::vector<std::string> expectedSaved;
    for (std::size_t i = 0; i < std::size(kProperties); ++i) {
        const PropertyInfo& info = kProperties[i];
        const QMetaProperty property = meta.property(meta.propertyOffset() + int(i));
        EXPECT_STREQ(property.name(), info.name);
        EXPECT_EQ(property.isWritable(), info.writable) << info.name;
        EXPECT_EQ(PropertyDefault(QLatin1String(info.name)).isValid(), info.writable) << info.name;
    }
    for (const PropertyInfo& saved : kSavedProperties) {
        expectedSaved.push_back(saved.savedKey);
    }
    EXPECT_EQ(expectedSaved, (std::vector<std::string>{"URL", "CHUNK", "SaveLocation", "KeepType",
                                                       "OnlineCheck", "PromptOverwrite"}));

    // Every writable property: a new instance holds its default; assigning
    // tells the site under the property's name; a saved one goes into the
    // saved set under its key and comes back from it.
    Trace trace;
    for (const PropertyInfo& info : kProperties) {
        if (!info.writable) {
            continue;
        }
        SCOPED_TRACE(info.name);
        DownLoadCore core(std::make_shared<FakeEnvironment>(&trace));
        NameSite site;
        core.setSite(&site);
        const QVariant initial = PropertyDefault(QLatin1String(info.name));
        EXPECT_EQ(core.property(info.name), initial);
        const QVariant value = Changed(initial);
        ASSERT_TRUE(core.setProperty(info.name, value));
        EXPECT_EQ(site.names, QStringList{QLatin1String(info.name)});

        LoggingBag bag;
        core.WriteProperties(bag);
        std::vector<std::string> writes;
        for (const std::string& key : expectedSaved) {
            writes.push_back("write " + key);
        }
        EXPECT_EQ(bag.log, writes);
        EXPECT_EQ(bag.size(), info.savedKey != nullptr ? 1 : 0);
        if (info.savedKey != nullptr) {
            // Stored under its key, found without regard to case.
            EXPECT_EQ(bag.ReadProperty(QString::fromLatin1(info.savedKey).toLower(), {}), value);
        }

        DownLoadCore loaded(std::make_shared<FakeEnvironment>(&trace));
        bag.log.clear();
        loaded.ReadProperties(bag);
        EXPECT_EQ(loaded.property(info.name), info.savedKey != nullptr ? value : initial);
        for (std::string& entry : writes) {
            entry.replace(0, 5, "read");
        }
        EXPECT_EQ(bag.log, writes);
        loaded.InitProperties();
        EXPECT_EQ(loaded.property(info.name), initial);
    }
}

// Each code is raised where the control meets its situation, with the
// DLError text the table puts beside it (none for a cancel).
TEST(ErrorCodes, EachIsRaisedWithTheTextBesideIt) {
    using Situation = std::function<void(DownLoadCore&, FakeEnvironment&)>;
    const auto probe = [](DownLoadCore& core, FakeEnvironment& env, Answer answer) {
        env.log->answers.push_back(std::move(answer));
        core.GetFileInformation();
    };
    const std::vector<std::pair<ErrorCode, Situation>> situations = {
        {ErrorCode::TransferFailed,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             probe(core, env,
                   Answer::Make("HTTP/1.1 200 OK", "abc", false, "Content-Length: 9\r\n"));
             core.download();
         }},
        {ErrorCode::NotFound,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             probe(core, env, Answer::Make("HTTP/1.1 404 Not Found", ""));
         }},
        {ErrorCode::HeadersFailed,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             probe(core, env, Answer::Make("HTTP/1.1 200 OK", "ab", false));
         }},
        {ErrorCode::Cancelled,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             Answer answer = Answer::Make("HTTP/1.1 200 OK", "abc");
             answer.pendingPasses = 1;
             env.onProcessEvents = [&core](int) { core.Cancel(); };
             probe(core, env, answer);
         }},
        {ErrorCode::NoConnection,
         [](DownLoadCore& core, FakeEnvironment& env) {
             core.setOnlineCheck(true);
             env.connection = {false, 0};
             core.GetFileInformation();
         }},
        {ErrorCode::ResumeFileMissing,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             probe(core, env, Answer::Make("HTTP/1.1 200 OK", "abc"));
             core.DLResume();
         }},
        {ErrorCode::ResumeUnsupported,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             WriteFile(core.SaveLocation(), "a");
             probe(core, env, Answer::Make("HTTP/1.0 200 OK", "abc"));
             core.DLResume();
         }},
        {ErrorCode::Unauthorized,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             probe(core, env, Answer::Make("HTTP/1.1 401 Unauthorized", ""));
         }},
        {ErrorCode::AccessDenied,
         [&](DownLoadCore& core, FakeEnvironment& env) {
             probe(core, env, Answer::Make("HTTP/1.1 403 Forbidden", ""));
         }},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_EQ(situations.size(), std::size(kErrorCodes));
    for (std::size_t i = 0; i < situations.size(); ++i) {
        const auto& [code, raise] = situations[i];
        const ErrorCodeInfo& info = kErrorCodes[i];
        ASSERT_EQ(info.code, code);
        SCOPED_TRACE(Number(code));
        EXPECT_EQ(FindErrorCode(Number(code)), &info);
        EXPECT_EQ(ErrorCodeSummary(Number(code)), QStringLiteral("Error Code - [%1] %2")
                                                      .arg(Number(code))
                                                      .arg(QLatin1String(info.summary)));

        Trace trace;
        auto env = std::make_shared<FakeEnvironment>(&trace);
        DownLoadCore core(env);
        RecordEvents(&core, &trace);
        core.setUrl(QStringLiteral("http://127.0.0.1/files/setup.exe"));
        core.setSaveLocation(dir.filePath(QString::number(i) + QStringLiteral(".tmp")));
        raise(core, *env);
        std::vector<std::string> codes;
        std::vector<std::string> errors;
        for (const std::string& event : trace) {
            if (event.rfind("DLECode:", 0) == 0) {
                codes.push_back(event);
            } else if (event.rfind("DLError:", 0) == 0) {
                errors.push_back(event);
            }
        }
        EXPECT_EQ(codes, std::vector<std::string>{"DLECode:" + std::to_string(Number(code))});
        std::vector<std::string> expectedErrors;
        if (info.errorText != nullptr) {
            const QString suffix = code == ErrorCode::TransferFailed ? core.Url() : QString();
            expectedErrors.push_back("DLError:" + (ErrorText(code) + suffix).toStdString());
        }
        EXPECT_EQ(errors, expectedErrors);
    }
    EXPECT_EQ(FindErrorCode(0), nullptr);
    EXPECT_EQ(ErrorCodeSummary(500), QString());
}

}  // namespace
}  // namespace patchwell::download::testing
