#pragma once

// `tilebay --toggle`: a second tilebay asks the running panel of the same
// user and display to drop into view with the keyboard, or to retract. The
// two meet at a local socket beside the instance lock, readable and writable
// by the owner only; the panel also checks that the peer runs as its user.
// The one command is the line "toggle"; anything else is ignored.

#include <QObject>
#include <QString>
#include <QStringList>

class QLocalServer;
class QLocalSocket;

namespace tilebay {

// True when the command line (without the program's name) asks for
// --toggle. Kept apart from the other options so that it stays one look-up.
bool IsToggleCommand(const QStringList& arguments);

// The socket beside the instance lock `lockPath` (".lock" becomes ".sock").
QString ToggleSocketPath(const QString& lockPath);

// The running panel's end: emits toggleRequested for each "toggle" line
// that a peer of our user sends, and answers it with "ok".
class ToggleServer : public QObject {
    Q_OBJECT
public:
    explicit ToggleServer(QObject* parent = nullptr);
    ~ToggleServer() override;
    // Listens at `path`; a socket file left there by a panel that ended is
    // replaced (the caller holds the instance lock, so none is running).
    bool Listen(const QString& path);

Q_SIGNALS:
    void toggleRequested();

private:
    void Serve(QLocalSocket* socket);

    QLocalServer* server_;
};

// Sends "toggle" to the panel at `path`; true when it answered within
// `timeoutMs`.
bool SendToggle(const QString& path, int timeoutMs);

}  // namespace tilebay
