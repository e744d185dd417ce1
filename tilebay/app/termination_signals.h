#pragma once

// SIGTERM, SIGINT and SIGHUP turned into a Qt signal on the event loop, so
// that the panel can show the desktop's panels and icons again before it
// ends. The handler only writes the signal number into a pipe.

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace tilebay {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; only one instance may exist at a time.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void received(int signalNumber);

private:
    void OnReadable();
    int fds_[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace tilebay
