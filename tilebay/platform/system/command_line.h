#pragma once

// Command lines in the quoting of desktop launchers: arguments are separated
// by blanks; double quotes group an argument, and inside them a backslash
// escapes '"', '`', '$' and '\'. Single quotes group an argument without any
// escapes, as a shell does; outside quotes a backslash escapes the next
// character.

#include <QStringList>

#include <optional>
#include <vector>

namespace tilebay {

// Splits `line` into its words; nullopt when a quote is left open.
std::optional<QStringList> SplitCommandLine(const QString& line);

// A word of a command line with, for each of its characters, whether it
// stood inside quotes (or was escaped): such characters are literal text.
struct CommandWord {
    QString text;
    std::vector<bool> quoted;  // one flag per character of `text`
};

// SplitCommandLine keeping the quoting of each character.
std::optional<std::vector<CommandWord>> SplitCommandWords(const QString& line);

// Joins `words` into a line that SplitCommandLine splits back into the same
// words, quoting only the words that need it.
QString JoinCommandLine(const QStringList& words);

}  // namespace tilebay
