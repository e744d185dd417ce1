#include "common/cli/cli_parser.h"

#include <QCoreApplication>

#include <cstdio>

#include "common/cli/project_version.h"

namespace common::cli {
namespace {

void Write(std::FILE* stream, const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stream);
    std::fflush(stream);
}

}  // namespace

QString ProjectVersion() {
    return QStringLiteral(PROJECT_VERSION_TEXT);
}

QString VersionText(const QString& program) {
    return program + u' ' + ProjectVersion() + u'\n';
}

CommandLine::CommandLine(QString program, QString summary, QString positionalSyntax,
                         int minPositional, int maxPositional)
    : program_(std::move(program)),
      positionalSyntax_(std::move(positionalSyntax)),
      minPositional_(minPositional),
      maxPositional_(maxPositional),
      help_({QStringLiteral("h"), QStringLiteral("help")},
            QCoreApplication::translate("common::cli", "Show this help and exit.")),
      version_(QStringLiteral("version"),
               QCoreApplication::translate("common::cli", "Show the version and exit.")) {
    parser_.setApplicationDescription(summary);
    parser_.addOption(help_);
    parser_.addOption(version_);
}

void CommandLine::addOption(const QCommandLineOption& option) {
    parser_.addOption(option);
}

void CommandLine::addPositional(const QString& name, const QString& description) {
    parser_.addPositionalArgument(name, description);
}

QString CommandLine::usage() const {
    // Qt's text names the executable by its path (or not at all without an
    // application object); the usage names the program as installed.
    QString text = parser_.helpText();
    const qsizetype lineEnd = text.indexOf(u'\n');
    QString first = QCoreApplication::translate("common::cli", "Usage: %1 [options]").arg(program_);
    if (!positionalSyntax_.isEmpty()) {
        first += u' ' + positionalSyntax_;
    }
    return first + text.mid(lineEnd);
}

Outcome CommandLine::usageError(const QString& message) const {
    return {2, QString(), program_ + QStringLiteral(": ") + message + u'\n' + usage()};
}

Outcome CommandLine::parse(const QStringList& arguments) {
    if (!parser_.parse(arguments)) {
        return usageError(parser_.errorText());
    }
    if (parser_.isSet(help_)) {
        return {0, usage(), QString()};
    }
    if (parser_.isSet(version_)) {
        return {0, VersionText(program_), QString()};
    }
    const auto count = parser_.positionalArguments().size();
    if (count < minPositional_ || count > maxPositional_) {
        return usageError(count < minPositional_
                              ? QCoreApplication::translate("common::cli", "too few arguments")
                              : QCoreApplication::translate("common::cli", "too many arguments"));
    }
    return {};
}

QStringList Arguments(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        arguments.append(QString::fromLocal8Bit(argv[i]));
    }
    return arguments;
}

std::optional<int> Emit(const Outcome& outcome) {
    Write(stdout, outcome.out);
    Write(stderr, outcome.err);
    return outcome.exitCode;
}

}  // namespace common::cli
