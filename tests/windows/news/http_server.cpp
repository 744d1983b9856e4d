#include "http_server.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

HttpServer::HttpServer(QObject *parent) : QObject(parent) {
    connect(&m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool HttpServer::listen() {
    return m_server.listen(QHostAddress::LocalHost);
}

QUrl HttpServer::url(const QString &path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(m_server.serverPort()).arg(path));
}

void HttpServer::route(const QByteArray &path, const Response &response) {
    m_routes.insert(path, response);
}

void HttpServer::serve(QTcpSocket *socket) {
    // The request head may arrive in pieces; wait for all of it.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    if (!head.contains("\r\n\r\n")) {
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("head", QByteArray());

    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    QByteArray path = requestLine.value(1);
    path = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
    ++m_hits[path];

    const auto route = m_routes.constFind(path);
    const Response response =
        route != m_routes.cend()
            ? *route
            : Response{.body = "not found", .contentType = "text/plain", .status = 404};

    QByteArray reply = "HTTP/1.1 " + QByteArray::number(response.status) + " \r\n";
    reply += "Content-Type: " + response.contentType + "\r\n";
    reply += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
    for (const auto &[name, value] : response.headers)
        reply += name + ": " + value + "\r\n";
    reply += "Connection: close\r\n\r\n" + response.body;
    QTimer::singleShot(response.delayMs, socket, [socket, reply] {
        socket->write(reply);
        socket->disconnectFromHost();
    });
}
