#include "singleinstance.h"

#include "errorbox.h"
#include "orvexerror.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>
#include <QWidget>
#include <QtEndian>
#include <cstdio>
#include <unistd.h>

namespace {

constexpr int connectTimeoutMs = 2000;
// The running copy answers at once unless its user-interface thread is busy; a copy that stays
// silent this long is treated as gone.
constexpr int answerTimeoutMs = 10000;
constexpr int maxInstanceText = 255;
// Longer messages are not from us; the connection is dropped.
constexpr quint32 maxMessageBytes = 64 * 1024;

} // namespace

void TecSingleInstance::trace(const QString &line)
{
    if (qEnvironmentVariableIntValue("ORVEX_TRACE_INSTANCE") == 0)
        return;
    const QByteArray bytes = QStringLiteral("orvex: %1\n").arg(line).toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

TecSingleInstance::TecSingleInstance(QObject *parent) : QObject(parent) {}

TecSingleInstance::~TecSingleInstance()
{
    if (m_server)
        m_server->close(); // removes the socket file
}

QString TecSingleInstance::serverName() const
{
    // The user's private runtime folder keeps other users from taking the name first.
    QString folder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (folder.isEmpty() || !QFileInfo(folder).isDir())
        folder = QDir::tempPath();
    return folder + QStringLiteral("/TecSingleInst_%1-%2").arg(objectName()).arg(::getuid());
}

bool TecSingleInstance::isAnswering() const
{
    return m_server && m_server->isListening();
}

QString TecSingleInstance::instanceTextFromArguments(const QStringList &arguments)
{
    const QString first = arguments.value(1);
    return first.size() > maxInstanceText ? QString() : first;
}

TecSingleInstance::HandOver TecSingleInstance::handOver(const QString &text) const
{
    QLocalSocket socket;
    socket.connectToServer(serverName());
    if (!socket.waitForConnected(connectTimeoutMs)) {
        return socket.error() == QLocalSocket::ServerNotFoundError      ? HandOver::NoInstance
               : socket.error() == QLocalSocket::ConnectionRefusedError ? HandOver::NoInstance
                                                                        : HandOver::Refused;
    }
    const QByteArray payload = text.toUtf8();
    QByteArray message(4, '\0');
    qToBigEndian(quint32(payload.size()), message.data());
    message += payload;
    socket.write(message);
    if (!socket.waitForBytesWritten(answerTimeoutMs))
        return HandOver::Refused;
    while (socket.bytesAvailable() < 1) {
        if (!socket.waitForReadyRead(answerTimeoutMs))
            return HandOver::Refused;
    }
    char reply = 0;
    socket.getChar(&reply);
    return reply == '1' ? HandOver::Accepted : HandOver::Refused;
}

bool TecSingleInstance::CheckInstance(const QString &instanceText)
{
    if (!Active)
        return false;
    // Two copies started together may both find no instance; the one that loses the race to
    // listen hands over to the winner instead.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const HandOver result = handOver(instanceText);
        if (result == HandOver::Accepted)
            return true;
        if (result == HandOver::Refused)
            break; // the copy that refused keeps answering under the name
        if (!m_server) {
            m_server = new QLocalServer(this);
            connect(m_server, &QLocalServer::newConnection, this,
                    &TecSingleInstance::acceptConnection);
        }
        QLocalServer::removeServer(serverName()); // a socket left behind by a copy that crashed
        // Without socket options the name is bound in place, so a copy that won the race makes
        // this fail instead of being replaced.
        if (m_server->listen(serverName())) {
            trace(QStringLiteral("answering as %1").arg(serverName()));
            return false;
        }
        if (m_server->serverError() != QAbstractSocket::AddressInUseError)
            break;
    }
    // Without a socket of its own the program still runs; it only cannot answer new copies.
    trace(QStringLiteral("not answering new copies"));
    return false;
}

void TecSingleInstance::acceptConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // A peer that never completes its message is not left hanging on to us.
        QTimer::singleShot(answerTimeoutMs, socket, [socket] { socket->abort(); });
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (socket->property("answered").toBool() || socket->bytesAvailable() < 4)
                return;
            char header[4];
            socket->peek(header, 4);
            const quint32 length = qFromBigEndian<quint32>(header);
            if (length > maxMessageBytes) {
                socket->abort();
                return;
            }
            if (socket->bytesAvailable() < qint64(4 + length))
                return;
            socket->skip(4);
            const QString text = QString::fromUtf8(socket->read(length)).left(maxInstanceText);
            socket->setProperty("answered", true);
            answer(socket, text);
        });
    }
}

void TecSingleInstance::answer(QLocalSocket *socket, const QString &text)
{
    bool accept = true;
    trace(QStringLiteral("instance text received: \"%1\"").arg(text));
    if (Active && AcceptInstInfo) {
        try {
            AcceptInstInfo(text, accept);
        } catch (const OrvexError &e) {
            ErrorBox::show(qobject_cast<QWidget *>(parent()), e.message());
            accept = true;
        } catch (const std::exception &e) {
            ErrorBox::show(qobject_cast<QWidget *>(parent()), QString::fromLocal8Bit(e.what()));
            accept = true;
        }
    }
    if (!Active)
        accept = false;
    if (accept)
        bringMainWindowToFront();
    socket->write(accept ? "1" : "0");
    socket->flush();
    socket->disconnectFromServer();
}

void TecSingleInstance::bringMainWindowToFront()
{
    auto *owner = qobject_cast<QWidget *>(parent());
    QWidget *window = owner ? owner->window() : nullptr;
    if (!window)
        return;
    if (window->isMinimized())
        window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    window->raise();
    window->activateWindow();
    trace(QStringLiteral("brought to front"));
}
