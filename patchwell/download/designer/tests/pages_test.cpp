#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include <map>
#include <memory>

#include "patchwell/download/control/download.h"
#include "patchwell/download/control/testing/control_fakes.h"
#include "patchwell/download/designer/download_pages.h"

namespace patchwell::download {
namespace {

// A control's properties in a map; every write is logged in order.
class FakeAccess : public PropertyAccess {
public:
    explicit FakeAccess(std::map<QString, QVariant> initial) : values(std::move(initial)) {}
    QVariant Read(const QString& name) const override { return values.at(name); }
    void Write(const QString& name, const QVariant& value) override {
        values[name] = value;
        log << name + QLatin1Char('=') + value.toString();
    }
    void BeginApply() override { log << QStringLiteral("begin"); }
    void EndApply() override { log << QStringLiteral("end"); }
    std::map<QString, QVariant> values;
    QStringList log;
};

std::map<QString, QVariant> SampleValues() {
    return {{QStringLiteral("Url"), QStringLiteral("http://example.org/a.zip")},
            {QStringLiteral("SaveLocation"), QStringLiteral("/tmp/a.zip")},
            {QStringLiteral("CHUNK"), 4096},
            {QStringLiteral("KeepType"), true},
            {QStringLiteral("OnlineCheck"), false},
            {QStringLiteral("PromptOverwrite"), true}};
}

class FakeSaveDialog : public SaveFileDialog {
public:
    QString GetSaveFileName(QWidget*, const QString& title, const QString& filter) override {
        asked << title + QLatin1Char('|') + filter;
        return answer;
    }
    QString answer;
    QStringList asked;
};

template <class T>
T* Child(QWidget& page, const char* name) {
    T* child = page.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(child, nullptr) << name;
    return child;
}

TEST(PropertyPage, ShowsItsElementsAndLoadsFromTheFirstSelectedControl) {
    DownLoad_Properties page;
    const std::map<const char*, QString> texts = {
        {"lblUrl", QStringLiteral("Url Of File:")},
        {"lblSaveLocation", QStringLiteral("Save Location:")},
        {"lblCHUNK", QStringLiteral("CHUNK SIZE:")},
        {"Label1", QStringLiteral("* Note - The best chunk size to use on a 56K is 1024.")}};
    for (const auto& [name, text] : texts) {
        EXPECT_EQ(Child<QLabel>(page, name)->text(), text) << name;
    }
    EXPECT_EQ(Child<QPushButton>(page, "CSD")->text(), QStringLiteral("..."));
    EXPECT_EQ(Child<QCheckBox>(page, "Chkpreserve")->text(),
              QStringLiteral("Check to preserve file extension."));
    EXPECT_EQ(Child<QCheckBox>(page, "ChkOC")->text(),
              QStringLiteral("Check to test Internet Connection before downloading."));
    EXPECT_EQ(Child<QCheckBox>(page, "ChkPC")->text(),
              QStringLiteral("Check to prompt user if (s)he would like to overwrite file(s)."));
    auto* combo = Child<QComboBox>(page, "ChunkCombo");
    EXPECT_TRUE(combo->isEditable());
    EXPECT_EQ(combo->currentText(), QStringLiteral("Select Chunk Size*"));
    QStringList items;
    for (int i = 0; i < combo->count(); ++i) {
        items << combo->itemText(i);
    }
    EXPECT_EQ(items, QStringList({QStringLiteral("256"), QStringLiteral("512"),
                                  QStringLiteral("1024"), QStringLiteral("2048")}));

    FakeAccess first(SampleValues());
    FakeAccess second({});
    QSignalSpy changed(&page, &DownLoad_Properties::changed);
    page.SetSelectedControls({&first, &second});
    EXPECT_EQ(Child<QLineEdit>(page, "txtUrl")->text(), QStringLiteral("http://example.org/a.zip"));
    EXPECT_EQ(Child<QLineEdit>(page, "txtSaveLocation")->text(), QStringLiteral("/tmp/a.zip"));
    EXPECT_EQ(combo->currentText(), QStringLiteral("4096"));  // shown although not listed
    EXPECT_TRUE(Child<QCheckBox>(page, "Chkpreserve")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>(page, "ChkOC")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>(page, "ChkPC")->isChecked());
    EXPECT_TRUE(page.KeepTypeFlag());
    EXPECT_FALSE(page.OnlineCheckFlag());
    EXPECT_TRUE(page.PromptOverwriteFlag());
    EXPECT_FALSE(page.Changed());
    EXPECT_EQ(changed.count(), 0);

    // Every edit marks the page changed; the flags follow the boxes.
    Child<QCheckBox>(page, "ChkOC")->click();
    EXPECT_TRUE(page.OnlineCheckFlag());
    Child<QCheckBox>(page, "ChkPC")->click();
    EXPECT_FALSE(page.PromptOverwriteFlag());
    Child<QLineEdit>(page, "txtUrl")->setText(QStringLiteral("http://example.org/b.zip"));
    Child<QLineEdit>(page, "txtSaveLocation")->setText(QStringLiteral("/tmp/b.zip"));
    combo->setEditText(QStringLiteral("4096 "));
    EXPECT_EQ(changed.count(), 5);
    EXPECT_TRUE(page.Changed());

    ASSERT_TRUE(page.ApplyChanges());
    EXPECT_EQ(
        first.log,
        QStringList({QStringLiteral("begin"), QStringLiteral("SaveLocation=/tmp/b.zip"),
                     QStringLiteral("CHUNK=4096"), QStringLiteral("Url=http://example.org/b.zip"),
                     QStringLiteral("KeepType=true"), QStringLiteral("OnlineCheck=true"),
                     QStringLiteral("PromptOverwrite=false"), QStringLiteral("end")}));
    EXPECT_EQ(first.values.at(QStringLiteral("CHUNK")).typeId(), QMetaType::Int);
    EXPECT_TRUE(second.log.isEmpty());
    EXPECT_FALSE(page.Changed());
}

TEST(PropertyPage, AChunkThatIsNotAPositiveNumberFailsTheApplyAndChangesNothing) {
    DownLoad_Properties page;
    FakeAccess control(SampleValues());
    page.SetSelectedControls({&control});
    Child<QLineEdit>(page, "txtUrl")->setText(QStringLiteral("http://example.org/new"));
    auto* combo = Child<QComboBox>(page, "ChunkCombo");
    for (const QString& text :
         {QStringLiteral("Select Chunk Size*"), QStringLiteral("abc"), QStringLiteral("12k"),
          QStringLiteral("0"), QStringLiteral("-256"), QString(), QStringLiteral("99999999999")}) {
        combo->setEditText(text);
        EXPECT_FALSE(page.ApplyChanges()) << text.toStdString();
        EXPECT_TRUE(control.log.isEmpty()) << text.toStdString();
        EXPECT_TRUE(page.ErrorText().contains(QStringLiteral("nothing was changed")));
        EXPECT_TRUE(page.Changed());
    }
    EXPECT_EQ(control.values, SampleValues());

    combo->setCurrentIndex(0);
    EXPECT_TRUE(page.ApplyChanges());
    EXPECT_EQ(control.values.at(QStringLiteral("CHUNK")).toInt(), 256);
    EXPECT_EQ(control.values.at(QStringLiteral("Url")).toString(),
              QStringLiteral("http://example.org/new"));
    EXPECT_TRUE(page.ErrorText().isEmpty());
}

TEST(PropertyPage, TheSaveDialogReplacesTheLocationUnlessCancelled) {
    auto dialog = std::make_shared<FakeSaveDialog>();
    DownLoad_Properties page(nullptr, dialog);
    FakeAccess control(SampleValues());
    page.SetSelectedControls({&control});
    auto* location = Child<QLineEdit>(page, "txtSaveLocation");

    Child<QPushButton>(page, "CSD")->click();  // cancelled: an empty answer
    EXPECT_EQ(location->text(), QStringLiteral("/tmp/a.zip"));
    EXPECT_FALSE(page.Changed());
    dialog->answer = QStringLiteral("/home/user/setup.bin");
    Child<QPushButton>(page, "CSD")->click();
    EXPECT_EQ(location->text(), QStringLiteral("/home/user/setup.bin"));
    EXPECT_TRUE(page.Changed());
    EXPECT_EQ(dialog->asked,
              QStringList(2, QStringLiteral("Please choose a place to save.|(*.*) All Files|*.*")));

    EXPECT_EQ(ToQtFileFilter(QStringLiteral("(*.*) All Files|*.*")),
              QStringLiteral("(*.*) All Files (*)"));
    EXPECT_EQ(ToQtFileFilter(QStringLiteral("Archives|*.zip;*.tar|All|*.*")),
              QStringLiteral("Archives (*.zip *.tar);;All (*)"));
}

// Qt's own save dialog: its title and filter, and a cancel that changes
// nothing.
TEST(PropertyPage, TheQtSaveDialogCancelledLeavesTheLocation) {
    DownLoad_Properties page;
    FakeAccess control(SampleValues());
    page.SetSelectedControls({&control});
    QString title;
    QStringList filters;
    auto* timer = new QTimer(&page);
    QObject::connect(timer, &QTimer::timeout, [&] {
        if (auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            title = dialog->windowTitle();
            filters = dialog->nameFilters();
            EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
            dialog->reject();
        }
    });
    timer->start(10);
    Child<QPushButton>(page, "CSD")->click();
    EXPECT_EQ(title, QStringLiteral("Please choose a place to save."));
    EXPECT_EQ(filters, QStringList(QStringLiteral("(*.*) All Files (*)")));
    EXPECT_EQ(Child<QLineEdit>(page, "txtSaveLocation")->text(), QStringLiteral("/tmp/a.zip"));
    EXPECT_FALSE(page.Changed());
}

TEST(PropertyPage, TheDialogAppliesToARealControl) {
    testing::Trace trace;
    DownLoad control(std::make_shared<testing::FakeEnvironment>(&trace));
    control.setCHUNK(4096);
    ObjectPropertyAccess access(&control);
    auto* dialog = new DownLoadPropertiesDialog(&access);
    DownLoad_Properties& page = *dialog->page();
    auto* box = dialog->findChild<QDialogButtonBox*>();
    ASSERT_NE(box, nullptr);
    QPushButton* apply = box->button(QDialogButtonBox::Apply);
    EXPECT_FALSE(apply->isEnabled());

    Child<QLineEdit>(page, "txtSaveLocation")->setText(QStringLiteral("/tmp/out.bin"));
    EXPECT_TRUE(apply->isEnabled());
    apply->click();
    EXPECT_EQ(control.SaveLocation(), QStringLiteral("/tmp/out.bin"));
    EXPECT_EQ(control.CHUNK(), 4096);  // kept although not in the list
    EXPECT_FALSE(apply->isEnabled());

    // OK with a bad chunk keeps the dialog open; Cancel then writes nothing.
    Child<QComboBox>(page, "ChunkCombo")->setEditText(QStringLiteral("fast"));
    Child<QCheckBox>(page, "ChkOC")->click();
    dialog->open();
    box->button(QDialogButtonBox::Ok)->click();
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_FALSE(page.ErrorText().isEmpty());
    box->button(QDialogButtonBox::Cancel)->click();
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_EQ(dialog->result(), QDialog::Rejected);
    EXPECT_FALSE(control.OnlineCheck());
    EXPECT_EQ(control.CHUNK(), 4096);
    delete dialog;
}

class FakeOpener : public UrlOpener {
public:
    bool Open(const QUrl& url) override {
        opened << url;
        return true;
    }
    QList<QUrl> opened;
};

QColor TextColour(QLabel* label) {
    return label->palette().color(QPalette::WindowText);
}

void MoveOver(QWidget* widget) {
    QMouseEvent move(QEvent::MouseMove, QPointF(2, 2), widget->mapToGlobal(QPointF(2, 2)),
                     Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
}

void Click(QWidget* widget) {
    const QPointF at(2, 2);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

TEST(AboutPage, LinksChangeColourUnderThePointerAndOpenInTheBrowser) {
    auto opener = std::make_shared<FakeOpener>();
    About about(nullptr, opener);
    about.show();
    auto* credit = Child<QLabel>(about, "Label1");
    auto* site = Child<QLabel>(about, "Label2");
    auto* vote = Child<QLabel>(about, "Label3");
    EXPECT_FALSE(credit->text().isEmpty());
    EXPECT_EQ(site->text(), QStringLiteral("Visit My WebSite"));
    EXPECT_EQ(vote->text(), QStringLiteral("VOTE HERE!"));
    EXPECT_EQ(TextColour(site), QColor(Qt::black));
    EXPECT_EQ(TextColour(vote), QColor(Qt::black));

    MoveOver(site);
    EXPECT_EQ(TextColour(site), QColor(0, 0, 255));
    EXPECT_EQ(TextColour(vote), QColor(Qt::black));
    MoveOver(vote);
    EXPECT_EQ(TextColour(vote), QColor(255, 0, 0));
    MoveOver(&about);
    EXPECT_EQ(TextColour(site), QColor(Qt::black));
    EXPECT_EQ(TextColour(vote), QColor(Qt::black));

    Click(site);
    Click(vote);
    Click(credit);
    EXPECT_EQ(opener->opened, (QList<QUrl>{About::WebSiteAddress(), About::VoteAddress()}));
}

// The real opener hands the address to the desktop services as it is: a
// registered handler receives it unchanged, and no process is started.
class UrlCatcher : public QObject {
    Q_OBJECT

public Q_SLOTS:
    void handle(const QUrl& url) { caught << url; }

public:
    QList<QUrl> caught;
};

TEST(AboutPage, TheDesktopOpenerPassesTheAddressUntouched) {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "handle");
    const QUrl tricky(QStringLiteral("https://patchwell.example.org/a b?x=\"1\"&y=;$(true)"));
    EXPECT_TRUE(DesktopUrlOpener().Open(tricky));
    About about;
    Click(about.findChild<QLabel*>(QStringLiteral("Label3")));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    EXPECT_EQ(catcher.caught, (QList<QUrl>{tricky, About::VoteAddress()}));
}

}  // namespace
}  // namespace patchwell::download

#include "pages_test.moc"
