// The Designer plugin as Designer and QUiLoader use it: loaded from the build
// tree, building forms, and editing a form in Designer's own form editor,
// whose writer decides what a saved .ui holds. The test links no copy of the
// control; it sees the plugin's through the meta-object.

#include <gtest/gtest.h>

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QDesignerComponents>
#include <QDesignerFormEditorInterface>
#include <QDesignerFormWindowCursorInterface>
#include <QDesignerFormWindowInterface>
#include <QDesignerFormWindowManagerInterface>
#include <QDesignerIntegration>
#include <QDesignerPropertyEditorInterface>
#include <QDesignerTaskMenuExtension>
#include <QDesignerWidgetBoxInterface>
#include <QDialog>
#include <QDialogButtonBox>
#include <QExtensionManager>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMetaProperty>
#include <QPluginLoader>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <QUiLoader>
#include <QUndoStack>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>

#include <memory>

#include "common/testing/wait_for.h"

namespace {

const QString kClass = QStringLiteral("patchwell::download::DownLoad");

QString PluginFile() {
    return QStringLiteral(PW_DESIGNER_PLUGIN);
}

QByteArray ReadForm(const char* name) {
    QFile file(QStringLiteral(PW_TEST_FORMS "/") + QString::fromLatin1(name));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << name;
    return file.readAll();
}

// The names of the properties that a <widget class="...DownLoad"> element
// of a .ui text holds.
QStringList StoredDownLoadProperties(const QString& ui) {
    const qsizetype start = ui.indexOf(QStringLiteral("class=\"") + kClass + QLatin1Char('"'));
    if (start < 0) {
        return {QStringLiteral("<no DownLoad>")};
    }
    const qsizetype end = ui.indexOf(QStringLiteral("</widget>"), start);
    const QString element = ui.mid(start, end < 0 ? -1 : end - start);
    QStringList names;
    const QRegularExpression property(QStringLiteral("<property name=\"([^\"]+)\""));
    for (auto it = property.globalMatch(element); it.hasNext();) {
        const QString name = it.next().captured(1);
        // Only the control's own; Designer keeps the geometry of every
        // widget outside a layout.
        if (QWidget::staticMetaObject.indexOfProperty(name.toLatin1().constData()) < 0) {
            names << name;
        }
    }
    return names;
}

TEST(DesignerPlugin, LoadsFromTheBuildTreeAndListsTheWidget) {
    ASSERT_FALSE(PluginFile().isEmpty());
    QPluginLoader loader(PluginFile());
    ASSERT_TRUE(loader.load()) << loader.errorString().toStdString();
    auto* collection = qobject_cast<QDesignerCustomWidgetCollectionInterface*>(loader.instance());
    ASSERT_NE(collection, nullptr);
    const auto widgets = collection->customWidgets();
    ASSERT_EQ(widgets.size(), 1);
    QDesignerCustomWidgetInterface* entry = widgets.front();
    EXPECT_EQ(entry->name(), kClass);
    EXPECT_EQ(entry->group(), QStringLiteral("Patchwell Controls"));
    EXPECT_EQ(entry->includeFile(), QStringLiteral("patchwell/download/control/download.h"));
    EXPECT_FALSE(entry->toolTip().isEmpty());
    EXPECT_FALSE(entry->isContainer());
    EXPECT_FALSE(entry->icon().pixmap(32, 32).isNull());
    EXPECT_TRUE(entry->domXml().contains(QStringLiteral("displayname=\"DownLoad\"")));
    EXPECT_TRUE(entry->domXml().contains(QStringLiteral("name=\"dl1\"")));

    std::unique_ptr<QWidget> widget(entry->createWidget(nullptr));
    ASSERT_NE(widget, nullptr);
    EXPECT_EQ(QString::fromLatin1(widget->metaObject()->className()), kClass);
    EXPECT_EQ(widget->minimumSize(), widget->maximumSize());  // the fixed square
    EXPECT_EQ(widget->property("CHUNK").toInt(), 1024);

    // What the property editor shows and what a form may store: the six
    // saved properties, none of the run-time ones.
    const QMetaObject* meta = widget->metaObject();
    QStringList designable;
    QStringList hidden;
    for (int i = meta->propertyOffset(); i < meta->propertyCount(); ++i) {
        const QMetaProperty property = meta->property(i);
        (property.isDesignable() && property.isStored() ? designable : hidden)
            << QString::fromLatin1(property.name());
        if (property.isDesignable()) {
            EXPECT_TRUE(property.isResettable()) << property.name();
        }
    }
    EXPECT_EQ(designable,
              QStringList({QStringLiteral("PromptOverwrite"), QStringLiteral("OnlineCheck"),
                           QStringLiteral("KeepType"), QStringLiteral("Url"),
                           QStringLiteral("CHUNK"), QStringLiteral("SaveLocation")}));
    EXPECT_EQ(hidden.size(), 9);
}

TEST(DesignerPlugin, QUiLoaderBuildsAFormWithAllSixSavedProperties) {
    QUiLoader loader;
    EXPECT_TRUE(loader.availableWidgets().contains(kClass));
    QByteArray form = ReadForm("all_saved_properties.ui");
    QBuffer buffer(&form);
    std::unique_ptr<QWidget> host(loader.load(&buffer));
    ASSERT_NE(host, nullptr) << loader.errorString().toStdString();
    auto* dl1 = host->findChild<QWidget*>(QStringLiteral("dl1"));
    ASSERT_NE(dl1, nullptr);
    EXPECT_EQ(QString::fromLatin1(dl1->metaObject()->className()), kClass);
    EXPECT_EQ(dl1->property("Url").toString(),
              QStringLiteral("https://updates.example.org/setup.bin"));
    EXPECT_EQ(dl1->property("SaveLocation").toString(), QStringLiteral("/tmp/setup.bin"));
    EXPECT_EQ(dl1->property("CHUNK").toInt(), 4096);
    EXPECT_TRUE(dl1->property("KeepType").toBool());
    EXPECT_TRUE(dl1->property("OnlineCheck").toBool());
    EXPECT_TRUE(dl1->property("PromptOverwrite").toBool());
    EXPECT_FALSE(dl1->property("InDL").toBool());
}

// Answers the next modal dialog once it is up.
void WhenDialogOpens(std::function<void(QDialog&)> respond) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, respond] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            respond(*dialog);
        }
    });
    timer->start(10);
}

TEST(DesignerPlugin, ThePropertyPageEditsThroughDesignersUndoStack) {
    QDesignerFormEditorInterface* core = QDesignerComponents::createFormEditor(nullptr);
    QDesignerComponents::initializePlugins(core);
    QDesignerComponents::initializeResources();
    // The parts of Designer's main window that a form window relies on.
    auto* mainWindow = new QWidget;
    core->setTopLevel(mainWindow);
    core->setWidgetBox(QDesignerComponents::createWidgetBox(core, mainWindow));
    core->setPropertyEditor(QDesignerComponents::createPropertyEditor(core, mainWindow));
    auto* integration = new QDesignerIntegration(core, core);
    core->setIntegration(integration);

    QDesignerFormWindowInterface* form = core->formWindowManager()->createFormWindow();
    ASSERT_NE(form, nullptr);
    // A new DownLoad as the widget box places it: the plugin's domXml.
    QString ui = QString::fromUtf8(ReadForm("all_saved_properties.ui"));
    ui.replace(QRegularExpression(QStringLiteral("<widget class=\"patchwell::download::DownLoad\" "
                                                 "name=\"dl1\">.*?</widget>"),
                                  QRegularExpression::DotMatchesEverythingOption),
               QStringLiteral("<widget class=\"patchwell::download::DownLoad\" name=\"dl1\"/>"));
    form->setContents(ui);
    form->setDirty(false);
    auto* dl1 = form->mainContainer()->findChild<QWidget*>(QStringLiteral("dl1"));
    ASSERT_NE(dl1, nullptr);
    EXPECT_EQ(StoredDownLoadProperties(form->contents()), QStringList());

    auto* menu = qt_extension<QDesignerTaskMenuExtension*>(core->extensionManager(), dl1);
    ASSERT_NE(menu, nullptr) << "no task menu for the DownLoad";
    const QList<QAction*> actions = menu->taskActions();
    ASSERT_EQ(actions.size(), 2);
    EXPECT_EQ(actions[0]->text(), QStringLiteral("Edit DownLoad Properties\u2026"));
    EXPECT_EQ(actions[1]->text(), QStringLiteral("About DownLoad\u2026"));
    EXPECT_EQ(menu->preferredEditAction(), actions[0]);

    // The about page opens from the same menu.
    QStringList aboutTexts;
    WhenDialogOpens([&aboutTexts](QDialog& dialog) {
        for (const char* name : {"Label2", "Label3"}) {
            if (auto* label = dialog.findChild<QLabel*>(QString::fromLatin1(name))) {
                aboutTexts << label->text();
            }
        }
        dialog.reject();
    });
    actions[1]->trigger();
    EXPECT_EQ(aboutTexts,
              QStringList({QStringLiteral("Visit My WebSite"), QStringLiteral("VOTE HERE!")}));
    EXPECT_FALSE(form->isDirty());

    // Change the Url and the chunk size; set the save location to the value
    // it already has.
    bool answered = false;
    WhenDialogOpens([&answered](QDialog& dialog) {
        dialog.findChild<QLineEdit*>(QStringLiteral("txtUrl"))
            ->setText(QStringLiteral("https://updates.example.org/v2.bin"));
        dialog.findChild<QComboBox*>(QStringLiteral("ChunkCombo"))->setCurrentIndex(3);
        auto* location = dialog.findChild<QLineEdit*>(QStringLiteral("txtSaveLocation"));
        location->setText(location->text());
        dialog.findChild<QCheckBox*>(QStringLiteral("ChkOC"))->click();
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
        answered = true;
    });
    const int stepsBefore = form->commandHistory()->count();
    actions[0]->trigger();
    ASSERT_TRUE(answered);
    EXPECT_EQ(dl1->property("Url").toString(),
              QStringLiteral("https://updates.example.org/v2.bin"));
    EXPECT_EQ(dl1->property("CHUNK").toInt(), 2048);
    EXPECT_TRUE(dl1->property("OnlineCheck").toBool());
    EXPECT_TRUE(form->isDirty());
    EXPECT_EQ(form->commandHistory()->count(), stepsBefore + 1);  // one undoable step
    const QString edited = form->contents();
    EXPECT_EQ(StoredDownLoadProperties(edited),
              QStringList(
                  {QStringLiteral("OnlineCheck"), QStringLiteral("Url"), QStringLiteral("CHUNK")}))
        << edited.toStdString();

    // Back to the default chunk size: no longer stored.
    WhenDialogOpens([](QDialog& dialog) {
        dialog.findChild<QComboBox*>(QStringLiteral("ChunkCombo"))
            ->setEditText(QStringLiteral("1024"));
        dialog.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok)->click();
    });
    actions[0]->trigger();
    EXPECT_EQ(dl1->property("CHUNK").toInt(), 1024);
    EXPECT_EQ(StoredDownLoadProperties(form->contents()),
              QStringList({QStringLiteral("OnlineCheck"), QStringLiteral("Url")}));

    form->commandHistory()->undo();
    form->commandHistory()->undo();
    EXPECT_EQ(dl1->property("Url").toString(), QStringLiteral("http://127.0.0.1/File1.tmp"));
    EXPECT_FALSE(dl1->property("OnlineCheck").toBool());
    EXPECT_EQ(StoredDownLoadProperties(form->contents()), QStringList());

    // The edited form builds with the values it holds.
    QUiLoader loader;
    QByteArray bytes = edited.toUtf8();
    QBuffer buffer(&bytes);
    std::unique_ptr<QWidget> host(loader.load(&buffer));
    ASSERT_NE(host, nullptr);
    auto* loaded = host->findChild<QWidget*>(QStringLiteral("dl1"));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->property("CHUNK").toInt(), 2048);
    EXPECT_EQ(loaded->property("SaveLocation").toString(), QStringLiteral("C:\\File1.tmp"));

    delete form;
    delete mainWindow;
    delete core;
}

}  // namespace
