#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QImage>
#include <QInputDialog>
#include <QLocale>
#include <QMessageBox>
#include <QMetaProperty>
#include <QTemporaryDir>

#include <cmath>
#include <memory>

#include "common/widgets/testing/next_dialog.h"
#include "patchwell/download/control/download.h"
#include "patchwell/download/control/download_events.h"
#include "patchwell/download/control/download_interface.h"
#include "patchwell/download/control/qt_dialogs.h"
#include "patchwell/download/control/testing/control_fakes.h"

namespace patchwell::download::testing {
namespace {

TEST(DownLoadWidget, KeepsItsFixedSize) {
    Trace trace;
    DownLoad widget(std::make_shared<FakeEnvironment>(&trace));
    const QSize wanted(static_cast<int>(std::lround(480 * widget.logicalDpiX() / 1440.0)),
                       static_cast<int>(std::lround(480 * widget.logicalDpiY() / 1440.0)));
    EXPECT_EQ(widget.fixedPixelSize(), wanted);
    if (widget.logicalDpiX() == 96 && widget.logicalDpiY() == 96) {
        EXPECT_EQ(wanted, QSize(32, 32));
    }
    EXPECT_EQ(widget.size(), wanted);
    widget.show();
    for (const QSize& size : {QSize(200, 100), QSize(1, 1), QSize(32, 64)}) {
        widget.resize(size);
        EXPECT_EQ(widget.size(), wanted);
    }
    widget.setGeometry(10, 10, 300, 300);
    EXPECT_EQ(widget.size(), wanted);
}

TEST(DownLoadWidget, DrawsItsFace) {
    Trace trace;
    DownLoad widget(std::make_shared<FakeEnvironment>(&trace));
    const QImage face = widget.grab().toImage();
    ASSERT_FALSE(face.isNull());
    const int w = face.width();
    const int h = face.height();
    // Blue tile at the left edge, white arrow in the middle of the top half.
    const QColor edge = face.pixelColor(w * 3 / 32, h / 2);
    const QColor arrow = face.pixelColor(w / 2, h * 9 / 32);
    EXPECT_GT(edge.blue(), 150);
    EXPECT_LT(edge.red(), 100);
    EXPECT_EQ(arrow, QColor(Qt::white));
}

TEST(DownLoadWidget, ForwardsPropertiesMethodsAndEventsInOrder) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Trace coreTrace;
    Trace widgetTrace;
    auto env = std::make_shared<FakeEnvironment>(&widgetTrace);
    DownLoad widget(env);
    RecordEvents(&widget.core(), &coreTrace);
    RecordEvents(&widget, &widgetTrace);

    widget.setUrl(QStringLiteral("http://127.0.0.1/files/patch.zip"));
    widget.setSaveLocation(dir.filePath(QStringLiteral("update.tmp")));
    widget.setCHUNK(1000);
    widget.setKeepType(true);
    widget.setROLLBACK(5);
    EXPECT_EQ(widget.core().Url(), QStringLiteral("http://127.0.0.1/files/patch.zip"));
    EXPECT_EQ(widget.core().CHUNK(), 1000);
    EXPECT_EQ(widget.property("ROLLBACK").toInt(), 5);
    EXPECT_TRUE(widget.property("KeepType").toBool());

    env->log->answers.push_back(Answer::Make("HTTP/1.1 200 OK", Bytes(2500)));
    widget.GetFileInformation();
    EXPECT_EQ(widget.FileSize(), 2500);
    EXPECT_TRUE(widget.ResumeSupported());
    EXPECT_EQ(widget.AResume(), widget.ResumeSupported());
    widget.Pause(false);
    widget.download();
    widget.Cancel();
    EXPECT_TRUE(widget.CCancel());

    ASSERT_EQ(coreTrace.size(), 28u);  // probe 3, unpause 1, open 1, 4 chunks, end 2, cancel 1
    EXPECT_EQ(widgetTrace, coreTrace);
    EXPECT_EQ(widgetTrace.front(), "StatusChange:Initiating Connection.");
    EXPECT_EQ(widgetTrace[4], "StatusChange:Opening " +
                                  dir.filePath(QStringLiteral("update.zip")).toStdString() +
                                  " For DATA Input.");
    EXPECT_EQ(widgetTrace[widgetTrace.size() - 2], "StatusChange:Download Successful!");

    MemoryPropertyBag bag;
    widget.WriteProperties(bag);
    EXPECT_EQ(bag.size(), 4);  // URL, CHUNK, SaveLocation, KeepType
    widget.InitProperties();
    widget.ReadProperties(MemoryPropertyBag{});
    EXPECT_FALSE(widget.KeepType());
}

// The widget and every relay follow the one list of the control's interface:
// the same properties and events, in the same order, as the core.
TEST(DownLoadWidget, CarriesTheInterfaceOfTheCore) {
    QStringList listed;
#define PATCHWELL_TEST_NAME(Type, Name, ...) listed << QStringLiteral(#Name);
    PATCHWELL_DOWNLOAD_READ_PROPERTIES(PATCHWELL_TEST_NAME)
    PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(PATCHWELL_TEST_NAME)
#undef PATCHWELL_TEST_NAME
    const auto ownProperties = [](const QMetaObject& meta) {
        QStringList names;
        for (int i = meta.propertyOffset(); i < meta.propertyCount(); ++i) {
            names << QString::fromLatin1(meta.property(i).name());
        }
        names.sort();
        return names;
    };
    listed.sort();
    EXPECT_EQ(listed.size(), 15);
    EXPECT_EQ(ownProperties(DownLoadCore::staticMetaObject), listed);
    EXPECT_EQ(ownProperties(DownLoad::staticMetaObject), listed);

    // The widget's literal property lines follow the list: its order, and
    // only the saved properties stored into a form and resettable.
    const QMetaObject& meta = DownLoad::staticMetaObject;
    ASSERT_EQ(meta.propertyCount() - meta.propertyOffset(), int(std::size(kProperties)));
    for (std::size_t i = 0; i < std::size(kProperties); ++i) {
        const QMetaProperty property = meta.property(meta.propertyOffset() + int(i));
        const bool saved = kProperties[i].savedKey != nullptr;
        EXPECT_STREQ(property.name(), kProperties[i].name);
        EXPECT_EQ(property.isWritable(), kProperties[i].writable) << property.name();
        EXPECT_EQ(property.isStored(), saved) << property.name();
        EXPECT_EQ(property.isResettable(), saved) << property.name();
    }

    Trace trace;
    DownLoad widget(std::make_shared<FakeEnvironment>(&trace));
    const QStringList events = DeclaredEvents(widget.core());
    EXPECT_EQ(
        events,
        QStringList({QStringLiteral("DLComplete()"), QStringLiteral("DLError(QString)"),
                     QStringLiteral("DLECode(int)"), QStringLiteral("RecievedBytes(qlonglong)"),
                     QStringLiteral("Percent(int)"), QStringLiteral("StatusChange(QString)"),
                     QStringLiteral("Rate(QString)"), QStringLiteral("TimeLeft(QString)"),
                     QStringLiteral("ConnectionState(QString)")}));
    EXPECT_EQ(DeclaredEvents(widget), events);

    // A target that lacks an event gets none of them.
    QObject bare;
    EXPECT_FALSE(ForwardEvents(widget.core(), bare));

    // Defaults and resets of the writable properties.
    widget.setCHUNK(4096);
    widget.setUrl(QStringLiteral("http://example.org/x"));
    widget.resetCHUNK();
    widget.resetUrl();
    EXPECT_EQ(widget.CHUNK(), 1024);
    EXPECT_EQ(widget.Url(), DownLoadCore::DefaultUrl());
    EXPECT_EQ(DownLoad::PropertyDefault(QStringLiteral("SaveLocation")).toString(),
              QStringLiteral("C:\\File1.tmp"));
    EXPECT_EQ(DownLoad::PropertyDefault(QStringLiteral("CHUNK")).toInt(), 1024);
    EXPECT_FALSE(DownLoad::PropertyDefault(QStringLiteral("FileSize")).isValid());
}

using common::testing::RespondToNextDialog;

TEST(QtDialogs, MessageBoxesShowTheirTextsAndReportTheButton) {
    QCoreApplication::setApplicationName(QStringLiteral("Patchwell"));
    QtDownLoadDialogs dialogs;
    struct Seen {
        QString title, text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QMessageBox::StandardButtons buttons;
    } seen;
    const auto pressing = [&seen](QMessageBox::StandardButton button) {
        RespondToNextDialog([&seen, button](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            ASSERT_NE(box, nullptr);
            seen = {box->windowTitle(), box->text(), box->icon(), box->standardButtons()};
            box->button(button)->click();
        });
    };

    pressing(QMessageBox::Ok);
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("offline"), QString(), MessageButtons::Ok,
                                 MessageIcon::None),
              MessageAnswer::Ok);
    EXPECT_EQ(seen.title, QStringLiteral("Patchwell"));
    EXPECT_EQ(seen.text, QStringLiteral("offline"));
    EXPECT_EQ(seen.icon, QMessageBox::NoIcon);
    EXPECT_EQ(seen.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));

    pressing(QMessageBox::No);
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("again?"), QStringLiteral("Try Again?"),
                                 MessageButtons::YesNo, MessageIcon::Stop),
              MessageAnswer::No);
    EXPECT_EQ(seen.title, QStringLiteral("Try Again?"));
    EXPECT_EQ(seen.icon, QMessageBox::Critical);
    EXPECT_EQ(seen.buttons, QMessageBox::Yes | QMessageBox::No);

    pressing(QMessageBox::Yes);
    EXPECT_EQ(dialogs.MessageBox(QStringLiteral("overwrite?"), QStringLiteral("Overwrite?"),
                                 MessageButtons::YesNo, MessageIcon::Information),
              MessageAnswer::Yes);
    EXPECT_EQ(seen.icon, QMessageBox::Information);

    pressing(QMessageBox::Ok);
    dialogs.MessageBox(QStringLiteral("empty"), QStringLiteral("Error!"), MessageButtons::Ok,
                       MessageIcon::Exclamation);
    EXPECT_EQ(seen.icon, QMessageBox::Warning);
}

TEST(QtDialogs, MessageTextsAreNeverMarkup) {
    QtDownLoadDialogs dialogs;
    const QString text = QStringLiteral("<b>File</b> <a href=\"file:///etc\">here</a>");
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    RespondToNextDialog([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        format = box->textFormat();
        shown = box->text();
        EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        box->button(QMessageBox::Ok)->click();
    });
    dialogs.MessageBox(text, QStringLiteral("Error!"), MessageButtons::Ok, MessageIcon::None);
    EXPECT_EQ(format, Qt::PlainText);
    EXPECT_EQ(shown, text);
}

TEST(QtDialogs, InputBoxReturnsTheTextOrNothingWhenDismissed) {
    QtDownLoadDialogs dialogs;
    QString title;
    QString label;
    QString preset;
    RespondToNextDialog([&](QWidget* widget) {
        auto* input = qobject_cast<QInputDialog*>(widget);
        ASSERT_NE(input, nullptr);
        title = input->windowTitle();
        label = input->labelText();
        preset = input->textValue();
        input->setTextValue(QStringLiteral("/tmp/other.bin"));
        input->accept();
    });
    EXPECT_EQ(dialogs.InputBox(QStringLiteral("Please type"), QStringLiteral("New File..."),
                               QStringLiteral("/tmp/File1.tmp")),
              QStringLiteral("/tmp/other.bin"));
    EXPECT_EQ(title, QStringLiteral("New File..."));
    EXPECT_EQ(label, QStringLiteral("Please type"));
    EXPECT_EQ(preset, QStringLiteral("/tmp/File1.tmp"));

    RespondToNextDialog([](QWidget* widget) { static_cast<QDialog*>(widget)->reject(); });
    EXPECT_EQ(dialogs.InputBox(QStringLiteral("Please type"), QStringLiteral("New File..."),
                               QStringLiteral("/tmp/File1.tmp")),
              QString());
}

}  // namespace
}  // namespace patchwell::download::testing
