#pragma once

// Command lines in the quoting of desktop launchers: arguments are separated
// by blanks; double quotes group an argument, and inside them a backslash
// escapes '"', '`', '$' and '\'. Single quotes group an argument without any
// escapes, as a shell does; outside quotes a backslash escapes the next
// character.

#include <QStringList>

#include <optional>

namespace tilebay {

// Splits `line` into its words; nullopt when a quote is left open.
std::optional<QStringList> SplitCommandLine(const QString& line);

// Joins `words` into a line that SplitCommandLine splits back into the same
// words, quoting only the words that need it.
QString JoinCommandLine(const QStringList& words);

}  // namespace tilebay
