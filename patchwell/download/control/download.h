#pragma once

// The DownLoad widget: the download control as a window places it. It wraps
// one DownLoadCore and offers its properties, methods and events unchanged;
// the events are forwarded synchronously in the core's order. The widget
// keeps a fixed square of 480 x 480 twips and shows a small face picture.

#include <QString>
#include <QWidget>

#include <memory>

#include "download_core.h"
#include "property_bag.h"

namespace patchwell::download {

class DownLoadEnvironment;

class DownLoad : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("ClassIdentifier", "Patchwell.DownLoad")
    Q_PROPERTY(bool InDL READ InDL)
    Q_PROPERTY(bool AResume READ AResume)
    Q_PROPERTY(bool CPause READ CPause)
    Q_PROPERTY(bool CCancel READ CCancel)
    Q_PROPERTY(qint32 ROLLBACK READ ROLLBACK WRITE setROLLBACK)
    Q_PROPERTY(bool ResumeSupported READ ResumeSupported)
    Q_PROPERTY(bool Connected READ Connected)
    Q_PROPERTY(bool PromptOverwrite READ PromptOverwrite WRITE setPromptOverwrite)
    Q_PROPERTY(bool OnlineCheck READ OnlineCheck WRITE setOnlineCheck)
    Q_PROPERTY(bool KeepType READ KeepType WRITE setKeepType)
    Q_PROPERTY(bool FileExists READ FileExists)
    Q_PROPERTY(qint32 FileSize READ FileSize)
    Q_PROPERTY(QString Url READ Url WRITE setUrl)
    Q_PROPERTY(qint32 CHUNK READ CHUNK WRITE setCHUNK)
    Q_PROPERTY(QString SaveLocation READ SaveLocation WRITE setSaveLocation)

public:
    static constexpr int kSizeTwips = 480;

    // Uses the real environment with Qt dialogs.
    explicit DownLoad(QWidget* parent = nullptr);
    DownLoad(std::shared_ptr<DownLoadEnvironment> environment, QWidget* parent = nullptr);
    ~DownLoad() override;

    DownLoadCore& core() { return *core_; }

    bool InDL() const { return core_->InDL(); }
    bool AResume() const { return core_->AResume(); }
    bool CPause() const { return core_->CPause(); }
    bool CCancel() const { return core_->CCancel(); }
    qint32 ROLLBACK() const { return core_->ROLLBACK(); }
    bool ResumeSupported() const { return core_->ResumeSupported(); }
    bool Connected() const { return core_->Connected(); }
    bool PromptOverwrite() const { return core_->PromptOverwrite(); }
    bool OnlineCheck() const { return core_->OnlineCheck(); }
    bool KeepType() const { return core_->KeepType(); }
    bool FileExists() const { return core_->FileExists(); }
    qint32 FileSize() const { return core_->FileSize(); }
    QString Url() const { return core_->Url(); }
    qint32 CHUNK() const { return core_->CHUNK(); }
    QString SaveLocation() const { return core_->SaveLocation(); }
    QString TargetFile() const { return core_->TargetFile(); }

    void setROLLBACK(qint32 lnumBYTES) { core_->setROLLBACK(lnumBYTES); }
    void setPromptOverwrite(bool DoPrompt) { core_->setPromptOverwrite(DoPrompt); }
    void setOnlineCheck(bool DoCheck) { core_->setOnlineCheck(DoCheck); }
    void setKeepType(bool IsKeep) { core_->setKeepType(IsKeep); }
    void setUrl(const QString& New_Url) { core_->setUrl(New_Url); }
    void setCHUNK(qint32 New_CHUNK) { core_->setCHUNK(New_CHUNK); }
    void setSaveLocation(const QString& New_Location) { core_->setSaveLocation(New_Location); }

    void InitProperties() { core_->InitProperties(); }
    void ReadProperties(const PropertyBag& bag) { core_->ReadProperties(bag); }
    void WriteProperties(PropertyBag& bag) const { core_->WriteProperties(bag); }
    void setSite(ControlSite* site) { core_->setSite(site); }

    // The fixed size in pixels for this widget's screen resolution.
    QSize fixedPixelSize() const;

public Q_SLOTS:
    void download() { core_->download(); }
    void GetFileInformation() { core_->GetFileInformation(); }
    void Cancel() { core_->Cancel(); }
    void DLResume() { core_->DLResume(); }
    void Pause(bool blnPause) { core_->Pause(blnPause); }

Q_SIGNALS:
    void DLComplete();
    void DLError(const QString& lpErrorDescription);
    void DLECode(qint32 lErrorCode);
    void RecievedBytes(qint32 lnumBYTES);
    void Percent(qint32 lPercent);
    void StatusChange(const QString& lpStatus);
    void Rate(const QString& lpRate);
    void TimeLeft(const QString& lpTime);
    void ConnectionState(const QString& strState);

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFixedSize();

    std::unique_ptr<DownLoadCore> core_;
};

}  // namespace patchwell::download
