#include "SingleInstance.h"

#include <QCryptographicHash>
#include <QLocalServer>
#include <QLocalSocket>

namespace zeph {

SingleInstance::SingleInstance(const QString& programFolder, QObject* parent) : QObject(parent) {
    QByteArray hash =
        QCryptographicHash::hash(programFolder.toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    m_name = QStringLiteral("ZEPHSearch-") + QString::fromLatin1(hash);
}

bool SingleInstance::handedOver(const QString& searchLine) {
    QLocalSocket socket;
    socket.connectToServer(m_name);
    if (!socket.waitForConnected(500)) return false;
    QString line = searchLine;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    socket.write("raise " + line.toUtf8() + "\n");
    socket.waitForBytesWritten(500);
    return true;
}

void SingleInstance::listen() {
    m_server = new QLocalServer(this);
    QLocalServer::removeServer(m_name);  // a socket left by a program that crashed
    m_server->listen(m_name);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            // "raise" and the search line, if any, on one line.
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine()) return;
                QString said = QString::fromUtf8(socket->readLine()).trimmed();
                emit raiseRequested(said.startsWith(QStringLiteral("raise "))
                                        ? said.mid(6).trimmed()
                                        : QString());
            });
        }
    });
}

}  // namespace zeph
