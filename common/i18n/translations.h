#pragma once

// The programs' translations: a .qm file per program and language, carried
// inside the program (under :/i18n) or found beside it, and Qt's own for the
// standard buttons.

#include <QString>
#include <QStringList>

namespace common {

// The folders searched for `program`'s translations, in order: a
// "translations" folder beside the executable (a program folder, the build
// tree; a translator's file there overrides), the program's own (":/i18n")
// and the package's share/<program>/translations. A file outside the
// program is read only when nobody but the user and root can have written
// it (common/paths/trusted_file.h).
// `executableFolder` stands for the executable's folder where that is not
// where the kernel found the program (a program run from memory).
QStringList TranslationFolders(const QString& program, const QString& executableFolder = {});

// The folders searched for Qt's own translation: Qt's, then the program's
// own copy of the few texts it shows (":/i18n").
QStringList QtTranslationFolders();

// The user's languages in order of preference, as QTranslator names them
// ("de_DE", "de", ...), taken from QLocale::system() (LANGUAGE, LC_ALL,
// LC_MESSAGES, LANG).
QStringList PreferredLanguages();

// Installs `program`'s translation for the first preferred language that has
// one, with Qt's own translation of that language. English comes first among
// the languages searched: a user who prefers it keeps the source texts (and
// English plural forms when the program ships them). Needs an application
// object; the translators are its children. Returns the language installed,
// empty for none.
QString InstallTranslations(const QString& program);
QString InstallTranslations(const QString& program, const QString& executableFolder);

// The same from `folders` for the `preferred` languages, in order.
QString InstallTranslations(const QStringList& folders, const QString& program,
                            const QStringList& preferred);

// Installs the translation of `program` for `language` from `folder`, with
// Qt's own for that language where there is one. For tests and the
// pseudo-language ("pseudo").
bool InstallTranslation(const QString& folder, const QString& program, const QString& language);

// Removes every translation installed by the functions above.
void RemoveTranslations();

}  // namespace common
