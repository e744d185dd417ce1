#include "download_environment.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>
#include <QTime>

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
      network_(network ? std::move(network) : MakeLinuxNetworkState()),
      transferOptions_(std::move(transferOptions)) {
    transferOptions_.processEvents = [this] { ProcessEvents(); };
}

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
    // A conversion to local time makes the C library look at the time-zone
    // file on disk each time, and the transfer asks for the time once per
    // chunk. So the start of the local day is worked out at most once a
    // second (and whenever the clock goes back or a day has passed), and the
    // time of day follows from the wall clock alone in between.
    const qint64 nowMs = QDateTime::currentMSecsSinceEpoch();
    if (nowMs >= dayStartValidUntilMs_ || nowMs < dayStartMs_ ||
        nowMs - dayStartMs_ >= 24 * 3600 * 1000) {
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(nowMs, Qt::LocalTime);
        dayStartMs_ = nowMs - local.time().msecsSinceStartOfDay();
        dayStartValidUntilMs_ = nowMs + 1000;
    }
    return static_cast<double>(nowMs - dayStartMs_) / 1000.0;
}

DownLoadDialogs& SystemDownLoadEnvironment::Dialogs() {
    return *dialogs_;
}

ConnectionStatus SystemDownLoadEnvironment::QueryConnection() {
    return network_->Query();
}

std::unique_ptr<InetTransfer> SystemDownLoadEnvironment::CreateTransfer() {
#ifdef PW_HAVE_CURL_TRANSFER
    return MakeCurlTransfer(transferOptions_);
#else
    throw TransferError("the transfer component is not part of this build");
#endif
}

}  // namespace patchwell::download
