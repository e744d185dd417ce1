// patchwell's message box on Qt's offscreen platform: what it shows, the
// answer it gives, and what Ctrl+C copies.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

#include "common/testing/qt_printers.h"
#include "common/widgets/testing/next_dialog.h"
#include "patchwell/platform/qt_message_boxes.h"

namespace {

using common::testing::RespondToNextDialog;
using patchwell::platform::MessageAnswer;
using patchwell::platform::MessageButtons;
using patchwell::platform::MessageIcon;

TEST(ShowMessageBox, ShowsPlainTextAboveAllAnswersAndCopiesTheTextWithItsDetails) {
    QCoreApplication::setApplicationName(QStringLiteral("Patchwell"));
    const QString markup = QStringLiteral("<b>File</b> <a href=\"file:///etc\">here</a>");
    const struct {
        QString text, title, details;
        MessageButtons buttons;
        MessageIcon icon;
        int key;  // the key that answers: Return (the default button) or Escape
        MessageAnswer answer;
        QString shownTitle;
        QMessageBox::Icon shownIcon;
        QString copied;
    } cases[] = {
        {markup,
         {},
         {},
         MessageButtons::Ok,
         MessageIcon::None,
         Qt::Key_Return,
         MessageAnswer::Ok,
         QStringLiteral("Patchwell"),
         QMessageBox::NoIcon,
         markup},
        {QStringLiteral("Install now?"),
         QStringLiteral("Update"),
         {},
         MessageButtons::YesNo,
         MessageIcon::Information,
         Qt::Key_Return,
         MessageAnswer::Yes,
         QStringLiteral("Update"),
         QMessageBox::Information,
         QStringLiteral("Install now?")},
        {QStringLiteral("Again?"),
         QStringLiteral("Try Again?"),
         {},
         MessageButtons::YesNo,
         MessageIcon::Exclamation,
         Qt::Key_Escape,
         MessageAnswer::No,
         QStringLiteral("Try Again?"),
         QMessageBox::Warning,
         QStringLiteral("Again?")},
        {QStringLiteral("Failed"), QStringLiteral("Error!"), QStringLiteral("line 1\n<i>2</i>"),
         MessageButtons::Ok, MessageIcon::Critical, Qt::Key_Escape, MessageAnswer::Ok,
         QStringLiteral("Error!"), QMessageBox::Critical,
         QStringLiteral("Failed\n\nline 1\n<i>2</i>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        struct {
            QString title, text, details, copied;
            Qt::TextFormat format = Qt::AutoText;
            QMessageBox::Icon icon = QMessageBox::NoIcon;
            bool onTop = false;
        } seen;
        RespondToNextDialog([&seen, &c](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            ASSERT_NE(box, nullptr);
            seen.title = box->windowTitle();
            seen.text = box->text();
            seen.details = box->detailedText();
            seen.format = box->textFormat();
            seen.icon = box->icon();
            seen.onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
            // The shortcut answers in the active window only.
            box->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(box));
            QApplication::clipboard()->clear();
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            seen.copied = QApplication::clipboard()->text();
            QTest::keyClick(box, static_cast<Qt::Key>(c.key));
        });
        EXPECT_EQ(patchwell::platform::ShowMessageBox(nullptr, c.text, c.title, c.buttons, c.icon,
                                                      c.details),
                  c.answer);
        EXPECT_EQ(seen.title, c.shownTitle);
        EXPECT_EQ(seen.text, c.text);
        EXPECT_EQ(seen.details, c.details);
        EXPECT_EQ(seen.format, Qt::PlainText);
        EXPECT_EQ(seen.icon, c.shownIcon);
        EXPECT_TRUE(seen.onTop);
        EXPECT_EQ(seen.copied, c.copied);
    }
}

}  // namespace
