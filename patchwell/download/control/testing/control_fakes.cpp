#include "patchwell/download/control/testing/control_fakes.h"

#include <QFile>

#include <algorithm>
#include <cctype>

#include "common/text/text.h"
#include "patchwell/download/http/http_parsing.h"

namespace patchwell::download::testing {

Answer Answer::Make(const std::string& statusLine, std::string body, bool withLength,
                    const std::string& extraHeaders) {
    Answer answer;
    answer.header = statusLine + "\r\n";
    if (withLength) {
        answer.header += "Content-Length: " + std::to_string(body.size()) + "\r\n";
    }
    answer.header += extraHeaders + "\r\n";
    answer.body = std::move(body);
    return answer;
}

int TransferLog::Count(const std::string& prefix) const {
    return static_cast<int>(std::count_if(
        calls.begin(), calls.end(), [&](const std::string& c) { return c.rfind(prefix, 0) == 0; }));
}

void FakeTransfer::SetURL(const std::string& url) {
    url_ = url;
    log_->calls.push_back("SetURL " + url);
}

void FakeTransfer::Execute(const std::string& operation, const std::string& requestHeaders) {
    log_->calls.push_back("Execute " + operation + " " + requestHeaders);
    if (log_->answers.empty()) {
        throw TransferError("no answer scripted");
    }
    answer_ = log_->answers.front();
    log_->answers.pop_front();
    open_ = true;
    offset_ = 0;
    chunkCalls_ = 0;
}

bool FakeTransfer::StillExecuting() {
    if (open_ && answer_.pendingPasses > 0) {
        --answer_.pendingPasses;
        return true;
    }
    return false;
}

std::string FakeTransfer::GetHeader(const std::string& name) {
    if (!open_ || answer_.failHeader) {
        throw TransferError("no answer");
    }
    if (name.empty()) {
        return answer_.header;
    }
    std::string lowerName = name;
    std::transform(lowerName.begin(), lowerName.end(), lowerName.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    std::size_t start = 0;
    while (start < answer_.header.size()) {
        std::size_t end = answer_.header.find("\r\n", start);
        if (end == std::string::npos) {
            end = answer_.header.size();
        }
        const std::string line = answer_.header.substr(start, end - start);
        const std::size_t colon = line.find(':');
        if (colon != std::string::npos) {
            std::string key = line.substr(0, colon);
            std::transform(key.begin(), key.end(), key.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            if (key == lowerName) {
                std::string value = line.substr(colon + 1);
                value.erase(0, value.find_first_not_of(' '));
                return value;
            }
        }
        start = end + 2;
    }
    return {};
}

// The scripted header text read by the same rules as the real component.
int FakeTransfer::StatusCode() {
    const std::string header = GetHeader({});
    const auto status = http::ParseStatusLine(header.substr(0, header.find('\n')));
    return status ? status->code : 0;
}

std::int64_t FakeTransfer::ContentLength() {
    const std::string value = GetHeader("Content-Length");
    if (value.empty()) {
        return -1;
    }
    std::int64_t length = 0;
    for (const char c : common::Trim(value, common::kBlanksAndLineEnds)) {
        if (c < '0' || c > '9' || length > (std::int64_t{1} << 50)) {
            throw TransferError("a malformed Content-Length");
        }
        length = length * 10 + (c - '0');
    }
    return length;
}

std::string_view FakeTransfer::GetChunk(std::size_t size) {
    if (log_->logChunks) {
        log_->calls.push_back("GetChunk " + std::to_string(size));
    }
    if (log_->hook) {
        log_->hook();
    }
    if (!open_) {
        throw TransferError("no request");
    }
    if (chunkCalls_++ == answer_.failAtChunk) {
        throw TransferError("connection lost");
    }
    const std::size_t length = std::min(size, answer_.body.size() - offset_);
    chunk_ = answer_.body.substr(offset_, length);
    offset_ += length;
    return chunk_;
}

void FakeTransfer::Cancel() {
    log_->calls.push_back("Cancel");
    open_ = false;
}

namespace {

std::string ButtonsName(MessageButtons buttons) {
    return buttons == MessageButtons::YesNo ? "YesNo" : "OK";
}

std::string IconName(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Information:
            return "Information";
        case MessageIcon::Exclamation:
            return "Exclamation";
        case MessageIcon::Stop:
            return "Stop";
        case MessageIcon::None:
            break;
    }
    return "None";
}

}  // namespace

MessageAnswer ScriptedDialogs::MessageBox(const QString& text, const QString& title,
                                          MessageButtons buttons, MessageIcon icon) {
    trace_->push_back("MessageBox[" + title.toStdString() + "|" + ButtonsName(buttons) + "|" +
                      IconName(icon) + "]:" + text.toStdString());
    if (buttons == MessageButtons::Ok) {
        return MessageAnswer::Ok;
    }
    if (answers.empty()) {
        throw std::logic_error("no answer scripted for " + text.toStdString());
    }
    const MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

QString ScriptedDialogs::InputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    trace_->push_back("InputBox[" + title.toStdString() + "|" + defaultText.toStdString() +
                      "]:" + prompt.toStdString());
    if (inputs.empty()) {
        throw std::logic_error("no input scripted");
    }
    const QString answer = inputs.front();
    inputs.pop_front();
    return answer;
}

void FakeEnvironment::ProcessEvents() {
    ++processEventsCalls;
    if (onProcessEvents) {
        onProcessEvents(processEventsCalls);
    }
}

std::string ReadFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return "<missing>";
    }
    return file.readAll().toStdString();
}

void WriteFile(const QString& path, const std::string& content) {
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        file.write(content.data(), static_cast<qint64>(content.size()));
    }
}

std::string Bytes(std::size_t count, unsigned seed) {
    std::string bytes(count, '\0');
    unsigned state = seed * 2654435761u + 1;
    for (char& c : bytes) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 16);
    }
    return bytes;
}

}  // namespace patchwell::download::testing
