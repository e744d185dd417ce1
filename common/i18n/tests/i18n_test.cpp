#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTranslator>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>

#include <utility>

#include <sys/stat.h>

#include "common/i18n/testing/text_fit.h"
#include "common/i18n/translations.h"

namespace {

QString Hello() {
    return QCoreApplication::translate("demo", "Hello");
}

// Which language is taken for the user's preferences: the first with a file,
// the English source texts as soon as English comes first, a region falling
// back to its language; Qt's own translation comes with it.
TEST(Translations, TheFirstPreferredLanguageWithAFileIsInstalled) {
    const QString folder = QStringLiteral(PW_DEMO_TRANSLATIONS);
    const QStringList folders{QStringLiteral("/nonexistent"), folder};
    struct Case {
        QStringList preferred;
        QString installed;
        QString hello;
        QString cancel;  // Qt's standard button text
    };
    const Case cases[] = {
        {{QStringLiteral("de")},
         QStringLiteral("de"),
         QStringLiteral("Hallo"),
         QStringLiteral("Abbrechen")},
        {{QStringLiteral("fr_FR"), QStringLiteral("fr"), QStringLiteral("de_AT")},
         QStringLiteral("de_AT"),
         QStringLiteral("Hallo"),
         QStringLiteral("Abbrechen")},
        {{QStringLiteral("en_GB"), QStringLiteral("de")},
         QString(),
         QStringLiteral("Hello"),
         QStringLiteral("Cancel")},
        {{QStringLiteral("C")}, QString(), QStringLiteral("Hello"), QStringLiteral("Cancel")},
        {{QStringLiteral("ja")}, QString(), QStringLiteral("Hello"), QStringLiteral("Cancel")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preferred.join(QLatin1Char(':')).toStdString());
        EXPECT_EQ(common::InstallTranslations(folders, QStringLiteral("demo"), c.preferred),
                  c.installed);
        EXPECT_EQ(Hello(), c.hello);
        EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), c.cancel);
        common::RemoveTranslations();
        EXPECT_EQ(Hello(), QStringLiteral("Hello"));
    }
    EXPECT_FALSE(common::InstallTranslation(folder, QStringLiteral("other"), QStringLiteral("de")));
}

// A catalogue outside the program is read only where nobody else can have
// put it: a translator's file in a private folder overrides, one in a folder
// or file others may write to is passed over for the next folder's.
TEST(Translations, AFileOthersMayHaveWrittenIsNotRead) {
    struct Case {
        const char* name;
        mode_t folderMode;
        mode_t fileMode;
        QString hello;
    };
    const Case cases[] = {
        {"private", 0755, 0644, QStringLiteral("Servus")},
        {"folder anyone may write to", 0777, 0644, QStringLiteral("Hallo")},
        {"file anyone may write to", 0755, 0666, QStringLiteral("Hallo")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir root;
        const QString planted = root.filePath(QStringLiteral("translations"));
        ASSERT_TRUE(QDir().mkpath(planted));
        const QString file = planted + QStringLiteral("/demo_de.qm");
        ASSERT_TRUE(QFile::copy(QStringLiteral(PW_OVERRIDE_TRANSLATIONS "/demo_de.qm"), file));
        ASSERT_EQ(::chmod(QFile::encodeName(planted).constData(), c.folderMode), 0);
        ASSERT_EQ(::chmod(QFile::encodeName(file).constData(), c.fileMode), 0);
        EXPECT_EQ(common::InstallTranslations({planted, QStringLiteral(PW_DEMO_TRANSLATIONS)},
                                              QStringLiteral("demo"), {QStringLiteral("de")}),
                  QStringLiteral("de"));
        EXPECT_EQ(Hello(), c.hello);
        common::RemoveTranslations();
    }
}

// The program's own copy of Qt's texts (the one this test carries, as the
// programs do): the standard buttons are in it, Qt's other texts are not.
TEST(Translations, TheProgramCarriesQtsStandardButtons) {
    for (const auto& [language, cancel] :
         {std::pair{"de", "Abbrechen"}, std::pair{"fr", "Annuler"}, std::pair{"es", "Cancelar"}}) {
        SCOPED_TRACE(language);
        QTranslator qt;
        ASSERT_TRUE(qt.load(QStringLiteral("qtbase_") + QLatin1String(language),
                            common::QtTranslationFolders().constLast()));
        EXPECT_EQ(qt.translate("QPlatformTheme", "Cancel"), QString::fromUtf8(cancel));
        EXPECT_FALSE(qt.translate("QPlatformTheme", "&Yes").isEmpty());
        EXPECT_EQ(qt.translate("QFileDialog", "Open"), QString());
    }
}

// Texts wider than their room are found; texts that fit, wrapped or beside a
// check box, are not, and neither is a short text on a button narrower than
// the style's usual minimum width.
TEST(CutTexts, FindsTextsWiderThanTheirRoomOnly) {
    QWidget window;
    window.setFixedSize(300, 200);
    auto* narrow = new QLabel(QStringLiteral("A label text far too long for its room"), &window);
    narrow->setObjectName(QStringLiteral("narrow"));
    narrow->setGeometry(0, 0, 60, 20);
    auto* wrapped = new QLabel(QStringLiteral("A long text that wraps onto lines"), &window);
    wrapped->setWordWrap(true);
    wrapped->setGeometry(0, 30, 120, 80);
    auto* flat = new QLabel(QStringLiteral("A long text that wraps onto lines"), &window);
    flat->setObjectName(QStringLiteral("flat"));
    flat->setWordWrap(true);
    flat->setGeometry(130, 30, 120, 10);
    auto* ok = new QPushButton(QStringLiteral("&OK"), &window);
    ok->setGeometry(0, 120, 50, 30);
    auto* check = new QCheckBox(QStringLiteral("Always on top of every other window"), &window);
    check->setObjectName(QStringLiteral("check"));
    check->setGeometry(60, 120, 90, 30);
    window.show();

    const QStringList cut = common::testing::CutTexts(window);
    ASSERT_EQ(cut.size(), 3) << cut.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(cut[0].startsWith(QStringLiteral("QLabel \"narrow\"")));
    EXPECT_TRUE(cut[1].startsWith(QStringLiteral("QLabel \"flat\"")));
    EXPECT_TRUE(cut[2].startsWith(QStringLiteral("QCheckBox \"check\"")));

    check->setGeometry(0, 150, 300, 30);
    flat->hide();
    narrow->setText(QStringLiteral("Fits"));
    EXPECT_EQ(common::testing::CutTexts(window), QStringList());
}

}  // namespace
