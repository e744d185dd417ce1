#include "patchwell/download/designer/designer_plugin.h"

#include <QAction>
#include <QDesignerFormEditorInterface>
#include <QDesignerFormWindowCursorInterface>
#include <QDesignerFormWindowInterface>
#include <QDialogButtonBox>
#include <QExtensionManager>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <QVBoxLayout>

#include "patchwell/download/control/download.h"
#include "patchwell/download/designer/download_pages.h"

namespace patchwell::download {

QVariant CursorPropertyAccess::Read(const QString& name) const {
    return control_ ? control_->property(name.toLatin1().constData()) : QVariant();
}

void CursorPropertyAccess::BeginApply() {
    if (QDesignerFormWindowInterface* form = cursor_->formWindow()) {
        form->beginCommand(QStringLiteral("Edit DownLoad Properties"));
    }
}

void CursorPropertyAccess::EndApply() {
    if (QDesignerFormWindowInterface* form = cursor_->formWindow()) {
        form->endCommand();
    }
}

void CursorPropertyAccess::Write(const QString& name, const QVariant& value) {
    if (!control_ || Read(name) == value) {
        return;
    }
    if (value == DownLoad::PropertyDefault(name)) {
        cursor_->resetWidgetProperty(control_, name);
    } else {
        cursor_->setWidgetProperty(control_, name, value);
    }
}

QString DownLoadDesignerWidget::name() const {
    return QStringLiteral("patchwell::download::DownLoad");
}

QString DownLoadDesignerWidget::group() const {
    return QStringLiteral("Patchwell Controls");
}

QString DownLoadDesignerWidget::toolTip() const {
    return QStringLiteral("DownLoad - fetches one file over HTTP(S) into a local file");
}

QString DownLoadDesignerWidget::whatsThis() const {
    return QStringLiteral(
        "The DownLoad control: set Url and SaveLocation, call GetFileInformation and then "
        "download, and follow its events. Its six saved properties are edited in the property "
        "editor or with \"Edit DownLoad Properties...\" from its context menu.");
}

QString DownLoadDesignerWidget::includeFile() const {
    return QStringLiteral("patchwell/download/control/download.h");
}

QIcon DownLoadDesignerWidget::icon() const {
    QIcon icon;
    for (const int size : {16, 22, 32, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        DownLoad::DrawFace(painter, size);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

QWidget* DownLoadDesignerWidget::createWidget(QWidget* parent) {
    return new DownLoad(parent);
}

void DownLoadDesignerWidget::initialize(QDesignerFormEditorInterface* core) {
    if (initialized_) {
        return;
    }
    initialized_ = true;
    if (core != nullptr && core->extensionManager() != nullptr) {
        QExtensionManager* manager = core->extensionManager();
        manager->registerExtensions(new DownLoadTaskMenuFactory(manager),
                                    Q_TYPEID(QDesignerTaskMenuExtension));
    }
}

QString DownLoadDesignerWidget::domXml() const {
    // A new instance is named dl1 and holds no saved property: every one has
    // its default until it is edited.
    return QStringLiteral(
        "<ui language=\"c++\" displayname=\"DownLoad\">\n"
        " <widget class=\"patchwell::download::DownLoad\" name=\"dl1\"/>\n"
        " <customwidgets>\n"
        "  <customwidget>\n"
        "   <class>patchwell::download::DownLoad</class>\n"
        "   <extends>QWidget</extends>\n"
        "   <header>patchwell/download/control/download.h</header>\n"
        "  </customwidget>\n"
        " </customwidgets>\n"
        "</ui>\n");
}

DownLoadDesignerPlugin::DownLoadDesignerPlugin(QObject* parent) : QObject(parent) {
    widgets_.append(new DownLoadDesignerWidget(this));
}

DownLoadTaskMenu::DownLoadTaskMenu(DownLoad* control, QObject* parent)
    : QObject(parent),
      control_(control),
      editAction_(new QAction(QStringLiteral("Edit DownLoad Properties\u2026"), this)),
      aboutAction_(new QAction(QStringLiteral("About DownLoad\u2026"), this)) {
    connect(editAction_, &QAction::triggered, this, &DownLoadTaskMenu::EditProperties);
    connect(aboutAction_, &QAction::triggered, this, &DownLoadTaskMenu::ShowAbout);
}

void DownLoadTaskMenu::EditProperties() {
    if (!control_) {
        return;
    }
    QDesignerFormWindowInterface* form = QDesignerFormWindowInterface::findFormWindow(control_);
    if (form == nullptr) {
        return;
    }
    CursorPropertyAccess access(form->cursor(), control_);
    DownLoadPropertiesDialog dialog(&access, form);
    dialog.exec();
}

void DownLoadTaskMenu::ShowAbout() {
    QDialog dialog(control_ ? control_->window() : nullptr);
    dialog.setWindowTitle(QStringLiteral("About DownLoad"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new About);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    dialog.exec();
}

QObject* DownLoadTaskMenuFactory::createExtension(QObject* object, const QString& iid,
                                                  QObject* parent) const {
    auto* control = qobject_cast<DownLoad*>(object);
    if (control == nullptr || iid != Q_TYPEID(QDesignerTaskMenuExtension)) {
        return nullptr;
    }
    return new DownLoadTaskMenu(control, parent);
}

}  // namespace patchwell::download
