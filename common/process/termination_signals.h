#pragma once

#include <QObject>

class QSocketNotifier;

namespace common {

// Turns SIGTERM, SIGINT and SIGHUP (log-out, kill, a closed terminal) into a
// Qt signal raised from the event loop, so the program can clean up before it
// ends. One instance at a time; the default actions return when it goes.
class TerminationSignals : public QObject {
    Q_OBJECT

public:
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

Q_SIGNALS:
    void Requested(int signalNumber);

private:
    void Drain();

    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace common
