#include "patchwell/update/app/options.h"

#include <QCommandLineOption>
#include <QCoreApplication>

namespace patchwell::update {

ParsedOptions ParseOptions(const QStringList& arguments) {
    common::cli::CommandLine line(
        QStringLiteral("patchwell"),
        QCoreApplication::translate(
            "patchwell::update::options",
            "Keeps the program in its folder up to date. update.ini beside it "
            "names the program and where its updates are published."));
    const QCommandLineOption quiet(
        QStringLiteral("quiet"),
        QCoreApplication::translate(
            "patchwell::update::options",
            "No message when the program is up to date or the check cannot be "
            "carried out; the program starts at once (as quiet=1 in update.ini)."));
    const QCommandLineOption check(
        QStringLiteral("check"),
        QCoreApplication::translate(
            "patchwell::update::options",
            "Check now, whatever checkhours says, and show every outcome."));
    const QCommandLineOption channel(
        QStringLiteral("channel"),
        QCoreApplication::translate(
            "patchwell::update::options",
            "Follow the update channel NAME from now on (written to update.ini), "
            "then check."),
        QStringLiteral("NAME"));
    const QCommandLineOption forgetKey(
        QStringLiteral("forget-key"),
        QCoreApplication::translate(
            "patchwell::update::options",
            "Forget the signing key kept for this program folder: its updates are "
            "then no longer checked for signatures until update.ini names a key."));
    // patchwell's own: the start that found an update starts it detached.
    QCommandLineOption stage(QStringLiteral("stage"), QString());
    stage.setFlags(QCommandLineOption::HiddenFromHelp);
    const QCommandLineOption rollback(
        QStringLiteral("rollback"),
        QCoreApplication::translate(
            "patchwell::update::options",
            "Go back to the version installed before the current one, after asking; that "
            "version's installer, kept when it ran, runs again."));
    const QCommandLineOption status(
        QStringLiteral("status"),
        QCoreApplication::translate(
            "patchwell::update::options",
            "Print the installed version, the signing key, the last check, the skipped version "
            "and the kept installers, one \"key: value\" line each."));
    line.addOption(quiet);
    line.addOption(check);
    line.addOption(channel);
    line.addOption(forgetKey);
    line.addOption(stage);
    line.addOption(rollback);
    line.addOption(status);
    ParsedOptions parsed;
    parsed.outcome = line.parse(arguments);
    if (parsed.outcome.exitCode) {
        return parsed;
    }
    const QCommandLineParser& parser = line.parser();
    parsed.request.quiet = parser.isSet(quiet);
    parsed.request.checkNow = parser.isSet(check);
    parsed.forgetKey = parser.isSet(forgetKey);
    parsed.stage = parser.isSet(stage);
    parsed.rollback = parser.isSet(rollback);
    parsed.status = parser.isSet(status);
    if (parser.isSet(channel)) {
        const QString name = parser.value(channel);
        if (!IsChannelName(name)) {
            parsed.outcome = line.usageError(QCoreApplication::translate(
                "patchwell::update::options",
                "a channel is a name of letters, digits, '.', '_' and '-'"));
            return parsed;
        }
        parsed.request.channel = name;
        parsed.request.checkNow = true;  // a switch is followed by a check
    }
    return parsed;
}

}  // namespace patchwell::update
