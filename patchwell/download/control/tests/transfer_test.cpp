#include <QFile>

#include <algorithm>

#include "patchwell/download/control/testing/core_fixture.h"

namespace patchwell::download::testing {
namespace {

using TransferTest = CoreTest;

const Trace kSuccess{"DLComplete", "StatusChange:Download Successful!"};
const Trace kFailure{"DLError:Error Downloading File from : http://127.0.0.1/files/setup.exe",
                     "StatusChange:Download Aborted Due To Error In Download!", "DLECode:1"};

const Trace k2500Chunks =
    Join({Chunk("1 KB/S", "1 sec", 1024, 41), Chunk("2 KB/S", "0 sec", 2048, 82),
          Chunk("2.44 KB/S", "0 sec", 2500, 100), Chunk("2.44 KB/S", "0 sec", 2500, 100)});

TEST_F(TransferTest, WholeBodyReplacesAnExistingFile) {
    const std::string body = Bytes(2500);
    WriteFile(Path("File1.tmp"), Bytes(9000, 7));
    Probe(Answer::Make("HTTP/1.1 200 OK", body));
    env->log->logChunks = true;
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))}, k2500Chunks, kSuccess}));
    EXPECT_EQ(ReadFile(Path("File1.tmp")), body);
    EXPECT_FALSE(core.InDL());
    EXPECT_EQ(env->log->calls, (std::vector<std::string>{
                                   "SetURL http://127.0.0.1/files/setup.exe", "GetChunk 1024",
                                   "GetChunk 1024", "GetChunk 1024", "GetChunk 1024", "Cancel"}));
}

TEST_F(TransferTest, OneByteChunkEndsTheLoop) {
    const std::string body = Bytes(1025);
    Probe(Answer::Make("HTTP/1.1 200 OK", body));
    env->log->logChunks = true;
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))},
                           Chunk("1 KB/S", "0 sec", 1024, 100),
                           Chunk("1 KB/S", "0 sec", 1025, 100),
                           kSuccess}));
    EXPECT_EQ(env->log->Count("GetChunk"), 2);
    EXPECT_EQ(ReadFile(Path("File1.tmp")), body);
}

TEST_F(TransferTest, ChunkSizeOneReadsTheWholeBody) {
    // Every chunk is a single byte here, so a single byte cannot mean the end:
    // stopping there would report a one-byte file as complete.
    const std::string body = Bytes(5);
    core.setCHUNK(1);
    Probe(Answer::Make("HTTP/1.1 200 OK", body));
    env->log->logChunks = true;
    core.download();
    EXPECT_EQ(env->log->Count("GetChunk"), 6);
    EXPECT_EQ(ReadFile(Path("File1.tmp")), body);
    ASSERT_GE(trace.size(), 2u);
    EXPECT_EQ(Trace(trace.end() - 2, trace.end()), kSuccess);
    EXPECT_EQ(std::count(trace.begin(), trace.end(), std::string("RecievedBytes:5")), 2);
}

TEST_F(TransferTest, PauseFromAHandlerWaitsWithoutSpinning) {
    const std::string body = Bytes(2500);
    Probe(Answer::Make("HTTP/1.1 200 OK", body));
    env->log->logChunks = true;
    QObject::connect(&core, &DownLoadCore::Percent, [this](qint32 percent) {
        if (percent == 41) {
            core.Pause(true);
            core.setCHUNK(10);  // the running transfer keeps its chunk size
        }
    });
    env->onProcessEvents = [this](int call) {
        if (call == 3) {
            core.Pause(false);
        }
    };
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))},
                           Chunk("1 KB/S", "1 sec", 1024, 41),
                           {"StatusChange:Paused.", "StatusChange:Paused.",
                            "StatusChange:Unpausing", "StatusChange:Paused."},
                           Chunk("2 KB/S", "0 sec", 2048, 82),
                           Chunk("2.44 KB/S", "0 sec", 2500, 100),
                           Chunk("2.44 KB/S", "0 sec", 2500, 100),
                           kSuccess}));
    EXPECT_EQ(env->sleeps, (std::vector<int>{40, 40}));
    EXPECT_EQ(env->log->Count("GetChunk 1024"), 4);
    EXPECT_EQ(ReadFile(Path("File1.tmp")), body);
}

TEST_F(TransferTest, CancelFromAHandlerClosesAtTheNextBoundary) {
    const std::string body = Bytes(2500);
    Probe(Answer::Make("HTTP/1.1 200 OK", body));
    QObject::connect(&core, &DownLoadCore::RecievedBytes, [this](qint64 bytes) {
        if (bytes == 1024) {
            core.Cancel();
        }
    });
    core.download();
    Trace first = Chunk("1 KB/S", "1 sec", 1024, 41);
    first.insert(first.begin() + 3, "StatusChange:Cancelling..");
    EXPECT_EQ(
        trace,
        Join({{Opening(Path("File1.tmp"))}, first, {"DLECode:4", "StatusChange:Cancelled."}}));
    EXPECT_EQ(ReadFile(Path("File1.tmp")), body.substr(0, 1024));
    EXPECT_TRUE(core.InDL());
    EXPECT_FALSE(core.CCancel());
    EXPECT_EQ(env->log->Count("Cancel"), 0);
}

TEST_F(TransferTest, PromptKeepsThePathAfterTwoRefusalsAndWritesOverIt) {
    const QString path = Path("File1.tmp");
    const std::string body = Bytes(2500);
    WriteFile(path, Bytes(9000, 3));
    core.setPromptOverwrite(true);
    Probe(Answer::Make("HTTP/1.1 200 OK", body));
    env->dialogs.answers = {MessageAnswer::No, MessageAnswer::Yes, MessageAnswer::No};
    env->dialogs.inputs = {QString(), QStringLiteral(" "), path, path};
    core.download();
    const std::string p = path.toStdString();
    const std::string input =
        "InputBox[New File...|" + p +
        "]:Please type in a new file path and name.\r\nExample: C:\\File2.txt";
    const std::string empty = "MessageBox[Error!|OK|Exclamation]:You didn't specify a file!";
    const std::string same =
        "MessageBox[Try Again?|YesNo|Stop]:You typed in the same file! Would you like type in a "
        "different file?";
    EXPECT_EQ(trace,
              Join({{"MessageBox[Overwrite?|YesNo|Information]:Would you like to overwrite the "
                     "file at: " +
                         p + " ?",
                     input, empty, input, empty, input, same, input, same, Opening(path)},
                    k2500Chunks,
                    kSuccess}));
    // Written over without being deleted: no tail of the older, longer file.
    EXPECT_EQ(ReadFile(path), body);
}

TEST_F(TransferTest, PromptTakesATypedPath) {
    const QString path = Path("File1.tmp");
    const QString other = Path("other.bin");
    const std::string old = Bytes(300, 9);
    WriteFile(path, old);
    WriteFile(other, Bytes(5000, 4));
    core.setPromptOverwrite(true);
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    env->dialogs.answers = {MessageAnswer::No};
    env->dialogs.inputs = {other};
    core.download();
    ASSERT_EQ(trace.size(), 3u + k2500Chunks.size() + kSuccess.size());
    EXPECT_EQ(trace[2], Opening(other));
    EXPECT_EQ(ReadFile(other), Bytes(2500));
    EXPECT_EQ(ReadFile(path), old);
}

TEST_F(TransferTest, PromptYesDeletesTheFile) {
    const QString path = Path("File1.tmp");
    WriteFile(path, Bytes(9000, 3));
    core.setPromptOverwrite(true);
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    env->dialogs.answers = {MessageAnswer::Yes};
    core.download();
    EXPECT_EQ(trace.size(), 2u + k2500Chunks.size() + kSuccess.size());
    EXPECT_EQ(ReadFile(path), Bytes(2500));
}

TEST_F(TransferTest, KeepTypeTakesTheUrlExtension) {
    core.setKeepType(true);
    core.setSaveLocation(Path("appupdate.exe"));
    core.setUrl(QStringLiteral("http://127.0.0.1/files/patch.zip"));
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    core.download();
    ASSERT_FALSE(trace.empty());
    EXPECT_EQ(trace.front(), Opening(Path("appupdate.zip")));
    EXPECT_EQ(ReadFile(Path("appupdate.zip")), Bytes(2500));
    EXPECT_FALSE(QFile::exists(Path("appupdate.exe")));
}

TEST_F(TransferTest, OnlineCheckRefusesWithoutAConnection) {
    core.setOnlineCheck(true);
    env->connection = ConnectionStatus{false, 0};
    core.GetFileInformation();
    trace.clear();
    core.download();
    EXPECT_EQ(trace, (Trace{"DLECode:5", "DLError:No Connection Found!",
                            "StatusChange:Download aborted, no connection present!"}));
    EXPECT_FALSE(QFile::exists(Path("File1.tmp")));
}

TEST_F(TransferTest, FailedProbeLeavesNoSizeSoTheFirstChunkFails) {
    const std::string body = Bytes(2500);
    Probe(Answer::Make("HTTP/1.1 200 OK", body, false));  // no Content-Length
    ASSERT_EQ(core.FileSize(), 0);
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp")), "Rate:1 KB/S", "TimeLeft:-1 hr 0 min",
                            "RecievedBytes:1024"},
                           kFailure}));
    EXPECT_TRUE(core.InDL());
    EXPECT_EQ(env->log->calls.back(), "Cancel");
    // The error end closes the file with what was written.
    EXPECT_EQ(ReadFile(Path("File1.tmp")), body.substr(0, 1024));
}

TEST_F(TransferTest, ArithmeticAndComponentFailuresTakeTheErrorEnd) {
    // An empty first chunk: the rate is 0 and the time left cannot be had.
    Probe(Answer::Make("HTTP/1.1 200 OK", "", false, "Content-Length: 100\r\n"));
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))}, kFailure}));
    trace.clear();

    // A chunk size of 0.
    core.setCHUNK(0);
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(100)));
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))}, kFailure}));
    trace.clear();
    core.setCHUNK(1024);

    // The connection lost after two chunks: the partial file stays.
    Answer lost = Answer::Make("HTTP/1.1 200 OK", Bytes(2500));
    lost.failAtChunk = 2;
    Probe(lost);
    core.download();
    EXPECT_EQ(trace, Join({{Opening(Path("File1.tmp"))},
                           Chunk("1 KB/S", "1 sec", 1024, 41),
                           Chunk("2 KB/S", "0 sec", 2048, 82),
                           kFailure}));
    EXPECT_EQ(ReadFile(Path("File1.tmp")), Bytes(2500).substr(0, 2048));
    EXPECT_TRUE(core.InDL());

    // A folder that does not exist.
    trace.clear();
    core.setSaveLocation(Path("missing/File1.tmp"));
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(100)));
    core.download();
    EXPECT_EQ(trace, kFailure);
}

TEST_F(TransferTest, AFullDiskIsAFailure) {
    core.setSaveLocation(QStringLiteral("/dev/full"));
    Probe(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    core.download();
    EXPECT_EQ(trace, Join({{Opening(QStringLiteral("/dev/full"))}, k2500Chunks, kFailure}));
    EXPECT_TRUE(core.InDL());
}

}  // namespace
}  // namespace patchwell::download::testing
