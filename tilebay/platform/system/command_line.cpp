#include "command_line.h"

namespace tilebay {
namespace {

bool IsBlank(QChar c) {
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool NeedsQuoting(const QString& word) {
    if (word.isEmpty()) {
        return true;
    }
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    for (const QChar c : word) {
        if (reserved.contains(c)) {
            return true;
        }
    }
    return false;
}

}  // namespace

std::optional<QStringList> SplitCommandLine(const QString& line) {
    QStringList words;
    QString word;
    bool inWord = false;
    const qsizetype n = line.size();
    for (qsizetype i = 0; i < n; ++i) {
        const QChar c = line.at(i);
        if (c == u'"') {
            inWord = true;
            bool closed = false;
            for (++i; i < n; ++i) {
                const QChar q = line.at(i);
                if (q == u'"') {
                    closed = true;
                    break;
                }
                if (q == u'\\' && i + 1 < n) {
                    const QChar next = line.at(i + 1);
                    if (next == u'"' || next == u'`' || next == u'$' || next == u'\\') {
                        word.append(next);
                        ++i;
                        continue;
                    }
                }
                word.append(q);
            }
            if (!closed) {
                return std::nullopt;
            }
        } else if (c == u'\'') {
            inWord = true;
            const qsizetype close = line.indexOf(u'\'', i + 1);
            if (close < 0) {
                return std::nullopt;
            }
            word.append(line.mid(i + 1, close - i - 1));
            i = close;
        } else if (c == u'\\') {
            inWord = true;
            if (i + 1 < n) {
                word.append(line.at(++i));
            }
        } else if (IsBlank(c)) {
            if (inWord) {
                words.append(word);
                word.clear();
                inWord = false;
            }
        } else {
            inWord = true;
            word.append(c);
        }
    }
    if (inWord) {
        words.append(word);
    }
    return words;
}

QString JoinCommandLine(const QStringList& words) {
    QStringList parts;
    parts.reserve(words.size());
    for (const QString& word : words) {
        if (!NeedsQuoting(word)) {
            parts.append(word);
            continue;
        }
        QString quoted = QStringLiteral("\"");
        for (const QChar c : word) {
            if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
                quoted.append(u'\\');
            }
            quoted.append(c);
        }
        quoted.append(u'"');
        parts.append(quoted);
    }
    return parts.join(u' ');
}

}  // namespace tilebay
