#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryFile>
#include <QTimer>

#include <gtest/gtest.h>

#include <map>

#include "common/testing/wait_for.h"
#include "patchwell/patch/zstd_patch.h"
#include "patchwell/platform/qt_message_boxes.h"
#include "patchwell/update/core/testing/fake_control.h"
#include "patchwell/update/core/testing/test_folder.h"
#include "patchwell/update/windows/forms.h"
#include "patchwell/update/windows/frmchck.h"
#include "patchwell/update/windows/frmextract.h"
#include "patchwell/update/windows/frmupdl.h"
#include "patchwell/update/windows/window_support.h"

namespace {

using namespace patchwell::update;

struct SavedSet {
    bool keepType = false;
    bool onlineCheck = false;
    bool promptOverwrite = false;
};

class WindowsTest : public ::testing::Test {
protected:
    void SetUp() override {
        QLocale::setDefault(QLocale::c());
        t.Write(QStringLiteral("update.ini"),
                "[Program]\nPrgname=Sample Editor\nprgver=2.0\nexe=editor.sh\n"
                "[Update]\nverchckurl=http://127.0.0.1:1/manifest.ini\n");
        forms = std::make_unique<Forms>(
            t.Svc(), [this](QWidget* window, const patchwell::download::PropertyBag& bag) {
                auto* control = new FakeControl(window);
                control->setObjectName(QStringLiteral("dl1"));
                SavedSet& set = saved[window->objectName()];
                set.keepType = bag.ReadProperty(QStringLiteral("KeepType"), false).toBool();
                set.onlineCheck = bag.ReadProperty(QStringLiteral("OnlineCheck"), false).toBool();
                set.promptOverwrite =
                    bag.ReadProperty(QStringLiteral("PromptOverwrite"), false).toBool();
                controls[window->objectName()] = control;
                return control;
            });
    }
    void TearDown() override { QLocale::setDefault(QLocale::system()); }

    // The check finds a remote manifest that offers version 2.1.
    void OfferUpdate() {
        FakeControl& check = CheckControl();
        check.probeSize = 100;
        check.onDownload = [this](FakeControl& c) {
            t.Write(QStringLiteral("iupdate.ini"),
                    "[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/editor-setup.sh\n"
                    "savefileas=editor-setup.sh\n");
            c.RaiseComplete();
        };
    }

    FakeControl& CheckControl() {
        forms->chck();
        return *controls.at(QStringLiteral("Frmchck"));
    }

    template <typename T>
    T* Find(QWidget& window, const char* name) {
        T* child = window.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << name;
        return child;
    }

    QString Text(QWidget& window, const char* name) {
        auto* label = Find<QLabel>(window, name);
        return label != nullptr ? label->text() : QString();
    }

    TestFolder t;
    std::unique_ptr<Forms> forms;
    std::map<QString, FakeControl*> controls;
    std::map<QString, SavedSet> saved;
};

TEST_F(WindowsTest, CheckWindowShowsItsExplanationTopmostWhenTheCheckFails) {
    QFile::remove(t.Path(QStringLiteral("update.ini")));
    forms->StartWithoutScheduleForTests();
    Frmchck& w = forms->chck();
    EXPECT_TRUE(w.isVisible());
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Patchwell"));
    EXPECT_TRUE(w.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ((w.windowFlags() & Qt::WindowType_Mask), Qt::Tool);
    EXPECT_FALSE(w.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_EQ(w.size(), QSize(Twips(5805), Twips(1815)));
    EXPECT_TRUE(
        Text(w, "Label1")
            .startsWith(QStringLiteral(
                "Patchwell can not check for an update because update.ini can not be found.")));
    EXPECT_TRUE(saved[QStringLiteral("Frmchck")].onlineCheck);
    EXPECT_FALSE(saved[QStringLiteral("Frmchck")].keepType);
    EXPECT_EQ(Find<QTimer>(w, "Timer1")->interval(), 3000);
    EXPECT_FALSE(Find<QTimer>(w, "Timer1")->isActive());
    EXPECT_EQ(forms->updlIfLoaded(), nullptr);

    auto* ok = Find<QPushButton>(w, "Command1");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    ok->click();
    EXPECT_EQ(CheckControl().calls.last(), QStringLiteral("Cancel"));
    EXPECT_EQ(t.lifetime.ends, 1);
}

TEST_F(WindowsTest, OfferedUpdateAnnouncesItselfBeforeTheDownloadWindowShows) {
    OfferUpdate();
    bool anyWindowVisibleAtMessage = true;
    t.messages.onShow = [&](const auto&) {
        anyWindowVisibleAtMessage =
            forms->chck().isVisible() ||
            (forms->updlIfLoaded() != nullptr && forms->updlIfLoaded()->isVisible());
    };
    forms->StartWithoutScheduleForTests();

    ASSERT_EQ(t.messages.shown.size(), 1u);
    EXPECT_EQ(t.messages.shown[0].text, QStringLiteral("An update has been found"));
    EXPECT_FALSE(anyWindowVisibleAtMessage);
    EXPECT_FALSE(forms->chck().isVisible());

    Frmupdl* w = forms->updlIfLoaded();
    ASSERT_NE(w, nullptr);
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Downloading Update"));
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    EXPECT_FALSE(w->windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_EQ(w->width(), Twips(5745));
    EXPECT_GE(w->height(), Twips(3150));  // with room for its longest texts
    const SavedSet& set = saved[QStringLiteral("Frmupdl")];
    EXPECT_TRUE(set.keepType);
    EXPECT_TRUE(set.onlineCheck);
    EXPECT_FALSE(set.promptOverwrite);
    FakeControl& dl1 = *controls.at(QStringLiteral("Frmupdl"));
    EXPECT_EQ(dl1.url, QStringLiteral("http://127.0.0.1:1/editor-setup.sh"));
    EXPECT_EQ(dl1.saveLocation, t.Path(QStringLiteral("editor-setup.sh")));

    // The close command does nothing.
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(t.lifetime.ends, 0);
}

TEST_F(WindowsTest, DownloadWindowStartsWithItsDesignedLayout) {
    OfferUpdate();
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    EXPECT_EQ(Text(w, "Label1"), QStringLiteral("Downloading Update from Korvane"));
    EXPECT_EQ(Text(w, "download"), QStringLiteral("Downloading File: "));
    EXPECT_EQ(Text(w, "lblCBytes"), QStringLiteral("Recived/Total Size :"));
    EXPECT_EQ(Text(w, "lblRate"), QStringLiteral("Transfer Rate: "));
    EXPECT_EQ(Text(w, "lblTime"), QStringLiteral("Time Remaining: "));
    EXPECT_EQ(Text(w, "lblStatus"), QStringLiteral("Status:"));
    EXPECT_EQ(Text(w, "lblpercent"), QStringLiteral("Percent Downloaded : 0%"));
    EXPECT_EQ(Find<QLabel>(w, "lblTime")->pos(), QPoint(Twips(3150), Twips(1260)));
    // Room for the longest time and status texts from the start: what lies
    // below them keeps its designed places, lower by as much as the window grew.
    const int grown = w.height() - Twips(3150);
    EXPECT_GE(grown, 0);
    EXPECT_EQ(Find<QPushButton>(w, "Command1")->geometry(),
              TwipsRect(105, 2745, 1530, 315).translated(0, grown));
    EXPECT_EQ(Find<QPushButton>(w, "Command4")->text(), QStringLiteral("Pause Update"));
    EXPECT_EQ(Find<QPushButton>(w, "Command2")->geometry(),
              TwipsRect(4095, 2745, 1530, 315).translated(0, grown));
    auto* bar = Find<QProgressBar>(w, "ProgressBar1");
    EXPECT_EQ(bar->geometry(), TwipsRect(90, 2250, 5550, 375).translated(0, grown));
    EXPECT_EQ(bar->maximum(), 100);
    const QList<QLabel*> frames = w.findChildren<QLabel*>(QStringLiteral("anicon"));
    ASSERT_EQ(frames.size(), 16);
    for (const QLabel* frame : frames) {
        EXPECT_GE(frame->y(), w.height());  // stored out of sight
    }
    EXPECT_EQ(Find<QTimer>(w, "Timer1")->interval(), 100);
    EXPECT_FALSE(Find<QTimer>(w, "Timer1")->isActive());
}

TEST_F(WindowsTest, DownloadWindowFollowsTheTransferAndPauses) {
    OfferUpdate();
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    FakeControl& dl1 = *controls.at(QStringLiteral("Frmupdl"));
    auto* pause = Find<QPushButton>(w, "Command4");
    auto* timer = Find<QTimer>(w, "Timer1");
    auto* bar = Find<QProgressBar>(w, "ProgressBar1");

    dl1.probeSize = 3072;
    dl1.onDownload = [&](FakeControl& c) {
        c.RaiseStatus(QStringLiteral("Recieving File"));
        c.RaiseRate(QStringLiteral("1.5 KB/S"));
        c.RaiseTimeLeft(QStringLiteral("1 sec"));
        c.RaiseProgress(1536, 50);
        EXPECT_TRUE(timer->isActive());
        pause->click();  // as the user would during the transfer's wait
        EXPECT_EQ(pause->text(), QStringLiteral("Resume Update"));
        EXPECT_FALSE(timer->isActive());
        EXPECT_TRUE(c.cPause);
        pause->click();
        EXPECT_EQ(pause->text(), QStringLiteral("Pause Update"));
        EXPECT_TRUE(timer->isActive());
        c.RaiseProgress(4000, 130);  // more than announced
    };
    Find<QPushButton>(w, "Command1")->click();

    EXPECT_EQ(Text(w, "download"),
              QStringLiteral("Downloading File: http://127.0.0.1:1/editor-setup.sh"));
    EXPECT_EQ(Text(w, "lblStatus"), QStringLiteral("Status: Recieving File"));
    EXPECT_EQ(Text(w, "lblRate"), QStringLiteral("Transfer Rate: 1.5 KB/S"));
    EXPECT_EQ(Text(w, "lblTime"), QStringLiteral("Time Remaining: 1 sec"));
    EXPECT_EQ(Text(w, "lblCBytes"), QStringLiteral("Recived/Total Size : 3.91 kB/3.00 kB"));
    EXPECT_EQ(Text(w, "lblpercent"), QStringLiteral("Percent Downloaded : 130%"));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Downloading Update - 130% downloaded"));
    EXPECT_EQ(bar->maximum(), 3072);
    EXPECT_EQ(bar->value(), 3072);
}

TEST_F(WindowsTest, AnimationStepsThroughTheStoredFrames) {
    OfferUpdate();
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    const QList<QLabel*> frames = w.findChildren<QLabel*>(QStringLiteral("anicon"));
    auto* ani = Find<QLabel>(w, "ani");
    auto shows = [&](int index) {
        return ani->pixmap().toImage() == frames[index]->pixmap().toImage();
    };
    EXPECT_FALSE(frames[0]->pixmap().toImage() == frames[1]->pixmap().toImage());
    Find<QTimer>(w, "Timer1")->start();
    EXPECT_TRUE(pwtest::waitFor([&] { return w.logic().FrameCounter() >= 3; }));
    Find<QTimer>(w, "Timer1")->stop();
    EXPECT_TRUE(shows(w.logic().FrameCounter() - 1));
}

TEST_F(WindowsTest, CompletionHandsOverToTheInstallationWindow) {
    OfferUpdate();
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    FakeControl& dl1 = *controls.at(QStringLiteral("Frmupdl"));
    dl1.probeSize = 10;
    // The control wrote another name than its save location (the URL's
    // extension kept): that file is the one run and deleted.
    t.Write(QStringLiteral("editor-setup.sh"), "an older file of the save name");
    dl1.onDownload = [this](FakeControl& c) {
        c.targetFile = t.Path(QStringLiteral("editor-setup.run"));
        t.Write(QStringLiteral("editor-setup.run"), "#!/bin/sh\n");
        c.RaiseComplete();
    };
    // A termination signal while the installer runs leaves its file to it.
    QStringList duringRun;
    t.launcher.end = [&](const QString&) {
        forms->Terminate();
        duringRun << QStringLiteral("installer=%1 ends=%2 waits=%3")
                         .arg(t.Exists(QStringLiteral("editor-setup.run")))
                         .arg(t.lifetime.ends)
                         .arg(t.lifetime.waits.size());
        return patchwell::platform::ProgramEnd{patchwell::platform::ProgramEnd::Kind::Exited, 0};
    };
    Find<QPushButton>(w, "Command1")->click();
    EXPECT_EQ(duringRun, QStringList{QStringLiteral("installer=1 ends=1 waits=1")});
    EXPECT_TRUE(dl1.calls.filter(QStringLiteral("Cancel")).isEmpty());

    EXPECT_FALSE(w.isVisible());
    Frmextract* x = forms->extractIfLoaded();
    ASSERT_NE(x, nullptr);
    EXPECT_TRUE(x->isVisible());
    EXPECT_EQ(x->windowTitle(), QStringLiteral("Installing Latest version"));
    EXPECT_TRUE(x->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_EQ(x->size(), QSize(Twips(5790), Twips(1260)));
    EXPECT_EQ(Text(*x, "label1"),
              QStringLiteral("Please wait while Patchwell installs the appropriate files for"));
    EXPECT_EQ(Text(*x, "Label2"), QStringLiteral("Sample Editor"));
    EXPECT_EQ(Find<QLabel>(*x, "Label2")->pos(), QPoint(Twips(105), Twips(420)));

    ASSERT_EQ(t.launcher.starts.size(), 2u);
    EXPECT_EQ(t.launcher.starts[0].program, t.Path(QStringLiteral("editor-setup.run")));
    EXPECT_EQ(t.launcher.starts[0].arguments, (QStringList{QStringLiteral("/auto"), t.folder}));
    EXPECT_TRUE(t.launcher.starts[0].waited);
    EXPECT_EQ(t.launcher.starts[1].program, t.Path(QStringLiteral("editor.sh")));
    EXPECT_EQ(t.lifetime.waits, (std::vector<int>{500}));
    EXPECT_FALSE(t.Exists(QStringLiteral("iupdate.ini")));
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.run")));
    EXPECT_TRUE(t.Exists(QStringLiteral("editor-setup.sh")));
    // The fake end returns: once for the signal, once at the step's end.
    EXPECT_EQ(t.lifetime.ends, 2);
}

TEST_F(WindowsTest, ACompressedInstallerIsInstalledFromTheCopyItWasDecodedInto) {
    const QByteArray installer = "#!/bin/sh\necho the installer of 2.1\n";
    QByteArray compressed;
    {
        QTemporaryFile in, out;
        ASSERT_TRUE(in.open() && out.open());
        in.write(installer);
        in.flush();
        in.seek(0);
        ASSERT_TRUE(patchwell::patch::Make(-1, in.handle(), out.handle(), 3).ok);
        out.seek(0);
        compressed = out.readAll();
    }
    const QString zst = QStringLiteral("http://127.0.0.1:1/editor-setup.sh.zst");
    FakeControl& check = CheckControl();
    check.probeSize = 100;
    check.onDownload = [&](FakeControl& c) {
        t.Write(
            QStringLiteral("iupdate.ini"),
            "[Update]\ncurver=2.1\ncurverurl=http://127.0.0.1:1/editor-setup.sh\n"
            "savefileas=editor-setup.sh\ncurversize=" +
                QByteArray::number(installer.size()) + "\ncurversha256=" +
                QCryptographicHash::hash(installer, QCryptographicHash::Sha256).toHex() +
                "\ncurverzst=" + zst.toLatin1() +
                "\ncurverzstsize=" + QByteArray::number(compressed.size()) + "\ncurverzstsha256=" +
                QCryptographicHash::hash(compressed, QCryptographicHash::Sha256).toHex() + "\n");
        c.RaiseComplete();
    };
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    FakeControl& dl1 = *controls.at(QStringLiteral("Frmupdl"));
    dl1.onProbe = [&](FakeControl& c) { c.fileSize = c.url == zst ? compressed.size() : 0; };
    dl1.onDownload = [&](FakeControl& c) {
        QFile file(c.saveLocation);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(compressed);
        file.close();
        c.targetFile = c.saveLocation;
        c.RaiseProgress(compressed.size(), 100);
        c.RaiseComplete();
    };
    Find<QPushButton>(w, "Command1")->click();
    EXPECT_EQ(Text(w, "download"), QStringLiteral("Downloading File: ") + zst);
    EXPECT_EQ(Text(w, "lblCBytes"),
              QStringLiteral("Recived/Total Size : %1 bytes/%1 bytes").arg(compressed.size()));
    ASSERT_EQ(t.launcher.starts.size(), 2u);
    EXPECT_EQ(t.launcher.starts[0].descriptorContent, installer);
    // Nothing came into the program folder.
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.sh")));
}

TEST_F(WindowsTest, NetworkTextsShowAsPlainTextInLabelsAndMessageBoxes) {
    OfferUpdate();
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    FakeControl& dl1 = *controls.at(QStringLiteral("Frmupdl"));
    const QString markup = QStringLiteral("<img src=x><b>bold</b>");
    dl1.RaiseStatus(markup);
    dl1.RaiseRate(markup);
    EXPECT_EQ(Text(w, "lblStatus"), QStringLiteral("Status: ") + markup);
    for (QWidget* window : std::initializer_list<QWidget*>{&forms->chck(), &w}) {
        for (QLabel* label : window->findChildren<QLabel*>()) {
            if (!label->pixmap().isNull()) {
                continue;  // a picture
            }
            EXPECT_EQ(label->textFormat(), Qt::PlainText)
                << window->objectName().toStdString() << "/" << label->objectName().toStdString();
        }
    }

    // The real message box, as the error text of a transfer reaches it.
    QString shownText;
    Qt::TextFormat shownFormat = Qt::AutoText;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shownText = box->text();
        shownFormat = box->textFormat();
        box->accept();
    });
    patchwell::platform::QtMessageBoxes().Show(markup, patchwell::platform::MessageIcon::None,
                                               QStringLiteral("Patchwell"));
    EXPECT_EQ(shownText, markup);
    EXPECT_EQ(shownFormat, Qt::PlainText);
}

TEST_F(WindowsTest, TerminationDuringADownloadDropsThePartialInstallerAndEnds) {
    OfferUpdate();
    forms->StartWithoutScheduleForTests();
    Frmupdl& w = *forms->updlIfLoaded();
    FakeControl& dl1 = *controls.at(QStringLiteral("Frmupdl"));
    dl1.probeSize = 1000;
    dl1.onDownload = [this](FakeControl& c) {
        c.targetFile = t.Path(QStringLiteral("editor-setup.run"));
        t.Write(QStringLiteral("editor-setup.run"), "#!/bin/sh\npart");
        c.RaiseProgress(14, 1);
        forms->Terminate();  // the signal arrives between two chunks
        forms->Terminate();  // and once more while the first is handled
    };
    Find<QPushButton>(w, "Command1")->click();
    EXPECT_EQ(dl1.calls.filter(QStringLiteral("Cancel")).size(), 1);
    EXPECT_FALSE(t.Exists(QStringLiteral("editor-setup.run")));
    EXPECT_EQ(t.lifetime.waits, std::vector<int>{5000});
    EXPECT_EQ(t.lifetime.ends, 1);
    EXPECT_TRUE(t.launcher.starts.empty());
    EXPECT_EQ(forms->extractIfLoaded(), nullptr);
}

}  // namespace
