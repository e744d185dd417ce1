#include "patchwell/download/control/download_environment.h"

#include <QCoreApplication>
#include <QThread>

#include <ctime>

#include "patchwell/download/http/http_policy.h"

namespace patchwell::download {

MessageAnswer AutoAnswerDialogs::MessageBox(const QString&, const QString&, MessageButtons buttons,
                                            MessageIcon) {
    return buttons == MessageButtons::YesNo ? MessageAnswer::Yes : MessageAnswer::Ok;
}

QString AutoAnswerDialogs::InputBox(const QString&, const QString&, const QString& defaultText) {
    return defaultText;
}

SystemDownLoadEnvironment::SystemDownLoadEnvironment(std::unique_ptr<DownLoadDialogs> dialogs,
                                                     std::unique_ptr<NetworkState> network,
                                                     CurlTransferOptions transferOptions)
    : dialogs_(dialogs ? std::move(dialogs) : std::make_unique<AutoAnswerDialogs>()),
      network_(network ? std::move(network) : MakeSystemNetworkState()),
      transferOptions_(std::move(transferOptions)) {
    transferOptions_.processEvents = [this] { ProcessEvents(); };
}

SystemDownLoadEnvironment::SystemDownLoadEnvironment(std::unique_ptr<DownLoadDialogs> dialogs,
                                                     std::unique_ptr<NetworkState> network)
    : SystemDownLoadEnvironment(std::move(dialogs), std::move(network), CurlTransferOptions()) {}

SystemDownLoadEnvironment::~SystemDownLoadEnvironment() = default;

void SystemDownLoadEnvironment::ProcessEvents() {
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::processEvents();
    }
}

void SystemDownLoadEnvironment::Sleep(int milliseconds) {
    QThread::msleep(static_cast<unsigned long>(milliseconds));
}

double SystemDownLoadEnvironment::TimeOfDay() {
    // The transfer reads the clock after every chunk. Asking the C library
    // for local time each time costs a look at the time zone file, so the
    // offset from UTC is looked up once a minute, on the minute.
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    if (now.tv_sec >= offsetValidUntil_) {
        tm local{};
        localtime_r(&now.tv_sec, &local);
        utcOffset_ = local.tm_gmtoff;
        offsetValidUntil_ = now.tv_sec - now.tv_sec % 60 + 60;
    }
    const long long seconds = (static_cast<long long>(now.tv_sec) + utcOffset_) % 86400;
    return static_cast<double>(seconds < 0 ? seconds + 86400 : seconds) +
           static_cast<double>(now.tv_nsec) / 1e9;
}

DownLoadDialogs& SystemDownLoadEnvironment::Dialogs() {
    return *dialogs_;
}

ConnectionStatus SystemDownLoadEnvironment::QueryConnection(const QString& url) {
    ConnectionStatus status = network_->Query();
    if (!http::ProxyFor(url.toStdString()).empty()) {
        status.flags |= ConnectionStatus::kProxy;
    }
    return status;
}

std::unique_ptr<InetTransfer> SystemDownLoadEnvironment::CreateTransfer() {
    return MakeCurlTransfer(transferOptions_);
}

}  // namespace patchwell::download
