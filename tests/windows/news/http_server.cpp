#include "http_server.h"

#include <QFile>
#include <QProcess>
#include <QSslKey>
#include <QSslServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <QUrl>

namespace {

// A key and a self-signed certificate for 127.0.0.1; null, with the reason in error, when
// openssl fails.
QSslConfiguration selfSignedTls(QString *error) {
    QTemporaryDir folder;
    const QString key = folder.filePath(QStringLiteral("key.pem"));
    const QString certificate = folder.filePath(QStringLiteral("certificate.pem"));
    QProcess openssl;
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1",
                   "-nodes", "-days", "2", "-subj", "/CN=127.0.0.1", "-addext",
                   "subjectAltName=IP:127.0.0.1", "-keyout", key, "-out", certificate});
    if (!openssl.waitForFinished() || openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl: %1 %2")
                     .arg(openssl.errorString(), openssl.readAllStandardError());
        return {};
    }
    QFile keyFile(key), certificateFile(certificate);
    if (!keyFile.open(QIODevice::ReadOnly) || !certificateFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("openssl wrote no key or certificate");
        return {};
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setPrivateKey(QSslKey(&keyFile, QSsl::Ec));
    tls.setLocalCertificate(QSslCertificate(&certificateFile));
    return tls;
}

} // namespace

HttpServer::HttpServer(Scheme scheme, QObject *parent) : QObject(parent), tls_(scheme == Https) {
    if (tls_) {
        auto server = std::make_unique<QSslServer>();
        server->setSslConfiguration(selfSignedTls(&error_));
        server_ = std::move(server);
    } else {
        server_ = std::make_unique<QTcpServer>();
    }
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

bool HttpServer::listen() {
    if (!error_.isEmpty())
        return false;
    if (!server_->listen(QHostAddress::LocalHost))
        error_ = server_->errorString();
    return error_.isEmpty();
}

QUrl HttpServer::url(const QString &path) const {
    return QUrl(QStringLiteral("%1://127.0.0.1:%2%3")
                    .arg(tls_ ? "https" : "http")
                    .arg(server_->serverPort())
                    .arg(path));
}

void HttpServer::route(const QByteArray &path, const Response &response) {
    routes_.insert(path, response);
}

void HttpServer::serve(QTcpSocket *socket) {
    // The request head may arrive in pieces; wait for all of it.
    QByteArray head = socket->property("head").toByteArray() + socket->readAll();
    // A TLS handshake sent to plain http: refused at once, as a web server answers it.
    if (!tls_ && head.startsWith('\x16')) {
        socket->abort();
        return;
    }
    if (!head.contains("\r\n\r\n")) {
        socket->setProperty("head", head);
        return;
    }
    socket->setProperty("head", QByteArray());

    const QList<QByteArray> requestLine = head.left(head.indexOf("\r\n")).split(' ');
    QByteArray path = requestLine.value(1);
    path = path.left(path.indexOf('?') < 0 ? path.size() : path.indexOf('?'));
    requests_ << path;

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
