#pragma once

#include <QWidget>

#include <functional>

#include "control_port.h"
#include "property_bag.h"

namespace patchwell::download {
class DownLoad;
}

namespace patchwell::update {

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
    DownLoadPort(download::DownLoad* control, QObject* parent);

    bool InDL() const override;
    bool CPause() const override;
    bool Connected() const override;
    qint32 FileSize() const override;
    QString Url() const override;
    QString SaveLocation() const override;
    QString TargetFile() const override;
    void setUrl(const QString& New_Url) override;
    void setSaveLocation(const QString& New_Location) override;
    void download() override;
    void GetFileInformation() override;
    void Cancel() override;
    void Pause(bool blnPause) override;

    download::DownLoad* control() const { return control_; }

private:
    download::DownLoad* control_;
};

}  // namespace patchwell::update
