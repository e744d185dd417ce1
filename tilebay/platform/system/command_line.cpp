#include "tilebay/platform/system/command_line.h"

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

std::optional<std::vector<CommandWord>> SplitCommandWords(const QString& line) {
    std::vector<CommandWord> words;
    CommandWord word;
    bool inWord = false;
    const auto add = [&word](QChar c, bool quoted) {
        word.text.append(c);
        word.quoted.push_back(quoted);
    };
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
                        add(next, true);
                        ++i;
                        continue;
                    }
                }
                add(q, true);
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
            for (qsizetype k = i + 1; k < close; ++k) {
                add(line.at(k), true);
            }
            i = close;
        } else if (c == u'\\') {
            inWord = true;
            if (i + 1 < n) {
                add(line.at(++i), true);
            }
        } else if (IsBlank(c)) {
            if (inWord) {
                words.push_back(std::move(word));
                word = CommandWord{};
                inWord = false;
            }
        } else {
            inWord = true;
            add(c, false);
        }
    }
    if (inWord) {
        words.push_back(std::move(word));
    }
    return words;
}

std::optional<QStringList> SplitCommandLine(const QString& line) {
    const std::optional<std::vector<CommandWord>> words = SplitCommandWords(line);
    if (!words) {
        return std::nullopt;
    }
    QStringList out;
    out.reserve(static_cast<qsizetype>(words->size()));
    for (const CommandWord& word : *words) {
        out.append(word.text);
    }
    return out;
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
