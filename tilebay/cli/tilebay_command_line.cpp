#include "tilebay/cli/tilebay_command_line.h"

#include <QCoreApplication>

namespace tilebay {

common::cli::Outcome RunCommandLine(const QStringList& arguments, const AutostartPlaces& places) {
    common::cli::CommandLine line(
        QStringLiteral("tilebay"),
        QCoreApplication::translate(
            "tilebay::cli", "A desktop drawer panel hanging from the top edge of the screen."),
        QStringLiteral("[on|off]"), 0, 1);
    const QCommandLineOption autostart(
        QStringLiteral("autostart"),
        QCoreApplication::translate(
            "tilebay::cli", "Start tilebay at login (on), no longer (off), or show which it is."));
    line.addOption(autostart);
    // --toggle is answered by the program itself (a word to the running
    // panel); here it only has to be a known option.
    const QCommandLineOption toggle(
        QStringLiteral("toggle"),
        QCoreApplication::translate(
            "tilebay::cli", "Drop the running panel into view with the keyboard, or retract it."));
    line.addOption(toggle);
    line.addPositional(
        QStringLiteral("on|off"),
        QCoreApplication::translate("tilebay::cli", "With --autostart: the new state."));
    common::cli::Outcome outcome = line.parse(arguments);
    if (outcome.exitCode) {
        return outcome;
    }
    const QStringList rest = line.parser().positionalArguments();
    if (line.parser().isSet(toggle)) {
        return rest.isEmpty() && !line.parser().isSet(autostart)
                   ? outcome
                   : line.usageError(QCoreApplication::translate("tilebay::cli",
                                                                 "--toggle takes nothing else"));
    }
    if (!line.parser().isSet(autostart)) {
        return rest.isEmpty() ? outcome
                              : line.usageError(QCoreApplication::translate(
                                    "tilebay::cli", "on or off only with --autostart"));
    }
    const QString file = AutostartFile(places);
    if (rest.isEmpty()) {
        return {0, AutostartEnabled(file) ? QStringLiteral("on\n") : QStringLiteral("off\n"), {}};
    }
    QString error;
    bool done = false;
    if (rest.first() == QStringLiteral("on")) {
        done = EnableAutostart(places, error);
    } else if (rest.first() == QStringLiteral("off")) {
        done = DisableAutostart(places, error);
    } else {
        return line.usageError(
            QCoreApplication::translate("tilebay::cli", "--autostart takes on or off, not '%1'")
                .arg(rest.first()));
    }
    if (!done) {
        return {1, {}, QStringLiteral("tilebay: ") + error + u'\n'};
    }
    return {0, {}, {}};
}

}  // namespace tilebay
