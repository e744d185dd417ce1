#pragma once

// The control with the real libcurl transfer component against the scripted
// loopback server: the environment and the fixture shared by the loopback
// test programs. Include it once per test program.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>

#include <chrono>
#include <csignal>
#include <ctime>
#include <memory>

#include <sys/resource.h>

#include "patchwell/download/control/download_core.h"
#include "patchwell/download/control/download_environment.h"
#include "patchwell/download/control/testing/control_fakes.h"
#include "patchwell/download/testing/test_http_server.h"

namespace patchwell::download::testing {
namespace {

using Clock = std::chrono::steady_clock;
using pwtest::ScriptedResponse;
using pwtest::ServedFile;

class QtCoreEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "pw_download_integration_test";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QCoreApplication>(argc, argv);
    }
    void TearDown() override { app_.reset(); }

private:
    std::unique_ptr<QCoreApplication> app_;
};

[[maybe_unused]] auto* const kQt = ::testing::AddGlobalTestEnvironment(new QtCoreEnvironment);

inline CurlTransferOptions ShortTimeouts() {
    CurlTransferOptions options;
    options.connectTimeoutSeconds = 5;
    options.stallTimeoutSeconds = 1;
    options.retryDelaysMs.clear();  // a broken body fails at once unless a test asks for retries
    return options;
}

// The real environment with scripted dialogs, a fixed network state and,
// unless `realClock`, a clock that stands at 100 s so that rates equal bytes.
class LoopbackEnvironment : public SystemDownLoadEnvironment {
public:
    LoopbackEnvironment(Trace* trace, ConnectionStatus network)
        : SystemDownLoadEnvironment(std::make_unique<ScriptedDialogs>(trace),
                                    std::make_unique<FixedNetworkState>(network), ShortTimeouts()) {
    }

    // Transfers made from now on use `options` (the event hook is this
    // environment's).
    std::unique_ptr<InetTransfer> CreateTransfer() override {
        CurlTransferOptions withHook = options;
        withHook.processEvents = [this] { ProcessEvents(); };
        return MakeCurlTransfer(withHook);
    }

    ScriptedDialogs& scripted() { return static_cast<ScriptedDialogs&>(Dialogs()); }

    void ProcessEvents() override {
        ++hookCalls;
        const auto now = Clock::now();
        if (hookCalls > 1) {
            longestHookGap = std::max(longestHookGap, now - lastHook);
        }
        lastHook = now;
        if (onProcessEvents) {
            onProcessEvents(hookCalls);
        }
        SystemDownLoadEnvironment::ProcessEvents();
    }
    void Sleep(int milliseconds) override {
        ++sleeps;
        SystemDownLoadEnvironment::Sleep(milliseconds);
    }
    double TimeOfDay() override {
        return realClock ? SystemDownLoadEnvironment::TimeOfDay() : 100.0;
    }

    CurlTransferOptions options = ShortTimeouts();
    bool realClock = false;
    int hookCalls = 0;
    int sleeps = 0;
    Clock::time_point lastHook{};
    Clock::duration longestHookGap{};
    std::function<void(int)> onProcessEvents;
};

inline double ProcessCpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

inline QByteArray Digest(const std::string& bytes) {
    return QCryptographicHash::hash(
               QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())),
               QCryptographicHash::Sha256)
        .toHex();
}

// Compares file contents by size and first difference instead of printing them.
inline ::testing::AssertionResult SameBytes(const std::string& actual,
                                            const std::string& expected) {
    if (actual == expected) {
        return ::testing::AssertionSuccess();
    }
    std::size_t at = 0;
    while (at < actual.size() && at < expected.size() && actual[at] == expected[at]) {
        ++at;
    }
    return ::testing::AssertionFailure() << "sizes " << actual.size() << " and " << expected.size()
                                         << ", first difference at byte " << at;
}

// Only the events of one kind, for long transfers.
inline Trace Only(const Trace& trace, const std::string& prefix) {
    Trace kept;
    for (const std::string& entry : trace) {
        if (entry.rfind(prefix, 0) == 0) {
            kept.push_back(entry);
        }
    }
    return kept;
}

const std::string kInitiating = "StatusChange:Initiating Connection.";
const std::string kAccepted = "StatusChange:Connection Accepted, Retrieving File Information.";
const std::string kComplete = "StatusChange:Retrieving File Information Complete!";
const Trace kSuccess{"DLComplete", "StatusChange:Download Successful!"};

class LoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        ASSERT_TRUE(dir.isValid());
        RecordEvents(&core, &trace);
        core.setSaveLocation(Path("File1.tmp"));
    }

    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    void Use(const std::string& path) { core.setUrl(QString::fromStdString(server.url(path))); }
    std::string Failure() const {
        return "DLError:Error Downloading File from : " + core.Url().toStdString();
    }
    Trace FailureEnd() const {
        return {Failure(), "StatusChange:Download Aborted Due To Error In Download!", "DLECode:1"};
    }
    static ServedFile File(const std::string& data, const std::string& etag = "\"v1\"") {
        ServedFile file;
        file.data = std::make_shared<const std::string>(data);
        file.etag = etag;
        return file;
    }

    pwtest::TestHttpServer server;
    Trace trace;
    std::shared_ptr<LoopbackEnvironment> env = std::make_shared<LoopbackEnvironment>(
        &trace, ConnectionStatus{true, ConnectionStatus::kLan});
    DownLoadCore core{env};
    QTemporaryDir dir;
};

}  // namespace
}  // namespace patchwell::download::testing
