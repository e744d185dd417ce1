#pragma once

// The DownLoad control in Qt Designer: a widget-box entry (group "Patchwell
// Controls"), and in the widget's context menu the property page and the
// about page. Changes from the property page go through the form window's
// cursor, so they are undoable and mark the form modified like any edit in
// the property editor.

#include <QDesignerTaskMenuExtension>
#include <QExtensionFactory>
#include <QObject>
#include <QPointer>
#include <QWidget>
#include <QtUiPlugin/QDesignerCustomWidgetCollectionInterface>
#include <QtUiPlugin/QDesignerCustomWidgetInterface>

#include "patchwell/download/designer/page_services.h"

class QDesignerFormWindowCursorInterface;
class QDesignerFormWindowInterface;

namespace patchwell::download {

class DownLoad;

// Writes through a form window's cursor: a value equal to the current one is
// left alone, a value equal to the control's default resets the property (so
// the form keeps only what differs from the defaults), any other is set.
class CursorPropertyAccess : public PropertyAccess {
public:
    CursorPropertyAccess(QDesignerFormWindowCursorInterface* cursor, QWidget* control)
        : cursor_(cursor), control_(control) {}
    QVariant Read(const QString& name) const override;
    void Write(const QString& name, const QVariant& value) override;
    // One apply is one step on the form's undo stack.
    void BeginApply() override;
    void EndApply() override;

private:
    QDesignerFormWindowCursorInterface* cursor_;
    QPointer<QWidget> control_;
};

class DownLoadDesignerWidget : public QObject, public QDesignerCustomWidgetInterface {
    Q_OBJECT
    Q_INTERFACES(QDesignerCustomWidgetInterface)

public:
    using QObject::QObject;

    QString name() const override;
    QString group() const override;
    QString toolTip() const override;
    QString whatsThis() const override;
    QString includeFile() const override;
    QIcon icon() const override;
    bool isContainer() const override { return false; }
    QWidget* createWidget(QWidget* parent) override;
    bool isInitialized() const override { return initialized_; }
    void initialize(QDesignerFormEditorInterface* core) override;
    QString domXml() const override;

private:
    bool initialized_ = false;
};

class DownLoadDesignerPlugin : public QObject, public QDesignerCustomWidgetCollectionInterface {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID "org.qt-project.Qt.QDesignerCustomWidgetCollectionInterface")
    Q_INTERFACES(QDesignerCustomWidgetCollectionInterface)

public:
    explicit DownLoadDesignerPlugin(QObject* parent = nullptr);
    QList<QDesignerCustomWidgetInterface*> customWidgets() const override { return widgets_; }

private:
    QList<QDesignerCustomWidgetInterface*> widgets_;
};

// "Edit DownLoad Properties..." and "About DownLoad..." in the context menu
// of a DownLoad on a form.
class DownLoadTaskMenu : public QObject, public QDesignerTaskMenuExtension {
    Q_OBJECT
    Q_INTERFACES(QDesignerTaskMenuExtension)

public:
    DownLoadTaskMenu(DownLoad* control, QObject* parent);
    QAction* preferredEditAction() const override { return editAction_; }
    QList<QAction*> taskActions() const override { return {editAction_, aboutAction_}; }

private:
    void EditProperties();
    void ShowAbout();

    QPointer<DownLoad> control_;
    QAction* editAction_;
    QAction* aboutAction_;
};

class DownLoadTaskMenuFactory : public QExtensionFactory {
    Q_OBJECT

public:
    using QExtensionFactory::QExtensionFactory;

protected:
    QObject* createExtension(QObject* object, const QString& iid, QObject* parent) const override;
};

}  // namespace patchwell::download
