#include "http_server.h"

#include <QTcpSocket>
#include <QTimer>
#include <QUrl>

HttpServer::HttpServer(QObject *parent) : QObject(parent) {
    connect(&server_, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = server_.nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    });
}

bool HttpServer::listen() {
    return server_.listen(QHostAddress::LocalHost);
}

QUrl HttpServer::url(const QString &path) const {
    return QUrl(QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path));
}

void HttpServer::route(const QByteArray &path, const Response &response) {
    routes_.insert(path, response);
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
    ++hits_[path];

    const auto route = routes_.constFind(path);
    const Response response =
        route != routes_.cend()
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
