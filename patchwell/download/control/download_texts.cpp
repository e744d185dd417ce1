#include "patchwell/download/control/download_texts.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include "patchwell/download/control/download_codes.h"

namespace patchwell::download::texts {

namespace {

constexpr char kContext[] = "patchwell::download::Texts";

QString Fill(QString text, const QString& first, const QString& second) {
    if (text.contains(QLatin1String("%2"))) {
        return text.arg(first, second);
    }
    return text.contains(QLatin1String("%1")) ? text.arg(first) : text;
}

// A text with parts filled in, as a pattern: which placeholder each
// captured part stands for.
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
        for (const char* source : All()) {
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

QString English(const char* text, const QString& first, const QString& second) {
    return Fill(QString::fromLatin1(text), first, second);
}

QString Translated(const char* text, const QString& first, const QString& second) {
    return Fill(QCoreApplication::translate(kContext, text), first, second);
}

const std::vector<const char*>& Statuses() {
    static const std::vector<const char*> statuses{kInitiating,
                                                   kAccepted,
                                                   kInformationComplete,
                                                   kUnauthorizedStatus,
                                                   kDeniedStatus,
                                                   kNotFound,
                                                   kServerErrorStatus,
                                                   kProbeCancelled,
                                                   kHeadersFailedStatus,
                                                   kNoConnectionStatus,
                                                   kReceiving,
                                                   kReceivingResumed,
                                                   kPaused,
                                                   kCancelled,
                                                   kSuccessful,
                                                   kAbortedStatus,
                                                   kResumeFileMissingStatus,
                                                   kResumeUnsupportedStatus,
                                                   kUnpausing,
                                                   kCancelling};
    return statuses;
}

const std::vector<const char*>& All() {
    static const std::vector<const char*> all = [] {
        std::vector<const char*> texts = Statuses();
        texts.insert(texts.end(),
                     {kOpening, kServerError, kRateBytes, kRateKilobytes, kSeconds, kMinutes,
                      kHours, kOfflineNotice, kOverwriteTitle, kOverwrite, kNewFileTitle,
                      kNewFilePrompt, kNoFileTitle, kNoFile, kSameFileTitle, kSameFile});
        for (const ErrorCodeInfo& info : kErrorCodes) {
            if (info.errorText != nullptr) {
                texts.push_back(info.errorText);
            }
            texts.push_back(info.summary);
        }
        return texts;
    }();
    return all;
}

QString Shown(const QString& raised) {
    const Table& table = TheTable();
    if (const auto exact = table.exact.constFind(raised); exact != table.exact.cend()) {
        return Translated(exact.value());
    }
    // "2 min 5 sec" fits "%1 sec" too: the text with the most fixed text wins.
    const Pattern* best = nullptr;
    QString parts[2];
    for (const Pattern& pattern : table.patterns) {
        if (best != nullptr && pattern.fixedLength <= best->fixedLength) {
            continue;
        }
        const QRegularExpressionMatch match = pattern.expression.match(raised);
        if (!match.hasMatch()) {
            continue;
        }
        best = &pattern;
        for (std::size_t i = 0; i < pattern.placeholders.size(); ++i) {
            parts[pattern.placeholders[i] - 1] = match.captured(static_cast<int>(i) + 1);
        }
    }
    return best == nullptr ? raised : Translated(best->source, parts[0], parts[1]);
}

}  // namespace patchwell::download::texts
