// patchwell's message box on Qt's offscreen platform: what it shows, the
// answer it gives, and what Ctrl+C copies.

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include "common/testing/qt_printers.h"
#include "common/widgets/testing/next_dialog.h"
#include "patchwell/platform/qt_message_boxes.h"

namespace {

using common::testing::RespondToNextDialog;
using patchwell::platform::MessageAnswer;
using patchwell::platform::MessageButtons;
using patchwell::platform::MessageIcon;

TEST(ShowMessageBox, ShowsPlainTextAboveAllAnswersAndCopiesTheTextWithItsDetails) {
    QCoreApplication::setApplicationName(S("Patchwell"));
    const QString markup = S("<b>File</b> <a href=\"file:///etc\">here</a>");
    const struct {
        QString text, title, details;
        MessageButtons buttons;
        MessageIcon icon;
        Qt::Key key;  // Return (the default button) or Escape
        MessageAnswer answer;
        QString shownTitle;
        QMessageBox::Icon shownIcon;
        QString copied;
    } cases[] = {
        {markup, QString(), QString(), MessageButtons::Ok, MessageIcon::None, Qt::Key_Return,
         MessageAnswer::Ok, S("Patchwell"), QMessageBox::NoIcon, markup},
        {S("Now?"), S("Update"), QString(), MessageButtons::YesNo, MessageIcon::Information,
         Qt::Key_Return, MessageAnswer::Yes, S("Update"), QMessageBox::Information, S("Now?")},
        {S("Again?"), S("Try"), QString(), MessageButtons::YesNo, MessageIcon::Exclamation,
         Qt::Key_Escape, MessageAnswer::No, S("Try"), QMessageBox::Warning, S("Again?")},
        {S("Failed"), S("Error!"), S("line 1\n<i>2</i>"), MessageButtons::Ok, MessageIcon::Critical,
         Qt::Key_Escape, MessageAnswer::Ok, S("Error!"), QMessageBox::Critical,
         S("Failed\n\nline 1\n<i>2</i>")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        bool shown = false;
        RespondToNextDialog([&shown, &c](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            ASSERT_NE(box, nullptr);
            shown = true;
            EXPECT_EQ(box->windowTitle(), c.shownTitle);
            EXPECT_EQ(box->text(), c.text);
            EXPECT_EQ(box->textFormat(), Qt::PlainText);
            EXPECT_EQ(box->detailedText(), c.details);
            EXPECT_EQ(box->icon(), c.shownIcon);
            EXPECT_TRUE(box->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
            // The shortcut answers in the active window only.
            box->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(box));
            QApplication::clipboard()->clear();
            QTest::keyClick(box, Qt::Key_C, Qt::ControlModifier);
            EXPECT_EQ(QApplication::clipboard()->text(), c.copied);
            QTest::keyClick(box, c.key);
        });
        EXPECT_EQ(patchwell::platform::ShowMessageBox(nullptr, c.text, c.title, c.buttons, c.icon,
                                                      c.details),
                  c.answer);
        EXPECT_TRUE(shown);
    }
}

TEST(QtMessageBoxes, AnOfferTakesItsChoiceOnlyFromItsOwnButton) {
    using patchwell::platform::QtMessageBoxes;
    const struct {
        const char* what;
        std::function<void(QMessageBox*)> act;
        bool chosen;
    } rows[] = {
        {"Return", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Return); }, false},
        {"Escape", [](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); }, false},
        {"the choice clicked",
         [](QMessageBox* box) {
             auto* choice = box->findChild<QAbstractButton*>(S("choiceButton"));
             ASSERT_NE(choice, nullptr);
             EXPECT_EQ(choice->text(), S("Skip"));
             QTest::mouseClick(choice, Qt::LeftButton);
         },
         true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        RespondToNextDialog([&row](QWidget* widget) {
            auto* box = qobject_cast<QMessageBox*>(widget);
            ASSERT_NE(box, nullptr);
            EXPECT_EQ(box->text(), S("Found"));
            EXPECT_EQ(box->detailedText(), S("notes"));
            EXPECT_EQ(static_cast<QAbstractButton*>(box->defaultButton()),
                      box->button(QMessageBox::Ok));
            row.act(box);
        });
        EXPECT_EQ(QtMessageBoxes().ShowOffer(S("Found"), S("notes"), S("Skip"),
                                             MessageIcon::Information, S("Patchwell")),
                  row.chosen);
    }
}

}  // namespace
