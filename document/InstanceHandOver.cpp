// The single-instance hand-over over a local socket.
#include "InstanceHandOver.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <unistd.h>

namespace vantorel {

namespace {

constexpr qsizetype kMaxText = 64000;

} // namespace

InstanceHandOver::InstanceHandOver(QString channel) : m_channel(std::move(channel)) {}

InstanceHandOver::~InstanceHandOver() = default;

QString InstanceHandOver::DefaultChannel() {
    return QStringLiteral("vantorel-%1").arg(::getuid());
}

bool InstanceHandOver::HandOver(const QStringList& arguments, int timeoutMs) const {
    if (arguments.isEmpty())
        return false;
    QLocalSocket socket;
    socket.connectToServer(m_channel);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    QString text;
    for (const QString& a : arguments)
        text += a + QStringLiteral("\r\n");
    socket.write(text.left(kMaxText).toUtf8());
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState)
        socket.waitForDisconnected(timeoutMs);
    return true;
}

bool InstanceHandOver::Listen(std::function<void(const QStringList& lines)> onLines) {
    m_onLines = std::move(onLines);
    m_server = std::make_unique<QLocalServer>();
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_channel)) {
        // A channel left behind by an instance that ended without closing it.
        QLocalServer::removeServer(m_channel);
        if (!m_server->listen(m_channel))
            return false;
    }
    QObject::connect(m_server.get(), &QLocalServer::newConnection, m_server.get(), [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            auto buffer = std::make_shared<QByteArray>();
            QObject::connect(socket, &QLocalSocket::readyRead, socket, [socket, buffer] {
                *buffer += socket->readAll();
                if (buffer->size() > kMaxText * 4)
                    socket->abort();
            });
            QObject::connect(socket, &QLocalSocket::disconnected, socket, [this, socket, buffer] {
                *buffer += socket->readAll();
                const QStringList lines =
                    QString::fromUtf8(*buffer).left(kMaxText).split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
                socket->deleteLater();
                if (!lines.isEmpty() && m_onLines)
                    m_onLines(lines);
            });
        }
    });
    return true;
}

} // namespace vantorel
