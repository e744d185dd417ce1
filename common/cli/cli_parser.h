#pragma once

// The command line every program of the project shares: --help prints the
// usage on stdout and ends with 0, --version prints the program's name and
// the project's version and ends with 0, an unknown option or a wrong number
// of arguments prints the reason and the usage on stderr and ends with 2.
// Programs add options of their own and read them from parser() once parse()
// lets them go on. The texts are translated: a program makes its application
// object and installs its translations before it makes its CommandLine.

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <optional>

namespace common::cli {

// The project's version, "MAJOR.MINOR.PATCH".
QString ProjectVersion();

// "NAME VERSION" and a line break.
QString VersionText(const QString& program);

// What parsing decided: the program ends now with exitCode (after `out` went
// to stdout and `err` to stderr), or, without one, it goes on.
struct Outcome {
    std::optional<int> exitCode;
    QString out;
    QString err;
};

class CommandLine {
public:
    // `positionalSyntax` is how the usage line shows the arguments, e.g.
    // "KEY FILE [SIGNATURE]"; between `minPositional` and `maxPositional`
    // of them are accepted.
    CommandLine(QString program, QString summary, QString positionalSyntax = QString(),
                int minPositional = 0, int maxPositional = 0);

    void addOption(const QCommandLineOption& option);
    void addPositional(const QString& name, const QString& description);

    // `arguments` start with the program's own name, as argv does.
    Outcome parse(const QStringList& arguments);

    // The usage on stderr with `message` before it, exit status 2: for the
    // checks a program makes on its own options.
    Outcome usageError(const QString& message) const;

    QString usage() const;
    const QCommandLineParser& parser() const { return parser_; }

private:
    QString program_;
    QString positionalSyntax_;
    int minPositional_;
    int maxPositional_;
    QCommandLineParser parser_;
    QCommandLineOption help_;
    QCommandLineOption version_;
};

// argv as texts, in the locale's encoding.
QStringList Arguments(int argc, char** argv);

// Writes the outcome's texts to stdout and stderr and returns its exit code.
std::optional<int> Emit(const Outcome& outcome);

}  // namespace common::cli
