#include "patchwell/update/core/control_texts.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <vector>

namespace patchwell::update {

namespace {

constexpr char kContext[] = "patchwell::update::ControlTexts";

// Every text of the control that patchwell shows, word for word as the
// control raises it (download_texts.h, download_codes.h, progress_format.cpp);
// %1 and %2 stand for what the control fills in. The English text is thus
// both what is recognised and the source of the shown text.
constexpr const char* kControlTexts[] = {
    // StatusChange
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Initiating Connection."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "Connection Accepted, Retrieving File Information."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Retrieving File Information Complete!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "Unauthorized Access, Download Terminated!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Access Denied, Download Terminated!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "File Not Found!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Server Error, Download Terminated!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "cancelled."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Error Reading File Headers!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "Download aborted, no connection present!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Opening %1 For DATA Input."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Recieving File"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Recieving File, Inputting DATA to File."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Paused."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Cancelled."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Download Successful!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "Download Aborted Due To Error In Download!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "Resume File Not Found, Aborting Download!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Resume NotSupported, Aborting Download!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Unpausing"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Cancelling.."),
    // DLError
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Server Error!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Error Downloading File from : %1"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Error Reading File Headers."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "No Connection Found!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Resume File Not Found!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Resume Not Supported!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Unauthorized Access!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Access Denied!"),
    // Summaries of the DLECode numbers
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Uknown Error!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "File Doesn't Exist!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Download Was Cancelled By User!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "No Connection Present!"),
    // Rate and TimeLeft
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "%1 Bytes/S"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "%1 KB/S"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "%1 sec"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "%1 min %2 sec"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "%1 hr %2 min"),
    // The control's message boxes and prompts
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "You are not currently connected to the internet!\r\n"
                      "The download will be aborted!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Overwrite?"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "Would you like to overwrite the file at: %1 ?"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "New File..."),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "Please type in a new file path and name.\r\nExample: C:\\File2.txt"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Error!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "You didn't specify a file!"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts", "Try Again?"),
    QT_TRANSLATE_NOOP("patchwell::update::ControlTexts",
                      "You typed in the same file! Would you like type in a different file?"),
};

// An entry with parts filled in: the text as a pattern, and which
// placeholder each captured part stands for.
struct Pattern {
    const char* source;
    QRegularExpression expression;
    std::vector<int> placeholders;
    qsizetype fixedLength = 0;  // characters outside the placeholders
};

struct Table {
    QHash<QString, const char*> exact;
    std::vector<Pattern> patterns;
};

const Table& TheTable() {
    static const Table table = [] {
        Table t;
        static const QRegularExpression placeholder(QStringLiteral("%([12])"));
        for (const char* source : kControlTexts) {
            const QString text = QString::fromLatin1(source);
            if (!text.contains(placeholder)) {
                t.exact.insert(text, source);
                continue;
            }
            Pattern pattern{source, {}, {}, 0};
            QString expression = QStringLiteral("\\A");
            qsizetype from = 0;
            for (auto it = placeholder.globalMatch(text); it.hasNext();) {
                const QRegularExpressionMatch match = it.next();
                const QString fixed = text.mid(from, match.capturedStart() - from);
                expression += QRegularExpression::escape(fixed) + QStringLiteral("(.*)");
                pattern.fixedLength += fixed.size();
                pattern.placeholders.push_back(match.captured(1).toInt());
                from = match.capturedEnd();
            }
            expression += QRegularExpression::escape(text.mid(from)) + QStringLiteral("\\z");
            pattern.fixedLength += text.size() - from;
            pattern.expression.setPattern(expression);
            pattern.expression.setPatternOptions(QRegularExpression::DotMatchesEverythingOption);
            t.patterns.push_back(std::move(pattern));
        }
        return t;
    }();
    return table;
}

}  // namespace

QString ShownControlText(const QString& controlText) {
    const Table& table = TheTable();
    if (const auto exact = table.exact.constFind(controlText); exact != table.exact.cend()) {
        return QCoreApplication::translate(kContext, exact.value());
    }
    // "2 min 5 sec" fits "%1 sec" too: the entry with the most fixed text wins.
    const Pattern* best = nullptr;
    QStringList parts;
    for (const Pattern& pattern : table.patterns) {
        if (best != nullptr && pattern.fixedLength <= best->fixedLength) {
            continue;
        }
        const QRegularExpressionMatch match = pattern.expression.match(controlText);
        if (!match.hasMatch()) {
            continue;
        }
        best = &pattern;
        parts = QStringList(static_cast<qsizetype>(pattern.placeholders.size()), QString());
        for (std::size_t i = 0; i < pattern.placeholders.size(); ++i) {
            parts[pattern.placeholders[i] - 1] = match.captured(static_cast<int>(i) + 1);
        }
    }
    if (best == nullptr) {
        return controlText;
    }
    const QString shown = QCoreApplication::translate(kContext, best->source);
    return parts.size() == 1 ? shown.arg(parts[0]) : shown.arg(parts[0], parts[1]);
}

}  // namespace patchwell::update
