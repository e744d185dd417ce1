#include "download_environment.h"

#include <QCoreApplication>
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
    return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
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
