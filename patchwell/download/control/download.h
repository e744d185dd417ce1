#pragma once

// The DownLoad widget: the download control as a window places it. It wraps
// one DownLoadCore and offers its properties, methods and events unchanged
// (the members and the events are generated from download_interface.h; the
// events are forwarded synchronously in the core's order by download_events.h). The widget
// keeps a fixed square of 480 x 480 twips and shows a small face picture.

#include <QString>
#include <QVariant>
#include <QWidget>

#include <memory>

#include "patchwell/download/control/download_core.h"
#include "patchwell/download/control/download_interface.h"
#include "patchwell/download/control/property_bag.h"

class QPainter;

namespace patchwell::download {

class DownLoadEnvironment;

class DownLoad : public QWidget {
    Q_OBJECT
    Q_CLASSINFO("ClassIdentifier", "Patchwell.DownLoad")
    // Runtime state: neither shown in a designer's property editor nor saved
    // into a form.
    Q_PROPERTY(bool InDL READ InDL DESIGNABLE false STORED false)
    Q_PROPERTY(bool AResume READ AResume DESIGNABLE false STORED false)
    Q_PROPERTY(bool CPause READ CPause DESIGNABLE false STORED false)
    Q_PROPERTY(bool CCancel READ CCancel DESIGNABLE false STORED false)
    Q_PROPERTY(qint32 ROLLBACK READ ROLLBACK WRITE setROLLBACK DESIGNABLE false STORED false)
    Q_PROPERTY(bool ResumeSupported READ ResumeSupported DESIGNABLE false STORED false)
    Q_PROPERTY(bool Connected READ Connected DESIGNABLE false STORED false)
    // The six saved properties; each resets to its default, so that a form
    // keeps only the values that differ from it.
    Q_PROPERTY(bool PromptOverwrite READ PromptOverwrite WRITE setPromptOverwrite RESET
                   resetPromptOverwrite)
    Q_PROPERTY(bool OnlineCheck READ OnlineCheck WRITE setOnlineCheck RESET resetOnlineCheck)
    Q_PROPERTY(bool KeepType READ KeepType WRITE setKeepType RESET resetKeepType)
    Q_PROPERTY(bool FileExists READ FileExists DESIGNABLE false STORED false)
    Q_PROPERTY(qint64 FileSize READ FileSize DESIGNABLE false STORED false)
    Q_PROPERTY(QString Url READ Url WRITE setUrl RESET resetUrl)
    Q_PROPERTY(qint32 CHUNK READ CHUNK WRITE setCHUNK RESET resetCHUNK)
    Q_PROPERTY(QString SaveLocation READ SaveLocation WRITE setSaveLocation RESET resetSaveLocation)

public:
    static constexpr int kSizeTwips = 480;

    // Uses the real environment with Qt dialogs.
    explicit DownLoad(QWidget* parent = nullptr);
    DownLoad(std::shared_ptr<DownLoadEnvironment> environment, QWidget* parent = nullptr);
    ~DownLoad() override;

    DownLoadCore& core() { return *core_; }

    // The properties, passed through to the core; each writable one also
    // resets to its default.
    PATCHWELL_DOWNLOAD_READ_PROPERTIES(PATCHWELL_DOWNLOAD_FORWARD_READ)
    PATCHWELL_DOWNLOAD_WRITE_PROPERTIES(PATCHWELL_DOWNLOAD_FORWARD_WRITE)
    // Not a property of the control's interface: what the last transfer wrote.
    QString TargetFile() const { return core_->TargetFile(); }

    void InitProperties() { core_->InitProperties(); }
    void ReadProperties(const PropertyBag& bag) { core_->ReadProperties(bag); }
    void WriteProperties(PropertyBag& bag) const { core_->WriteProperties(bag); }
    void setSite(ControlSite* site) { core_->setSite(site); }

    // The value a new instance has for a writable property, which it resets
    // to; invalid for the others.
    static QVariant PropertyDefault(const QString& name) {
        return ::patchwell::download::PropertyDefault(name);
    }

    // Draws the face picture into a `size` square at the painter's origin.
    static void DrawFace(QPainter& painter, qreal size);

    // The fixed size in pixels for this widget's screen resolution.
    QSize fixedPixelSize() const;

public Q_SLOTS:
    void download() { core_->download(); }
    void GetFileInformation() { core_->GetFileInformation(); }
    void Cancel() { core_->Cancel(); }
    void DLResume() { core_->DLResume(); }
    void Pause(bool blnPause) { core_->Pause(blnPause); }

Q_SIGNALS:
    PATCHWELL_DOWNLOAD_EVENTS

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void applyFixedSize();

    std::unique_ptr<DownLoadCore> core_;
};

}  // namespace patchwell::download
