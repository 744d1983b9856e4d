#include "http_server.h"

#include <QCryptographicHash>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

// A key and a self-signed certificate for 127.0.0.1; the reason in error if openssl fails.
QSslConfiguration selfSignedTls(QString *error) {
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", "/dev/stdout"});
    const bool ended = openssl.waitForFinished() && openssl.exitCode() == 0;
    const QByteArray pem = openssl.readAllStandardOutput();
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPrivateKey(QSslKey(pem, QSsl::Ec));
    tls.setLocalCertificate(QSslCertificate(pem));
    if (!ended || tls.privateKey().isNull() || tls.localCertificate().isNull())
        *error = QStringLiteral("openssl: %1 %2")
                     .arg(openssl.errorString(), openssl.readAllStandardError());
    return tls;
}

} // namespace

HttpServer::HttpServer(Scheme scheme)
    : tls_(scheme == Https), server_(tls_ ? new QSslServer : new QTcpServer) {
    if (tls_)
        static_cast<QSslServer *>(server_.get())->setSslConfiguration(selfSignedTls(&error_));
    route("/painted", {.body = "", .contentType = "text/plain"});
    // Both kinds of server say so once a connection is ready: for TLS, after the handshake.
    connect(server_.get(), &QTcpServer::pendingConnectionAvailable, this, [this] {
        while (QTcpSocket *socket = server_->nextPendingConnection()) {
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            if (socket->bytesAvailable())
                serve(socket);
        }
    });
}

QByteArray HttpServer::trustSwitch() const {
    const QSslKey key =
        static_cast<QSslServer *>(server_.get())->sslConfiguration().localCertificate().publicKey();
    return " --ignore-certificate-errors-spki-list=" +
           QCryptographicHash::hash(key.toDer(), QCryptographicHash::Sha256).toBase64();
}

bool HttpServer::listen() {
    if (error_.isEmpty() && !server_->listen(QHostAddress::LocalHost))
        error_ = server_->errorString();
    return error_.isEmpty();
}

void HttpServer::serve(QTcpSocket *socket) {
    // The request head may arrive in pieces; wait for all of it.
    const QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    // A TLS handshake sent to plain http: refused at once, as a web server answers it.
    if (!tls_ && head.startsWith('\x16'))
        return socket->abort();
    const bool whole = head.contains("\r\n\r\n");
    socket->setProperty("head", whole ? QByteArray() : head);
    if (!whole)
        return;
    const QByteArray path = head.left(head.indexOf("\r\n")).split(' ').value(1).split('?').first();
    requests_ << path;
    const Response response =
        routes_.value(path, {.body = "not found", .contentType = "text/plain", .status = 404});
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
