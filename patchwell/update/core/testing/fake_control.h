#pragma once

// A scripted download control for tests: the probe and the transfer do what
// the test says and raise the events it asks for.

#include <QStringList>

#include <functional>

#include "patchwell/update/core/logic/control_port.h"

namespace patchwell::update {

class FakeControl : public ControlPort {
    Q_OBJECT

public:
    using ControlPort::ControlPort;

    bool InDL() const override { return inDL; }
    bool CPause() const override { return cPause; }
    bool Connected() const override { return connected; }
    qint64 FileSize() const override { return fileSize; }
    QString Url() const override { return url; }
    QString SaveLocation() const override { return saveLocation; }
    QString TargetFile() const override { return targetFile; }
    void setUrl(const QString& New_Url) override {
        url = New_Url;
        calls << QStringLiteral("Url=") + New_Url;
    }
    void setSaveLocation(const QString& New_Location) override {
        saveLocation = New_Location;
        calls << QStringLiteral("SaveLocation=") + New_Location;
    }
    void setKeepType(bool keep) override { keepType = keep; }

    void download() override {
        calls << QStringLiteral("download");
        if (onDownload) {
            onDownload(*this);
        }
    }
    void GetFileInformation() override {
        calls << QStringLiteral("GetFileInformation");
        fileSize = probeSize;
        if (onProbe) {
            onProbe(*this);
        }
    }
    bool CheckConnection() override {
        ++connectionChecks;
        return online;
    }
    void Cancel() override { calls << QStringLiteral("Cancel"); }
    void Pause(bool blnPause) override {
        cPause = blnPause;
        calls << (blnPause ? QStringLiteral("Pause(true)") : QStringLiteral("Pause(false)"));
    }

    // Raise the events as the real control would.
    void RaiseComplete() { Q_EMIT DLComplete(); }
    void RaiseError(const QString& text) { Q_EMIT DLError(text); }
    void RaiseCode(qint32 code) { Q_EMIT DLECode(code); }
    void RaiseProgress(qint64 bytes, qint32 percent) {
        Q_EMIT RecievedBytes(bytes);
        Q_EMIT Percent(percent);
    }
    void RaiseStatus(const QString& text) { Q_EMIT StatusChange(text); }
    void RaiseRate(const QString& text) { Q_EMIT Rate(text); }
    void RaiseTimeLeft(const QString& text) { Q_EMIT TimeLeft(text); }

    bool inDL = false;
    bool cPause = false;
    bool connected = true;
    bool online = true;  // what the next connection check finds
    int connectionChecks = 0;
    qint64 fileSize = 0;
    qint64 probeSize = 0;  // what the next probe finds
    QString url;
    QString saveLocation;
    QString targetFile;
    bool keepType = true;  // as the download window's saved set has it
    QStringList calls;
    std::function<void(FakeControl&)> onProbe;
    std::function<void(FakeControl&)> onDownload;
};

}  // namespace patchwell::update
