#include "tilebay/cli/autostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace tilebay {

AutostartPlaces CurrentAutostartPlaces() {
    // The link of the running process: the real file, also when tilebay was
    // started through a symbolic link or found on PATH.
    QString executable = QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
    return {qEnvironmentVariable("XDG_CONFIG_HOME"), qEnvironmentVariable("HOME", QDir::homePath()),
            executable};
}

QString AutostartFile(const AutostartPlaces& places) {
    const QString configHome = QDir::isAbsolutePath(places.configHome)
                                   ? places.configHome
                                   : places.home + QStringLiteral("/.config");
    return QDir::cleanPath(configHome + QStringLiteral("/autostart/tilebay.desktop"));
}

QString ExecArgument(const QString& path) {
    // Exec's own rules: reserved characters need the argument in double
    // quotes, inside which ", `, $ and \ take a backslash; a literal % is
    // written %%. Then the string value's rule: every backslash doubled.
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString value;
    bool quote = false;
    for (const QChar c : path) {
        if (reserved.contains(c)) {
            quote = true;
        }
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\') {
            value += u'\\';
        }
        value += c;
        if (c == u'%') {
            value += u'%';
        }
    }
    if (quote) {
        value = u'"' + value + u'"';
    }
    return value.replace(u'\\', QStringLiteral("\\\\"));
}

QByteArray AutostartEntry(const QString& executable) {
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Tilebay\n"
               "Comment=Desktop drawer panel\n"
               "Exec=%1\n"
               "Icon=tilebay\n"
               "Terminal=false\n")
        .arg(ExecArgument(executable))
        .toUtf8();
}

bool AutostartEnabled(const QString& file) {
    QFile entry(file);
    if (!entry.open(QIODevice::ReadOnly)) {
        return false;
    }
    bool inMainGroup = false;
    while (!entry.atEnd()) {
        const QByteArray line = entry.readLine().trimmed();
        if (line.startsWith('[')) {
            inMainGroup = line == "[Desktop Entry]";
        } else if (inMainGroup && line.startsWith("Hidden")) {
            const QByteArray value = line.mid(6).trimmed();
            if (value.startsWith('=') && value.mid(1).trimmed() == "true") {
                return false;
            }
        }
    }
    return true;
}

bool EnableAutostart(const AutostartPlaces& places, QString& error) {
    if (!QDir::isAbsolutePath(places.executable)) {
        error = QCoreApplication::translate("tilebay::cli", "cannot tell where this program lies");
        return false;
    }
    const QString file = AutostartFile(places);
    if (!QDir().mkpath(QFileInfo(file).path())) {
        error = QCoreApplication::translate("tilebay::cli", "cannot create %1")
                    .arg(QFileInfo(file).path());
        return false;
    }
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(AutostartEntry(places.executable)) < 0 ||
        !out.commit()) {
        error = QCoreApplication::translate("tilebay::cli", "cannot write %1: %2")
                    .arg(file, out.errorString());
        return false;
    }
    return true;
}

bool DisableAutostart(const AutostartPlaces& places, QString& error) {
    QFile entry(AutostartFile(places));
    if (entry.exists() && !entry.remove()) {
        error = QCoreApplication::translate("tilebay::cli", "cannot remove %1: %2")
                    .arg(entry.fileName(), entry.errorString());
        return false;
    }
    return true;
}

}  // namespace tilebay
