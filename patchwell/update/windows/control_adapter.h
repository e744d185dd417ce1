#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

#include "patchwell/download/control/download_environment.h"
#include "patchwell/download/control/download_texts.h"
#include "patchwell/download/control/property_bag.h"
#include "patchwell/download/control/qt_dialogs.h"
#include "patchwell/platform/message_boxes.h"
#include "patchwell/update/core/logic/control_port.h"

namespace patchwell::download {
class DownLoad;
}

namespace patchwell::update {

// The control's message boxes are patchwell's one message box
// (platform::ShowMessageBox), of the same kinds; its input dialog stays the
// control's own. Their texts are shown as the control's other texts are
// (ShownControlText).
class PatchwellControlDialogs : public download::DownLoadDialogs {
public:
    explicit PatchwellControlDialogs(QWidget* parent) : parent_(parent), inputs_(parent) {}
    download::MessageAnswer MessageBox(const QString& text, const QString& title,
                                       download::MessageButtons buttons,
                                       download::MessageIcon icon) override;
    QString InputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override {
        return inputs_.InputBox(download::texts::Shown(prompt), download::texts::Shown(title),
                                defaultText);
    }

private:
    QPointer<QWidget> parent_;
    download::QtDownLoadDialogs inputs_;
};

// Makes a window's control instance `dl1`, loaded from the window's saved set
// of control properties. The port is a child of `window`.
using ControlFactory =
    std::function<ControlPort*(QWidget* window, const download::PropertyBag& savedSet)>;

// The real control: a DownLoad widget named "dl1" placed (hidden) on the
// window, behind a port that passes calls and events through unchanged.
ControlFactory DownLoadControlFactory();

class DownLoadPort : public ControlPort {
    Q_OBJECT

public:
    // `environment` is the control's own; the connection check asks it.
    DownLoadPort(download::DownLoad* control,
                 std::shared_ptr<download::DownLoadEnvironment> environment, QObject* parent);

    bool InDL() const override;
    bool CPause() const override;
    bool Connected() const override;
    qint64 FileSize() const override;
    QString Url() const override;
    QString SaveLocation() const override;
    QString TargetFile() const override;
    void setUrl(const QString& New_Url) override;
    void setSaveLocation(const QString& New_Location) override;
    void setKeepType(bool keep) override;
    void download() override;
    void GetFileInformation() override;
    bool CheckConnection() override;
    void Cancel() override;
    void Pause(bool blnPause) override;

    download::DownLoad* control() const { return control_; }

private:
    download::DownLoad* control_;
    std::shared_ptr<download::DownLoadEnvironment> environment_;
};

}  // namespace patchwell::update
