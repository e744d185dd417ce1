#pragma once

// What the update windows use of their download control: the properties they
// read and set, the four methods they call and the events they handle. The
// windows wrap their own control instance in one of these; tests script a fake.

#include <QObject>
#include <QString>

#include "patchwell/download/control/download_interface.h"

namespace patchwell::update {

class ControlPort : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;
    ~ControlPort() override = default;

    virtual bool InDL() const = 0;
    virtual bool CPause() const = 0;
    virtual bool Connected() const = 0;
    virtual qint64 FileSize() const = 0;
    virtual QString Url() const = 0;
    virtual QString SaveLocation() const = 0;
    // The file the last transfer actually wrote (empty before any).
    virtual QString TargetFile() const = 0;
    virtual void setUrl(const QString& New_Url) = 0;
    virtual void setSaveLocation(const QString& New_Location) = 0;
    // Whether the file written takes the URL's extension (KeepType).
    virtual void setKeepType(bool keep) = 0;

    virtual void download() = 0;
    virtual void GetFileInformation() = 0;
    // Whether the machine is online, asked of the control's environment as
    // its own connection check asks.
    virtual bool CheckConnection() = 0;
    virtual void Cancel() = 0;
    virtual void Pause(bool blnPause) = 0;

Q_SIGNALS:
    // The control's nine events, as the control declares them.
    PATCHWELL_DOWNLOAD_EVENTS
};

}  // namespace patchwell::update
