// Every window and message box of patchwell in German, French, Spanish and
// the pseudo-language (every text in brackets and 40 % longer): no text may
// be cut, and the fixed-size windows keep their width.

#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "common/i18n/testing/text_fit.h"
#include "common/i18n/translations.h"
#include "patchwell/download/control/download_codes.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/download/control/progress_format.h"
#include "patchwell/platform/qt_message_boxes.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/core/texts.h"
#include "patchwell/update/windows/forms.h"
#include "patchwell/update/windows/frmchck.h"
#include "patchwell/update/windows/frmextract.h"
#include "patchwell/update/windows/frmupdl.h"
#include "patchwell/update/windows/window_support.h"

namespace {

using namespace patchwell::update;
using patchwell::platform::MessageButtons;
using patchwell::platform::MessageIcon;

class TranslationWalk : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        const QString language = QString::fromLatin1(GetParam());
        pseudo = language == QStringLiteral("pseudo");
        english = language == QStringLiteral("en");
        // Figures as the language writes them ("1,5 MB" in German).
        QLocale::setDefault(pseudo ? QLocale::c() : QLocale(language));
        // English keeps the source texts (its file holds plural forms only).
        ASSERT_TRUE(common::InstallTranslation(QStringLiteral(PW_TRANSLATIONS_FOLDER),
                                               QStringLiteral("patchwell"), language) ||
                    english);
        t.Write(QStringLiteral("update.ini"),
                "[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n"
                "[Update]\nverchckurl=http://127.0.0.1:1/manifest.ini\n");
        forms = std::make_unique<Forms>(t.Svc(), [this](QWidget* window, const auto&) {
            auto* control = new FakeControl(window);
            controls[window->objectName()] = control;
            return control;
        });
    }
    void TearDown() override {
        common::RemoveTranslations();
        QLocale::setDefault(QLocale::system());
    }

    // What is wrong with a shown window of the designed size in twips: cut
    // texts, widgets outside it, another width, and in the pseudo-language
    // texts that bypassed translation. `data` names labels that show data.
    void ExpectWhole(QWidget& window, int widthTwips, int heightTwips,
                     const QStringList& data = {}) {
        QApplication::processEvents();
        SCOPED_TRACE(window.objectName().toStdString());
        QStringList problems = common::testing::CutTexts(window);
        for (QWidget* child :
             window.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const auto* label = qobject_cast<QLabel*>(child);
            const auto* button = qobject_cast<QPushButton*>(child);
            if (!child->isVisible() || (label == nullptr && button == nullptr)) {
                continue;
            }
            const QString text = label != nullptr ? label->text() : button->text();
            if (!text.isEmpty() && !window.rect().contains(child->geometry())) {
                problems << child->objectName() + QStringLiteral(" leaves the window: ") + text;
            }
            if (pseudo && !text.isEmpty() && !data.contains(child->objectName()) &&
                !text.contains(u'[')) {
                problems << child->objectName() + QStringLiteral(" is not translated: ") + text;
            }
        }
        EXPECT_EQ(problems, QStringList());
        EXPECT_EQ(window.width(), Twips(widthTwips));
        EXPECT_GE(window.height(), Twips(heightTwips));
        if (pseudo && window.windowTitle() != texts::ApplicationTitle()) {
            EXPECT_TRUE(window.windowTitle().contains(u'[')) << window.windowTitle().toStdString();
        }
    }

    static QPushButton* Find(QWidget& window, const char* name) {
        auto* button = window.findChild<QPushButton*>(QString::fromLatin1(name));
        EXPECT_NE(button, nullptr) << name;
        return button;
    }

    TestFolder t;
    std::unique_ptr<Forms> forms;
    std::map<QString, FakeControl*> controls;
    bool pseudo = false;
    bool english = false;
};

TEST_P(TranslationWalk, CheckWindow) {
    QFile::remove(t.Path(QStringLiteral("update.ini")));
    forms->StartWithoutScheduleForTests();
    ASSERT_TRUE(forms->chck().isVisible());
    ExpectWhole(forms->chck(), 5805, 1815);
}

TEST_P(TranslationWalk, DownloadAndInstallationWindows) {
    forms->chck();
    FakeControl& check = *controls.at(QStringLiteral("Frmchck"));
    check.probeSize = 100;
    check.onDownload = [this](FakeControl& c) {
        t.Write(QStringLiteral("iupdate.ini"),
                "[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/editor-setup.sh\n"
                "savefileas=editor-setup.sh\n");
        c.RaiseComplete();
    };
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    ExpectWhole(w, 5745, 3150);
    // Laid out once: whatever the labels come to say, nothing moves.
    const auto layout = [&w] {
        QStringList places{QStringLiteral("window %1x%2").arg(w.width()).arg(w.height())};
        for (QWidget* child : w.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
            const QRect r = child->geometry();
            places << QStringLiteral("%1 %2,%3 %4x%5")
                          .arg(child->objectName())
                          .arg(r.x())
                          .arg(r.y())
                          .arg(r.width())
                          .arg(r.height());
        }
        return places;
    };
    const QStringList shown = layout();

    namespace texts = patchwell::download::texts;
    FakeControl& dl1 = *controls.at(QStringLiteral("Frmupdl"));
    dl1.probeSize = 5 * 1024 * 1024;
    dl1.onDownload = [&](FakeControl& c) {
        // The control's texts as it raises them, its longest among them.
        // Short and long figures in turn, as a download shows them.
        const struct {
            const char* status;
            double rate;
            float seconds;
            qint32 received;
        } steps[] = {
            {texts::kAccepted, 1023.0 * 1024.0, 3599.0F, 5 * 1024 * 1024 - 1},
            {texts::kReceiving, 700.0, 7.0F, 512},
            {texts::kReceivingResumed, 1048565.0, 206.0F, 1048570},
            {texts::kResumeFileMissingStatus, 1536.0, 42.0F, 3 * 1024 * 1024},
            {texts::kAbortedStatus, 1023.0, 359940.0F, 0},
        };
        for (const auto& step : steps) {
            SCOPED_TRACE(step.status);
            c.RaiseStatus(QString::fromLatin1(step.status));
            c.RaiseRate(patchwell::download::FormatRate(step.rate));
            c.RaiseTimeLeft(patchwell::download::FormatTimeLeft(step.seconds));
            c.RaiseProgress(step.received, 100);
            ExpectWhole(w, 5745, 3150);
            EXPECT_EQ(layout(), shown);
        }
        // The line of a patch or compressed installer that could not be used.
        for (const QString& line : {patchwell::update::texts::PatchNotUsed(),
                                    patchwell::update::texts::CompressedNotUsed()}) {
            c.RaiseStatus(line);
            ExpectWhole(w, 5745, 3150);
            EXPECT_EQ(layout(), shown);
        }
        Find(w, "Command4")->click();  // the pause caption becomes "Resume Update"
        ExpectWhole(w, 5745, 3150);
        EXPECT_EQ(layout(), shown);
        Find(w, "Command4")->click();
        c.targetFile = t.Path(QStringLiteral("editor-setup.sh"));
        t.Write(QStringLiteral("editor-setup.sh"), "#!/bin/sh\n");
        c.RaiseComplete();
    };
    t.launcher.end = [](const QString&) {
        return patchwell::platform::ProgramEnd{patchwell::platform::ProgramEnd::Kind::Exited, 0};
    };
    Find(w, "Command1")->click();
    Frmextract* x = forms->extractIfLoaded();
    ASSERT_NE(x, nullptr);
    ASSERT_TRUE(x->isVisible());
    ExpectWhole(*x, 5790, 1260, {QStringLiteral("Label2")});
}

// Every message box patchwell shows, of every kind: each text in a real box,
// which must show it whole, on the screen, with the standard buttons in the
// language.
TEST_P(TranslationWalk, MessageBoxes) {
    struct Box {
        Box(QString t, MessageIcon i = MessageIcon::Warning, MessageButtons b = MessageButtons::Ok,
            QString d = {}, QString caption = texts::ApplicationTitle())
            : text(std::move(t)),
              icon(i),
              buttons(b),
              details(std::move(d)),
              title(std::move(caption)) {}
        QString text;
        MessageIcon icon;
        MessageButtons buttons;
        QString details;
        QString title;
        QString choice;  // an offer's further button
    };
    const QString folder = t.folder;
    const QString file = t.Path(QStringLiteral("editor-setup.sh"));
    const QString url = QStringLiteral("http://127.0.0.1:1/editor-setup.sh");
    namespace control = patchwell::download::texts;
    using patchwell::download::ErrorCode;
    const QString size = QLocale().formattedDataSize(12345678, 1, QLocale::DataSizeSIFormat);
    std::vector<Box> boxes{
        {texts::UpdateFound() + QStringLiteral("\n\n") + texts::MeteredSize(size),
         MessageIcon::Information, MessageButtons::Ok, QStringLiteral("Version 2.1: faster.")},
        {texts::UpdateFound() + QStringLiteral("\n\n") + texts::MeteredUnknownSize(),
         MessageIcon::Information},
        {texts::RanOnce()},
        {texts::LatestVersion(QStringLiteral("Sample Editor")), MessageIcon::Information},
        {texts::NoConnection()},
        {texts::FolderNotWritable(folder)},
        {texts::NotEnoughSpace(folder, QLocale().formattedDataSize(3 << 20),
                               QLocale().formattedDataSize(1 << 20))},
        {texts::CouldNotDelete(file)},
        {texts::CouldNotStart(file)},
        {texts::CouldNotStartInstaller(file)},
        {texts::InstallerFailed(file, texts::ExitStatus(3))},
        {texts::InstallerFailed(file, texts::KilledBySignal(9, QStringLiteral(", SIGKILL")))},
        {texts::CouldNotKeepSigning(t.Path(QStringLiteral("update.ini")))},
        {texts::CouldNotSkip(QStringLiteral("2.1"), t.Path(QStringLiteral("update.ini")))},
        {texts::ConfirmRollback(QStringLiteral("Sample Editor"), QStringLiteral("2.0"),
                                QStringLiteral("1.0")),
         MessageIcon::Information, MessageButtons::YesNo},
        {texts::NothingToRollBack(QStringLiteral("Sample Editor")), MessageIcon::Information},
        {texts::RollbackChanged(QStringLiteral("1.0"))},
        {texts::ReceivedFileRefused(url, texts::refusal::WrongDigest()), MessageIcon::None},
        {control::Translated(control::kOfflineNotice), MessageIcon::None},
        {control::Translated(patchwell::download::Info(ErrorCode::TransferFailed).errorText, url),
         MessageIcon::None},
        {control::Translated(control::kOverwrite, file), MessageIcon::Warning,
         MessageButtons::YesNo, QString(), control::Translated(control::kOverwriteTitle)},
    };
    for (const QString& why :
         {texts::refusal::NoSignature(),
          texts::refusal::OtherKey(),
          texts::refusal::BadSignature(),
          texts::refusal::MalformedKey(),
          texts::refusal::NoSigningTime(),
          texts::refusal::Older(),
          texts::refusal::BadRecordedTime(),
          texts::refusal::NotRecorded(),
          texts::refusal::Unbound(),
          texts::refusal::BadBinding(),
          texts::refusal::WrongAddress(),
          texts::refusal::Expired(),
          texts::refusal::BadExpiry(),
          texts::refusal::BadNextKey(),
          texts::refusal::WrongLength(),
          texts::refusal::WrongDigest(),
          texts::refusal::UnreadableInstaller(),
          texts::refusal::UnusableTrustState(folder),
          texts::refusal::TrustNotRecorded(folder),
          texts::refusal::Downgrade(QStringLiteral("1.9"), QStringLiteral("2.0"))}) {
        boxes.push_back({texts::UpdateNotVerified(why), MessageIcon::Critical});
    }
    Box offer{texts::UpdateFound(), MessageIcon::Information, MessageButtons::Ok,
              QStringLiteral("Version 2.1: faster.")};
    offer.choice = texts::SkipThisVersion();
    boxes.push_back(offer);
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    for (const Box& b : boxes) {
        SCOPED_TRACE(b.text.toStdString());
        if (pseudo) {
            EXPECT_TRUE(b.text.startsWith(u'[')) << "not translated";
        }
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            seen = true;
            EXPECT_EQ(common::testing::CutTexts(*box), QStringList());
            EXPECT_TRUE(screen.contains(box->frameGeometry())) << box->width();
            const QMessageBox::StandardButton first =
                b.buttons == MessageButtons::YesNo ? QMessageBox::Yes : QMessageBox::Ok;
            // Qt's own translation gives the standard buttons (none for the
            // pseudo-language; OK is OK in German and French).
            if (!pseudo && !english && first == QMessageBox::Yes) {
                EXPECT_NE(box->button(first)->text(), QStringLiteral("&Yes"));
            }
            if (!b.choice.isEmpty()) {
                auto* choice = box->findChild<QAbstractButton*>(QStringLiteral("choiceButton"));
                ASSERT_NE(choice, nullptr);
                EXPECT_EQ(choice->text(), b.choice);
                EXPECT_GE(choice->width(), choice->sizeHint().width());
            }
            box->done(first);
        });
        if (b.choice.isEmpty()) {
            patchwell::platform::ShowMessageBox(nullptr, b.text, b.title, b.buttons, b.icon,
                                                b.details);
        } else {
            patchwell::platform::QtMessageBoxes().ShowOffer(b.text, b.details, b.choice, b.icon,
                                                            b.title);
        }
        EXPECT_TRUE(seen);
    }
}

INSTANTIATE_TEST_SUITE_P(Languages, TranslationWalk,
                         ::testing::Values("en", "de", "fr", "es", "pseudo"));

}  // namespace
