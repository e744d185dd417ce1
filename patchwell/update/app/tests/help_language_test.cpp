// The command lines of patchwell's programs answer in the user's language
// (LANGUAGE, as a desktop session sets it), and in English as before.

#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;
};

Outcome RunIn(const QString& language, const QString& program, const QStringList& arguments) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.insert(QStringLiteral("LANGUAGE"), language);
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    EXPECT_TRUE(process.waitForFinished(30000)) << program.toStdString();
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// patchwell-publish's usage as its own comment gives it, in English: from
// its third line to its first line of code.
QString PublishCommentUsage() {
    QFile script(QStringLiteral(PW_PUBLISH_SOURCE));
    EXPECT_TRUE(script.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(script.readAll()).split(u'\n');
    QString usage;
    for (qsizetype i = 2; i < lines.size() && lines[i].startsWith(u'#'); ++i) {
        QString line = lines[i].mid(1);
        usage += (line.startsWith(u' ') ? line.mid(1) : line) + u'\n';
    }
    return usage;
}

TEST(HelpLanguage, EachProgramAnswersInTheUsersLanguage) {
    const QString patchwell = QStringLiteral(PW_PATCHWELL);
    const QString verify = QStringLiteral(PW_VERIFY);
    const QString fetch = QStringLiteral(PW_FETCH);
    const QString publish = QStringLiteral(PW_PUBLISH);
    const QString delta = QStringLiteral(PW_DELTA);
    struct Case {
        QString language;
        QString program;
        QStringList arguments;
        int exitCode;
        QString start;  // of stdout, or of stderr for a usage error
        QString holds;
    };
    const Case cases[] = {
        {QStringLiteral("de"),
         patchwell,
         {QStringLiteral("--help")},
         0,
         QStringLiteral(
             "Aufruf: patchwell [Optionen]\nHält das Programm in seinem Ordner aktuell."),
         QStringLiteral("Diese Hilfe anzeigen und beenden.")},
        {QStringLiteral("en"),
         patchwell,
         {QStringLiteral("--help")},
         0,
         QStringLiteral("Usage: patchwell [options]\nKeeps the program in its folder up to date."),
         QStringLiteral("Show this help and exit.")},
        {QStringLiteral("fr"),
         patchwell,
         {QStringLiteral("--channel"), QStringLiteral("a b")},
         2,
         QStringLiteral("patchwell: un canal est un nom composé de lettres"),
         QStringLiteral("Utilisation : patchwell [options]")},
        {QStringLiteral("es"),
         verify,
         {QStringLiteral("--help")},
         0,
         QStringLiteral("Uso: patchwell-verify [opciones] PUBLIC_KEY_FILE FILE [SIGNATURE_FILE]\n"),
         QStringLiteral("El archivo que se comprueba.")},
        {QStringLiteral("de"),
         fetch,
         {QStringLiteral("--help")},
         0,
         QStringLiteral("usage: patchwell-fetch [--chunk N]"),
         QStringLiteral("Lädt URL mit dem Download-Steuerelement")},
        {QStringLiteral("de"),
         publish,
         {QStringLiteral("--help")},
         0,
         QStringLiteral("\n  patchwell-publish [options] INSTALLER URL VERSION SECRET_KEY\n"),
         QStringLiteral("INSTALLER   das neue Installationsprogramm\n")},
        {QStringLiteral("es"),
         publish,
         {},
         2,
         QStringLiteral("\n  patchwell-publish [options]"),
         QStringLiteral("SECRET_KEY  un archivo de clave secreta de minisign")},
        {QStringLiteral("es"),
         delta,
         {QStringLiteral("--help")},
         0,
         QStringLiteral("Uso: patchwell-delta [opciones] make|compress|apply ARGUMENTS\n"
                        "Crea los parches binarios"),
         QStringLiteral("Estado de salida: 0 hecho, 1 fallo, 2 error de uso.")},
        {QStringLiteral("fr"),
         delta,
         {QStringLiteral("patch")},
         2,
         QStringLiteral("patchwell-delta: commande inconnue « patch »\n"),
         QStringLiteral("Utilisation : patchwell-delta [options]")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE((c.language + u' ' + c.program + u' ' + c.arguments.join(u' ')).toStdString());
        const Outcome run = RunIn(c.language, c.program, c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        const QString& shown = c.exitCode == 2 ? run.err : run.out;
        EXPECT_TRUE(shown.startsWith(c.start)) << shown.toStdString();
        EXPECT_TRUE(shown.contains(c.holds)) << shown.toStdString();
    }
    // In English the publisher's usage is the one its script describes.
    EXPECT_EQ(RunIn(QStringLiteral("en"), publish, {QStringLiteral("--help")}).out,
              PublishCommentUsage());
}

}  // namespace
