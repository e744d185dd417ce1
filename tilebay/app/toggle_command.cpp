#include "tilebay/app/toggle_command.h"

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLoggingCategory>
#include <QTimer>

#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

namespace tilebay {

Q_LOGGING_CATEGORY(lcToggle, "tilebay.toggle", QtInfoMsg)

namespace {

const QByteArray kCommand = QByteArrayLiteral("toggle\n");
const QByteArray kAnswer = QByteArrayLiteral("ok\n");
constexpr qint64 kLongestLine = 64;
constexpr int kPeerTimeoutMs = 2000;

bool PeerIsOurUser(const QLocalSocket* socket) {
    ucred credentials{};
    socklen_t size = sizeof credentials;
    return ::getsockopt(static_cast<int>(socket->socketDescriptor()), SOL_SOCKET, SO_PEERCRED,
                        &credentials, &size) == 0 &&
           credentials.uid == ::getuid();
}

}  // namespace

bool IsToggleCommand(const QStringList& arguments) {
    return arguments.contains(QStringLiteral("--toggle"));
}

QString ToggleSocketPath(const QString& lockPath) {
    QString path = lockPath;
    if (path.endsWith(QStringLiteral(".lock"))) {
        path.chop(5);
    }
    return path + QStringLiteral(".sock");
}

ToggleServer::ToggleServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = server_->nextPendingConnection()) {
            Serve(socket);
        }
    });
}

ToggleServer::~ToggleServer() {
    server_->close();
}

bool ToggleServer::Listen(const QString& path) {
    QLocalServer::removeServer(path);
    const bool listening = server_->listen(path);
    if (!listening) {
        qCWarning(lcToggle) << "cannot listen at" << path << server_->errorString();
    }
    return listening;
}

void ToggleServer::Serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    if (!PeerIsOurUser(socket)) {
        socket->abort();
        socket->deleteLater();
        return;
    }
    // A peer that says nothing is dropped after a while.
    QTimer::singleShot(kPeerTimeoutMs, socket, [socket] { socket->abort(); });
    connect(socket, &QLocalSocket::readyRead, socket, [this, socket] {
        if (!socket->canReadLine()) {
            if (socket->bytesAvailable() > kLongestLine) {
                socket->abort();
            }
            return;
        }
        const QByteArray line = socket->readLine(kLongestLine + 1);
        if (line == kCommand) {
            socket->write(kAnswer);
            socket->flush();
            socket->disconnectFromServer();
            Q_EMIT toggleRequested();
        } else {
            socket->abort();
        }
    });
}

bool SendToggle(const QString& path, int timeoutMs) {
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(timeoutMs)) {
        return false;
    }
    socket.write(kCommand);
    if (!socket.waitForBytesWritten(timeoutMs)) {
        return false;
    }
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() <= kLongestLine) {
        if (!socket.waitForReadyRead(timeoutMs)) {
            break;
        }
        answer += socket.readAll();
    }
    return answer == kAnswer;
}

}  // namespace tilebay
