#include "common/i18n/translations.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QLoggingCategory>
#include <QPointer>
#include <QTranslator>

#include <memory>
#include <vector>

#include "common/paths/trusted_file.h"

namespace common {

namespace {

Q_LOGGING_CATEGORY(lcI18n, "common.i18n", QtWarningMsg)

constexpr char kOwnFolder[] = ":/i18n";
constexpr qint64 kLargestCatalogue = 16 << 20;

// A translator and the bytes it reads from (it keeps no copy of its own).
struct Loaded {
    QPointer<QTranslator> translator;
    std::shared_ptr<QByteArray> bytes;
};

std::vector<Loaded>& Installed() {
    static std::vector<Loaded> installed;
    return installed;
}

// `file` (without ".qm") from `folder`: the program's own and Qt's folder as
// they are, any other only as ReadTrustedFile allows.
bool Install(const QString& folder, const QString& file, bool trusted) {
    auto* translator = new QTranslator(QCoreApplication::instance());
    std::shared_ptr<QByteArray> bytes;
    bool loaded = false;
    if (trusted) {
        loaded = translator->load(file, folder);
    } else if (auto read = ReadTrustedFile(folder + QLatin1Char('/') + file + QStringLiteral(".qm"),
                                           kLargestCatalogue)) {
        bytes = std::make_shared<QByteArray>(std::move(*read));
        loaded = translator->load(reinterpret_cast<const uchar*>(bytes->constData()),
                                  static_cast<int>(bytes->size()), folder);
    }
    if (!loaded || !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    qCDebug(lcI18n) << "installed" << file << "from" << folder;
    Installed().push_back({translator, bytes});
    return true;
}

bool OwnFolder(const QString& folder) {
    return folder == QLatin1String(kOwnFolder);
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
    return {here + QStringLiteral("/translations"), QString::fromLatin1(kOwnFolder),
            QStringLiteral(PW_INSTALL_DATADIR "/") + program + QStringLiteral("/translations")};
}

QStringList QtTranslationFolders() {
    return {QLibraryInfo::path(QLibraryInfo::TranslationsPath), QString::fromLatin1(kOwnFolder)};
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
        if (!Install(folder, program + QLatin1Char('_') + name, OwnFolder(folder))) {
            continue;
        }
        // Qt's own, for the standard buttons; English has none and needs none.
        for (const QString& qt : QtTranslationFolders()) {
            if (Install(qt, QStringLiteral("qtbase_") + name, true)) {
                break;
            }
        }
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
    for (const Loaded& loaded : Installed()) {
        if (loaded.translator) {
            QCoreApplication::removeTranslator(loaded.translator);
            delete loaded.translator;
        }
    }
    Installed().clear();
}

}  // namespace common
