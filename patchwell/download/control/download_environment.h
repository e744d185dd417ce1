#pragma once

// Everything the download control needs from its surroundings, in one small
// mediator: the host's event hook, the clock, the dialogs, the network state
// and the factory of the inner transfer component. The programs use
// SystemDownLoadEnvironment; the tests hand in fakes.

#include <QString>
#include <QtGlobal>

#include <memory>

#include "common/widgets/message_box_kinds.h"
#include "patchwell/download/transfer/inet_transfer.h"

namespace patchwell::download {

// The kinds of message box the control asks for (Exclamation, Stop ...): the
// kinds of both programs' message box, so a host passes them on unchanged.
using MessageIcon = common::BoxIcon;
using MessageButtons = common::BoxButtons;
using MessageAnswer = common::BoxAnswer;

// The message box and the input dialog of the overwrite exchange and the
// offline notice.
class DownLoadDialogs {
public:
    virtual ~DownLoadDialogs() = default;
    // An empty title stands for the application's title.
    virtual MessageAnswer MessageBox(const QString& text, const QString& title,
                                     MessageButtons buttons, MessageIcon icon) = 0;
    // The text typed, or an empty text when the dialog is dismissed.
    virtual QString InputBox(const QString& prompt, const QString& title,
                             const QString& defaultText) = 0;
};

// Answers every question without asking anyone: OK, Yes, and the default
// text. Used where no display is available.
class AutoAnswerDialogs : public DownLoadDialogs {
public:
    MessageAnswer MessageBox(const QString& text, const QString& title, MessageButtons buttons,
                             MessageIcon icon) override;
    QString InputBox(const QString& prompt, const QString& title,
                     const QString& defaultText) override;
};

// Whether the machine is online and through which kinds of connection.
struct ConnectionStatus {
    static constexpr quint32 kModem = 1;  // point-to-point or mobile broadband
    static constexpr quint32 kLan = 2;    // Ethernet or wireless
    static constexpr quint32 kProxy = 4;  // the address goes through a proxy
    bool online = false;
    quint32 flags = 0;
};

class NetworkState {
public:
    virtual ~NetworkState() = default;
    virtual ConnectionStatus Query() const = 0;
};

// The machine's own state: interfaces, routes and proxy variables.
std::unique_ptr<NetworkState> MakeLinuxNetworkState();
// Qt's network information where a backend loads, else MakeLinuxNetworkState.
std::unique_ptr<NetworkState> MakeSystemNetworkState();

class DownLoadEnvironment {
public:
    virtual ~DownLoadEnvironment() = default;

    // Lets the host process its pending events once.
    virtual void ProcessEvents() = 0;
    // Waits about `milliseconds` without using the processor.
    virtual void Sleep(int milliseconds) = 0;
    // Seconds since local midnight, with fractions.
    virtual double TimeOfDay() = 0;
    virtual DownLoadDialogs& Dialogs() = 0;
    // The machine's connection, and whether a request to `url` would go
    // through a proxy.
    virtual ConnectionStatus QueryConnection(const QString& url) = 0;
    // A new inner transfer component whose waits call ProcessEvents().
    virtual std::unique_ptr<InetTransfer> CreateTransfer() = 0;
};

// The real environment: Qt's event processing, the system clock, the Linux
// network state and libcurl transfers.
class SystemDownLoadEnvironment : public DownLoadEnvironment {
public:
    // Null dialogs mean AutoAnswerDialogs; a null network state means the
    // machine's own. The event hook of `transferOptions` is replaced by
    // ProcessEvents(). Without `transferOptions`, the transfer's defaults
    // are made here rather than at each caller (GCC 12 at -O3 takes a
    // default-argument temporary with string members for uninitialised).
    explicit SystemDownLoadEnvironment(std::unique_ptr<DownLoadDialogs> dialogs = {},
                                       std::unique_ptr<NetworkState> network = {});
    SystemDownLoadEnvironment(std::unique_ptr<DownLoadDialogs> dialogs,
                              std::unique_ptr<NetworkState> network,
                              CurlTransferOptions transferOptions);
    ~SystemDownLoadEnvironment() override;

    void ProcessEvents() override;
    void Sleep(int milliseconds) override;
    double TimeOfDay() override;
    DownLoadDialogs& Dialogs() override;
    // The proxy flag as the transfer's library decides for `url`.
    ConnectionStatus QueryConnection(const QString& url) override;
    std::unique_ptr<InetTransfer> CreateTransfer() override;

    const CurlTransferOptions& transferOptions() const { return transferOptions_; }

private:
    std::unique_ptr<DownLoadDialogs> dialogs_;
    std::unique_ptr<NetworkState> network_;
    CurlTransferOptions transferOptions_;
    long utcOffset_ = 0;
    long long offsetValidUntil_ = 0;
};

}  // namespace patchwell::download
