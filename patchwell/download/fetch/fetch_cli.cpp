#include "patchwell/download/fetch/fetch_cli.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>

namespace patchwell::fetch {

using download::MessageAnswer;
using download::MessageButtons;
using download::MessageIcon;

QString UsageText() {
    // The synopsis is the same in every language; what follows it is translated.
    return QStringLiteral(
               "usage: patchwell-fetch [--chunk N] [--keep-type] [--online-check] "
               "[--prompt-overwrite]\n"
               "                       [--probe | --resume] [--quiet] URL SAVE_LOCATION\n"
               "       patchwell-fetch --help | --version\n"
               "\n") +
           QCoreApplication::translate(
               "patchwell::fetch",
               "Fetches URL into SAVE_LOCATION with the download control and prints each\n"
               "event as a line: the event's name, a tab and its value. Then prints the\n"
               "properties FileExists, FileSize, ResumeSupported, Connected and InDL as\n"
               "'@' name, a tab and the value.\n"
               "\n"
               "  --chunk N           bytes per read (CHUNK, default 1024)\n"
               "  --keep-type         give the saved file the URL's extension (KeepType)\n"
               "  --online-check      check the connection first (OnlineCheck)\n"
               "  --prompt-overwrite  ask before replacing an existing file (PromptOverwrite)\n"
               "  --probe             only ask for the file's status and size\n"
               "  --resume            append the missing rest to a partial SAVE_LOCATION\n"
               "  --quiet             no event lines; a progress line on a terminal\n"
               "\n"
               "Exit status: 0 when the download completed (with --probe: when the file\n"
               "was found with a size above 0), 1 otherwise, 2 for a usage error.\n"
               "Ctrl-C cancels the transfer and leaves the partial file for --resume;\n"
               "a second Ctrl-C ends the program at once.\n");
}

std::optional<FetchOptions> ParseFetchArguments(const QStringList& arguments, QString& error) {
    FetchOptions options;
    QStringList positional;
    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& arg = arguments.at(i);
        if (optionsEnded || !arg.startsWith(QLatin1Char('-')) || arg == QStringLiteral("-")) {
            positional.append(arg);
        } else if (arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (arg == QStringLiteral("--chunk") || arg.startsWith(QStringLiteral("--chunk="))) {
            QString value;
            if (arg == QStringLiteral("--chunk")) {
                if (i + 1 >= arguments.size()) {
                    error =
                        QCoreApplication::translate("patchwell::fetch", "--chunk needs a number");
                    return std::nullopt;
                }
                value = arguments.at(++i);
            } else {
                value = arg.mid(8);
            }
            bool ok = false;
            const int chunk = value.toInt(&ok);
            if (!ok) {
                error = QCoreApplication::translate("patchwell::fetch",
                                                    "--chunk needs a whole number, not '%1'")
                            .arg(value);
                return std::nullopt;
            }
            options.chunk = chunk;
        } else if (arg == QStringLiteral("--keep-type")) {
            options.keepType = true;
        } else if (arg == QStringLiteral("--online-check")) {
            options.onlineCheck = true;
        } else if (arg == QStringLiteral("--prompt-overwrite")) {
            options.promptOverwrite = true;
        } else if (arg == QStringLiteral("--probe")) {
            options.probe = true;
        } else if (arg == QStringLiteral("--resume")) {
            options.resume = true;
        } else if (arg == QStringLiteral("--quiet")) {
            options.quiet = true;
        } else {
            error = QCoreApplication::translate("patchwell::fetch", "unknown option '%1'").arg(arg);
            return std::nullopt;
        }
    }
    if (options.probe && options.resume) {
        error = QCoreApplication::translate("patchwell::fetch",
                                            "--probe and --resume exclude each other");
        return std::nullopt;
    }
    if (positional.size() != 2) {
        error = QCoreApplication::translate("patchwell::fetch", "expected URL and SAVE_LOCATION");
        return std::nullopt;
    }
    options.url = positional.at(0);
    options.saveLocation = positional.at(1);
    return options;
}

std::optional<QString> TerminalDialogs::readLine() {
    if (ended_) {
        return std::nullopt;
    }
    QByteArray line;
    char buffer[512];
    for (;;) {
        if (std::fgets(buffer, sizeof buffer, in_) == nullptr) {
            if (line.isEmpty()) {
                ended_ = true;
                return std::nullopt;
            }
            break;
        }
        line.append(buffer);
        if (line.endsWith('\n')) {
            line.chop(1);
            break;
        }
    }
    if (line.endsWith('\r')) {
        line.chop(1);
    }
    return QString::fromLocal8Bit(line);
}

MessageAnswer TerminalDialogs::MessageBox(const QString& text, const QString& title,
                                          MessageButtons buttons, MessageIcon) {
    std::fflush(stdout);
    const QString shownTitle = title.isEmpty() ? QStringLiteral("Patchwell") : title;
    std::fprintf(out_, "[%s] %s\n", shownTitle.toLocal8Bit().constData(),
                 text.toLocal8Bit().constData());
    if (buttons == MessageButtons::Ok) {
        std::fputs("(press Enter) ", out_);
        std::fflush(out_);
        readLine();
        return MessageAnswer::Ok;
    }
    for (;;) {
        std::fputs("(y)es / (n)o? ", out_);
        std::fflush(out_);
        const auto answer = readLine();
        if (!answer) {
            std::fputs("\n", out_);
            return MessageAnswer::No;
        }
        const QString a = answer->trimmed().toLower();
        if (a == QStringLiteral("y") || a == QStringLiteral("yes")) {
            return MessageAnswer::Yes;
        }
        if (a == QStringLiteral("n") || a == QStringLiteral("no")) {
            return MessageAnswer::No;
        }
    }
}

QString TerminalDialogs::InputBox(const QString& prompt, const QString& title,
                                  const QString& defaultText) {
    std::fflush(stdout);
    if (ended_) {
        if (dismissedAfterEnd_) {
            throw InputEndedError();
        }
        dismissedAfterEnd_ = true;
        return QString();
    }
    std::fprintf(out_, "[%s] %s\n(Enter keeps: %s)> ", title.toLocal8Bit().constData(),
                 prompt.toLocal8Bit().constData(), defaultText.toLocal8Bit().constData());
    std::fflush(out_);
    const auto answer = readLine();
    if (!answer) {
        std::fputs("\n", out_);
        dismissedAfterEnd_ = true;
        return QString();
    }
    return answer->isEmpty() ? defaultText : *answer;
}

namespace {

QString sizeText(double bytes) {
    static const char* const units[] = {"B", "KiB", "MiB", "GiB", "TiB"};
    int unit = 0;
    while (bytes >= 1024.0 && unit < 4) {
        bytes /= 1024.0;
        ++unit;
    }
    return unit == 0
               ? QStringLiteral("%1 B").arg(static_cast<qint64>(bytes))
               : QStringLiteral("%1 %2").arg(bytes, 0, 'f', 1).arg(QLatin1String(units[unit]));
}

QString durationText(double seconds) {
    const auto s = static_cast<qint64>(std::llround(seconds));
    if (s >= 3600) {
        return QStringLiteral("%1:%2:%3")
            .arg(s / 3600)
            .arg((s / 60) % 60, 2, 10, QLatin1Char('0'))
            .arg(s % 60, 2, 10, QLatin1Char('0'));
    }
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString ProgressLine::Format(qint64 bytes, qint64 total, double bytesPerSecond) {
    QString line;
    if (total > 0) {
        const qint64 percent = std::min<qint64>(100, bytes * 100 / total);
        line =
            QStringLiteral("%1%  %2 of %3").arg(percent, 3).arg(sizeText(bytes), sizeText(total));
    } else {
        line = sizeText(static_cast<double>(bytes));
    }
    if (bytesPerSecond > 0 && std::isfinite(bytesPerSecond)) {
        line += QStringLiteral("  %1/s").arg(sizeText(bytesPerSecond));
        if (total > bytes) {
            line += QStringLiteral("  %1 left")
                        .arg(durationText(static_cast<double>(total - bytes) / bytesPerSecond));
        }
    }
    return line;
}

void ProgressLine::Update(qint64 bytes, qint64 total, double seconds, bool force) {
    if (!force && drawn_ && seconds - lastDrawn_ < 0.25) {
        return;
    }
    lastDrawn_ = seconds;
    drawn_ = true;
    const double rate =
        seconds > 0 ? static_cast<double>(std::max<qint64>(0, bytes - startBytes_)) / seconds : 0.0;
    // Pad so that a shorter line covers the previous one.
    std::fprintf(out_, "\r%-60s", Format(bytes, total, rate).toLocal8Bit().constData());
    std::fflush(out_);
}

void ProgressLine::Finish() {
    if (drawn_) {
        std::fputs("\n", out_);
        std::fflush(out_);
        drawn_ = false;
    }
}

}  // namespace patchwell::fetch
