#pragma once

// Fakes for the download control's unit tests: a scripted transfer
// component, an environment with a hand-driven clock and hook counter,
// scripted dialogs, and a recorder that writes every event of a control into
// one ordered trace.

#include <QObject>
#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/testing/qt_printers.h"
#include "patchwell/download/control/download_core.h"
#include "patchwell/download/control/download_environment.h"
#include "patchwell/download/control/download_events.h"
#include "patchwell/download/transfer/inet_transfer.h"

namespace patchwell::download::testing {

using Trace = std::vector<std::string>;

// One scripted answer of the fake server.
struct Answer {
    std::string header;  // the whole header text, status line first
    std::string body;
    int pendingPasses = 0;  // StillExecuting reports true this many times
    // GetChunk throws on this call of the answer (0 = first), -1 never.
    int failAtChunk = -1;
    bool failHeader = false;

    // "HTTP/<version> <status>" with a Content-Length of the body (unless
    // `withLength` is false) and the extra header lines.
    static Answer Make(const std::string& statusLine, std::string body, bool withLength = true,
                       const std::string& extraHeaders = {});
};

// What the scripted transfers saw, shared between the test and the fakes.
struct TransferLog {
    std::deque<Answer> answers;
    std::vector<std::string> calls;  // "SetURL u", "Execute GET <headers>", "Cancel", "GetChunk n"
    bool logChunks = false;
    std::function<void()> hook;  // stands for the host hook the engine calls in waits
    int Count(const std::string& prefix) const;
};

class FakeTransfer : public InetTransfer {
public:
    explicit FakeTransfer(std::shared_ptr<TransferLog> log) : log_(std::move(log)) {}

    void SetURL(const std::string& url) override;
    std::string URL() const override { return url_; }
    void Execute(const std::string& operation, const std::string& requestHeaders) override;
    bool StillExecuting() override;
    std::string GetHeader(const std::string& name) override;
    int StatusCode() override;
    std::int64_t ContentLength() override;
    std::string_view GetChunk(std::size_t size) override;
    void Cancel() override;

private:
    std::shared_ptr<TransferLog> log_;
    std::string url_;
    bool open_ = false;
    Answer answer_;
    std::size_t offset_ = 0;
    int chunkCalls_ = 0;
    std::string chunk_;
};

class ScriptedDialogs : public DownLoadDialogs {
public:
    explicit ScriptedDialogs(Trace* trace) : trace_(trace) {}
    std::deque<MessageAnswer> answers;  // for Yes/No boxes; OK boxes answer OK
    std::deque<QString> inputs;         // empty when exhausted

    MessageAnswer MessageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon) override;
    QString InputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;

private:
    Trace* trace_;
};

class FixedNetworkState : public NetworkState {
public:
    explicit FixedNetworkState(ConnectionStatus status) : status_(status) {}
    ConnectionStatus Query() const override { return status_; }

private:
    ConnectionStatus status_;
};

class FakeEnvironment : public DownLoadEnvironment {
public:
    explicit FakeEnvironment(Trace* trace) : log(std::make_shared<TransferLog>()), dialogs(trace) {}

    std::shared_ptr<TransferLog> log;
    ScriptedDialogs dialogs;
    ConnectionStatus connection{true, 0};
    double now = 100.0;  // seconds since midnight
    double tick = 0.0;   // added to `now` on every reading
    int processEventsCalls = 0;
    std::function<void(int)> onProcessEvents;  // gets the call count
    std::vector<int> sleeps;

    void ProcessEvents() override;
    void Sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
    double TimeOfDay() override {
        const double value = now;
        now += tick;
        return value;
    }
    DownLoadDialogs& Dialogs() override { return dialogs; }
    ConnectionStatus QueryConnection(const QString&) override { return connection; }
    std::unique_ptr<InetTransfer> CreateTransfer() override {
        return std::make_unique<FakeTransfer>(log);
    }
};

// Records every signal of `source` (a DownLoadCore or a DownLoad) as
// "Name" or "Name:argument".
template <typename Control>
void RecordEvents(Control* source, Trace* trace) {
    new EventRelay(
        *source,
        [trace](const QString& name, const QVariant& value) {
            std::string line = name.toStdString();
            if (value.typeId() == QMetaType::Int) {
                line += ":" + std::to_string(value.toInt());
            } else if (value.isValid()) {
                line += ":" + value.toString().toStdString();
            }
            trace->push_back(line);
        },
        source);
}

// The five events a transfer raises after each chunk.
inline Trace Chunk(const std::string& rate, const std::string& left, int bytes, int percent,
                   const std::string& status = "Recieving File") {
    return {"Rate:" + rate, "TimeLeft:" + left, "RecievedBytes:" + std::to_string(bytes),
            "Percent:" + std::to_string(percent), "StatusChange:" + status};
}

inline Trace Join(std::initializer_list<Trace> parts) {
    Trace all;
    for (const Trace& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

inline std::string Opening(const QString& path) {
    return "StatusChange:Opening " + path.toStdString() + " For DATA Input.";
}

// Reads and writes whole files for the checks.
std::string ReadFile(const QString& path);
void WriteFile(const QString& path, const std::string& content);
std::string Bytes(std::size_t count, unsigned seed = 1);

}  // namespace patchwell::download::testing
