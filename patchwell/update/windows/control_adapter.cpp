#include "patchwell/update/windows/control_adapter.h"

#include "patchwell/download/control/download.h"
#include "patchwell/download/control/download_events.h"
#include "patchwell/platform/qt_message_boxes.h"

namespace patchwell::update {

download::MessageAnswer PatchwellControlDialogs::MessageBox(const QString& text,
                                                            const QString& title,
                                                            download::MessageButtons buttons,
                                                            download::MessageIcon icon) {
    return platform::ShowMessageBox(parent_.data(), download::texts::Shown(text),
                                    download::texts::Shown(title), buttons, icon);
}

DownLoadPort::DownLoadPort(download::DownLoad* control,
                           std::shared_ptr<download::DownLoadEnvironment> environment,
                           QObject* parent)
    : ControlPort(parent), control_(control), environment_(std::move(environment)) {
    // The port declares the control's events; each is raised as the control
    // raises it.
    [[maybe_unused]] const bool forwarded = download::ForwardEvents(*control, *this);
    Q_ASSERT(forwarded);
}

bool DownLoadPort::InDL() const {
    return control_->InDL();
}
bool DownLoadPort::CPause() const {
    return control_->CPause();
}
bool DownLoadPort::Connected() const {
    return control_->Connected();
}
qint64 DownLoadPort::FileSize() const {
    return control_->FileSize();
}
QString DownLoadPort::Url() const {
    return control_->Url();
}
QString DownLoadPort::SaveLocation() const {
    return control_->SaveLocation();
}
QString DownLoadPort::TargetFile() const {
    return control_->TargetFile();
}
void DownLoadPort::setUrl(const QString& New_Url) {
    control_->setUrl(New_Url);
}
void DownLoadPort::setSaveLocation(const QString& New_Location) {
    control_->setSaveLocation(New_Location);
}
void DownLoadPort::setKeepType(bool keep) {
    control_->setKeepType(keep);
}
void DownLoadPort::download() {
    control_->download();
}
void DownLoadPort::GetFileInformation() {
    control_->GetFileInformation();
}

bool DownLoadPort::CheckConnection() {
    return environment_->QueryConnection(control_->Url()).online;
}
void DownLoadPort::Cancel() {
    control_->Cancel();
}
void DownLoadPort::Pause(bool blnPause) {
    control_->Pause(blnPause);
}

ControlFactory DownLoadControlFactory() {
    return [](QWidget* window, const download::PropertyBag& savedSet) -> ControlPort* {
        // The control's questions come in the program's own message box.
        auto environment = std::make_shared<download::SystemDownLoadEnvironment>(
            std::make_unique<PatchwellControlDialogs>(window));
        auto* control = new download::DownLoad(environment, window);
        control->setObjectName(QStringLiteral("dl1"));
        control->ReadProperties(savedSet);
        // The control does its work unseen; the windows show its progress.
        control->hide();
        return new DownLoadPort(control, std::move(environment), window);
    };
}

}  // namespace patchwell::update
