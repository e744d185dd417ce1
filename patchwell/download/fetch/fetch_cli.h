#pragma once

// Pieces of patchwell-fetch that need no running control: the command line,
// the terminal dialogs and the progress line.

#include <QString>
#include <QStringList>

#include <cstdio>
#include <optional>
#include <stdexcept>

#include "patchwell/download/control/download_environment.h"
#include "patchwell/download/control/download_interface.h"

namespace patchwell::fetch {

// The control's settings start at the control's own defaults.
struct FetchOptions {
    qint32 chunk = download::DefaultCHUNK();
    bool keepType = download::DefaultKeepType();
    bool onlineCheck = download::DefaultOnlineCheck();
    bool promptOverwrite = download::DefaultPromptOverwrite();
    bool probe = false;
    bool resume = false;
    bool quiet = false;
    QString url;
    QString saveLocation;
};

QString UsageText();

// Parses the arguments after the program name. On a usage error returns
// nullopt and puts the reason into `error`.
std::optional<FetchOptions> ParseFetchArguments(const QStringList& arguments, QString& error);

// Thrown by the terminal dialogs when an input dialog is asked again after
// the input has ended: answering it as dismissed once more would only repeat
// the control's question for ever.
class InputEndedError : public std::runtime_error {
public:
    InputEndedError() : std::runtime_error("no more input on the terminal") {}
};

// Asks the control's questions on a terminal: the question goes to `out`,
// the answer is a line read from `in`. End of input answers as a dismissed
// dialog: No (or OK) for a message box, an empty text for an input dialog.
class TerminalDialogs : public download::DownLoadDialogs {
public:
    TerminalDialogs(std::FILE* in, std::FILE* out) : in_(in), out_(out) {}

    download::MessageAnswer MessageBox(const QString& text, const QString& title,
                                       download::MessageButtons buttons,
                                       download::MessageIcon icon) override;
    QString InputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;

private:
    std::optional<QString> readLine();

    std::FILE* in_;
    std::FILE* out_;
    bool ended_ = false;
    bool dismissedAfterEnd_ = false;
};

// The one-line progress display of --quiet on a terminal: percent, size,
// rate and time left, redrawn at most a few times a second.
class ProgressLine {
public:
    // `startBytes`: what the file held before this run (a resumed
    // transfer); the rate counts only the bytes of this run.
    explicit ProgressLine(std::FILE* out, qint64 startBytes = 0)
        : out_(out), startBytes_(startBytes) {}
    // Bytes in the file now, of `total` (0 when unknown); `seconds` since the
    // transfer began.
    void Update(qint64 bytes, qint64 total, double seconds, bool force = false);
    void Finish();

    // The text for those numbers, without the leading carriage return.
    static QString Format(qint64 bytes, qint64 total, double bytesPerSecond);

private:
    std::FILE* out_;
    qint64 startBytes_;
    double lastDrawn_ = -1.0;
    bool drawn_ = false;
};

}  // namespace patchwell::fetch
