// patchwell-fetch as a real process against the loopback test server.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <fstream>

#include "patchwell/download/testing/test_http_server.h"

using pwtest::ServedFile;
using pwtest::TestHttpServer;

namespace {

QCoreApplication& application() {
    static int argc = 1;
    static char name[] = "patchwell_fetch_test";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

struct FetchRun {
    int exitCode = -1;
    std::vector<std::string> lines;  // standard output, line by line
    std::string err;

    // Lines whose name (before the tab) is `name`, as their values.
    std::vector<std::string> values(const std::string& name) const {
        std::vector<std::string> out;
        for (const auto& line : lines) {
            if (line.rfind(name + "\t", 0) == 0) {
                out.push_back(line.substr(name.size() + 1));
            }
        }
        return out;
    }
    std::string property(const std::string& name) const {
        const auto v = values("@" + name);
        return v.size() == 1 ? v[0] : "<missing>";
    }
    // Event names in order, without the property lines.
    std::vector<std::string> names() const {
        std::vector<std::string> out;
        for (const auto& line : lines) {
            if (!line.empty() && line[0] != '@') {
                out.push_back(line.substr(0, line.find('\t')));
            }
        }
        return out;
    }
};

std::vector<std::string> splitLines(const QByteArray& bytes) {
    std::vector<std::string> out;
    for (const QByteArray& line : bytes.split('\n')) {
        if (!line.isEmpty()) {
            out.push_back(line.toStdString());
        }
    }
    return out;
}

void startFetch(QProcess& p, const QStringList& arguments, const QByteArray& input = {}) {
    application();
    p.start(QStringLiteral(PW_FETCH_BINARY), arguments);
    ASSERT_TRUE(p.waitForStarted(10000));
    if (!input.isNull()) {
        p.write(input);
    }
    p.closeWriteChannel();
}

FetchRun finish(QProcess& p) {
    FetchRun run;
    EXPECT_TRUE(p.waitForFinished(60000));
    run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    run.lines = splitLines(p.readAllStandardOutput());
    run.err = p.readAllStandardError().toStdString();
    return run;
}

FetchRun fetch(const QStringList& arguments, const QByteArray& input = {}) {
    QProcess p;
    startFetch(p, arguments, input);
    return finish(p);
}

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

std::string readFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        return "<absent>";
    }
    return f.readAll().toStdString();
}

void writeFile(const QString& path, const std::string& data) {
    std::ofstream(path.toStdString(), std::ios::binary) << data;
}

ServedFile served(std::size_t size) {
    ServedFile f;
    f.data = std::make_shared<const std::string>(pwtest::patternBytes(0, size, 3));
    f.etag = "\"f1\"";
    return f;
}

struct FetchProcess : ::testing::Test {
    TestHttpServer server;
    QTemporaryDir dir;
    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
};

}  // namespace

TEST_F(FetchProcess, DownloadPrintsEveryEventAndTheProperties) {
    const auto file = served(2500);
    server.setFile("/setup.exe", file);
    const QString target = path("out.bin");
    writeFile(target, "old content that must go");
    const FetchRun run = fetch({qs(server.url("/setup.exe")), target});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(target), *file.data);

    const std::vector<std::string> perChunk = {"Rate", "TimeLeft", "RecievedBytes", "Percent",
                                               "StatusChange"};
    std::vector<std::string> expected = {"StatusChange", "StatusChange", "StatusChange",
                                         "StatusChange"};
    for (int i = 0; i < 4; ++i) {
        expected.insert(expected.end(), perChunk.begin(), perChunk.end());
    }
    expected.insert(expected.end(), {"DLComplete", "StatusChange"});
    EXPECT_EQ(run.names(), expected);
    EXPECT_EQ(run.values("StatusChange").front(), "Initiating Connection.");
    EXPECT_EQ(run.values("StatusChange")[3],
              "Opening " + target.toStdString() + " For DATA Input.");
    EXPECT_EQ(run.values("RecievedBytes"),
              (std::vector<std::string>{"1024", "2048", "2500", "2500"}));
    EXPECT_EQ(run.values("Percent"), (std::vector<std::string>{"41", "82", "100", "100"}));
    EXPECT_EQ(run.values("DLComplete"), (std::vector<std::string>{""}));
    EXPECT_EQ(run.values("StatusChange").back(), "Download Successful!");
    EXPECT_EQ(run.property("FileExists"), "true");
    EXPECT_EQ(run.property("FileSize"), "2500");
    EXPECT_EQ(run.property("ResumeSupported"), "true");
    EXPECT_EQ(run.property("Connected"), "false");
    EXPECT_EQ(run.property("InDL"), "false");
    // One request: the download reads the probe's answer.
    EXPECT_EQ(server.requestCount(), 1u);
}

TEST_F(FetchProcess, ProbeQuietKeepTypeAndFailures) {
    server.setFile("/pack.zip", served(5000));
    // --probe: status and size only, nothing written.
    FetchRun run = fetch({QStringLiteral("--probe"), qs(server.url("/pack.zip")), path("p.bin")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.property("FileSize"), "5000");
    EXPECT_TRUE(run.values("RecievedBytes").empty());
    EXPECT_FALSE(QFile::exists(path("p.bin")));

    run = fetch({QStringLiteral("--probe"), qs(server.url("/none")), path("p.bin")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.names(), (std::vector<std::string>{"StatusChange", "StatusChange", "DLError",
                                                     "StatusChange", "DLECode"}));
    EXPECT_EQ(run.values("DLECode"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(run.property("FileExists"), "false");

    // A missing file is not downloaded either.
    run = fetch({qs(server.url("/none")), path("n.bin")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_FALSE(QFile::exists(path("n.bin")));

    // --quiet without a terminal: the properties only. --keep-type takes .zip.
    run =
        fetch({QStringLiteral("--quiet"), QStringLiteral("--keep-type"), QStringLiteral("--chunk"),
               QStringLiteral("65536"), qs(server.url("/pack.zip")), path("appupdate.exe")});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.names(), std::vector<std::string>{});
    EXPECT_EQ(run.property("InDL"), "false");
    EXPECT_EQ(readFile(path("appupdate.zip")).size(), 5000u);
    EXPECT_FALSE(QFile::exists(path("appupdate.exe")));

    // A body cut short is a failure with the partial file left in place
    // (without a validator the transfer cannot continue it).
    auto cut = served(10000);
    cut.etag.clear();
    cut.delivery.closeAfterBodyBytes = 4096;
    server.setFile("/cut", cut);
    run = fetch({qs(server.url("/cut")), path("cut.bin")});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.values("DLECode"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(run.property("InDL"), "true");
    EXPECT_TRUE(readFile(path("cut.bin")) == cut.data->substr(0, 4096));
}

TEST_F(FetchProcess, UsageErrorsExitWithTwo) {
    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("http://x/")},
          QStringList{QStringLiteral("--probe"), QStringLiteral("--resume"), QStringLiteral("u"),
                      QStringLiteral("p")},
          QStringList{QStringLiteral("--chunk"), QStringLiteral("many"), QStringLiteral("u"),
                      QStringLiteral("p")}}) {
        const FetchRun run = fetch(arguments);
        EXPECT_EQ(run.exitCode, 2) << arguments.join(u' ').toStdString();
        EXPECT_NE(run.err.find("usage: patchwell-fetch"), std::string::npos);
        EXPECT_TRUE(run.lines.empty());
    }
    EXPECT_EQ(server.requestCount(), 0u);

    const FetchRun help = fetch({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    ASSERT_FALSE(help.lines.empty());
    EXPECT_EQ(help.lines.front().rfind("usage: patchwell-fetch", 0), 0u);
    EXPECT_TRUE(help.err.empty());
}

TEST_F(FetchProcess, ResumeCompletesAPartialFile) {
    const auto file = served(3000);
    server.setFile("/f.bin", file);
    const QString target = path("partial.bin");
    writeFile(target, file.data->substr(0, 1000));
    const FetchRun run = fetch({QStringLiteral("--resume"), qs(server.url("/f.bin")), target});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(readFile(target), *file.data);
    EXPECT_EQ(run.values("RecievedBytes"), (std::vector<std::string>{"2024", "3000", "3000"}));
    EXPECT_EQ(run.values("Percent"), (std::vector<std::string>{"67", "100", "100"}));
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_FALSE(requests[0].header("Range").has_value());
    EXPECT_EQ(requests[1].header("Range").value_or(""), "bytes=1000-");
}

TEST_F(FetchProcess, PromptOverwriteAsksOnTheTerminal) {
    server.setFile("/f.bin", served(1500));
    const QString target = path("exists.bin");
    writeFile(target, "keep me");
    // No, then another path typed: the existing file is left alone.
    FetchRun run = fetch({QStringLiteral("--prompt-overwrite"), qs(server.url("/f.bin")), target},
                         "n\n" + path("typed.bin").toUtf8() + "\n");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.err.find("[Overwrite?] Would you like to overwrite the file at: "),
              std::string::npos);
    EXPECT_EQ(readFile(target), "keep me");
    EXPECT_EQ(readFile(path("typed.bin")).size(), 1500u);

    // Input ends before an answer: the question is not asked for ever.
    run = fetch({QStringLiteral("--prompt-overwrite"), qs(server.url("/f.bin")), target}, "n\n");
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("[Error!] You didn't specify a file!"), std::string::npos);
    EXPECT_EQ(run.values("DLECode"), (std::vector<std::string>{"1"}));
    EXPECT_EQ(readFile(target), "keep me");
}

TEST_F(FetchProcess, InterruptCancelsAndLeavesAResumablePartialFile) {
    auto file = served(3u << 20);
    file.delivery.bytesPerSecond = 1u << 20;  // about three seconds in all
    server.setFile("/slow.bin", file);
    const QString target = path("slow.bin");
    QProcess p;
    startFetch(p, {QStringLiteral("--chunk"), QStringLiteral("4096"), qs(server.url("/slow.bin")),
                   target});
    // Interrupt once the transfer is under way.
    QFile out(target);
    bool started = false;
    for (int i = 0; i < 400 && !started; ++i) {
        p.waitForFinished(25);
        started = out.exists() && out.size() > 0;
    }
    ASSERT_TRUE(started);
    ::kill(static_cast<pid_t>(p.processId()), SIGINT);
    FetchRun run = finish(p);
    EXPECT_EQ(run.exitCode, 1) << run.err;
    EXPECT_EQ(run.values("DLECode"), (std::vector<std::string>{"4"}));
    const auto status = run.values("StatusChange");
    ASSERT_GE(status.size(), 2u);
    EXPECT_EQ(status.back(), "Cancelled.");
    // The cancel request lands during a read; that chunk is still reported.
    EXPECT_EQ(std::count(status.begin(), status.end(), "Cancelling.."), 1);
    EXPECT_EQ(run.property("InDL"), "true");
    const std::string partial = readFile(target);
    ASSERT_GT(partial.size(), 0u);
    ASSERT_LT(partial.size(), file.data->size());
    EXPECT_EQ(partial, file.data->substr(0, partial.size()));
    // What the last RecievedBytes reported is what the file holds.
    EXPECT_EQ(run.values("RecievedBytes").back(), std::to_string(partial.size()));

    auto fast = served(3u << 20);
    server.setFile("/slow.bin", fast);
    run = fetch({QStringLiteral("--resume"), QStringLiteral("--quiet"), qs(server.url("/slow.bin")),
                 target});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_TRUE(readFile(target) == *fast.data);
}

TEST_F(FetchProcess, EventLinesArriveWhileTheControlWaits) {
    pwtest::ScriptedResponse silent;
    silent.delivery.stallBeforeHeaders = true;
    server.setResponse("/silent", silent);
    QProcess p;
    startFetch(p, {qs(server.url("/silent")), path("s.bin")});
    QByteArray seen;
    for (int i = 0; i < 400 && !seen.contains("StatusChange\tInitiating Connection.\n"); ++i) {
        p.waitForReadyRead(25);
        seen += p.readAllStandardOutput();
    }
    EXPECT_TRUE(seen.contains("StatusChange\tInitiating Connection.\n")) << seen.toStdString();
    EXPECT_EQ(p.state(), QProcess::Running);
    // The server gives up: the probe fails and the program ends.
    server.releaseStalls();
    FetchRun run = finish(p);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.values("DLECode"), (std::vector<std::string>{"3"}));
}
