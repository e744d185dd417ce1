#include "common/i18n/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QPointer>
#include <QTranslator>

#include <vector>

namespace common {

namespace {

Q_LOGGING_CATEGORY(lcI18n, "common.i18n", QtWarningMsg)

std::vector<QPointer<QTranslator>>& Installed() {
    static std::vector<QPointer<QTranslator>> installed;
    return installed;
}

bool Install(const QString& folder, const QString& file) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(file, folder) || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    qCDebug(lcI18n) << "installed" << translator->filePath();
    Installed().emplace_back(translator);
    return true;
}

// "de_DE" and then "de"; the pseudo-language and plain codes stay as they are.
QStringList Candidates(const QString& language) {
    QStringList names{language};
    const qsizetype cut = language.indexOf(QLatin1Char('_'));
    if (cut > 0) {
        names << language.left(cut);
    }
    return names;
}

}  // namespace

QStringList TranslationFolders(const QString& program, const QString& executableFolder) {
    const QString here =
        executableFolder.isEmpty() ? QCoreApplication::applicationDirPath() : executableFolder;
    return {here + QStringLiteral("/translations"),
            QDir::cleanPath(here + QStringLiteral("/../share/") + program +
                            QStringLiteral("/translations"))};
}

QStringList PreferredLanguages() {
    QStringList languages;
    for (QString language : QLocale::system().uiLanguages()) {
        language.replace(QLatin1Char('-'), QLatin1Char('_'));
        if (!languages.contains(language)) {
            languages << language;
        }
    }
    return languages;
}

bool InstallTranslation(const QString& folder, const QString& program, const QString& language) {
    for (const QString& name : Candidates(language)) {
        if (!Install(folder, program + QLatin1Char('_') + name)) {
            continue;
        }
        // Qt's own, for the standard buttons; English has none and needs none.
        Install(QLibraryInfo::path(QLibraryInfo::TranslationsPath),
                QStringLiteral("qtbase_") + name);
        return true;
    }
    return false;
}

QString InstallTranslations(const QString& program) {
    return InstallTranslations(program, QString());
}

QString InstallTranslations(const QString& program, const QString& executableFolder) {
    return InstallTranslations(TranslationFolders(program, executableFolder), program,
                               PreferredLanguages());
}

QString InstallTranslations(const QStringList& folders, const QString& program,
                            const QStringList& preferred) {
    for (const QString& language : preferred) {
        // English is the source language: it ends the search, whether or not
        // a file with its plural forms is there.
        const bool english = language == QLatin1String("en") ||
                             language.startsWith(QLatin1String("en_")) ||
                             language == QLatin1String("C");
        for (const QString& folder : folders) {
            if (InstallTranslation(folder, program, language)) {
                return language;
            }
        }
        if (english) {
            return QString();
        }
    }
    return QString();
}

void RemoveTranslations() {
    for (const QPointer<QTranslator>& translator : Installed()) {
        if (translator) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    Installed().clear();
}

}  // namespace common
