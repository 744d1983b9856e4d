#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QString>
#include <QTcpServer>
#include <QUrl>
#include <memory>

// An HTTP/1.1 server on 127.0.0.1 for tests: fixed responses per path, one request per
// connection, and the paths requested, in order. An Https server has a self-signed certificate
// of its own, made with openssl. Every server answers /painted, which pages fetch once painted.
class HttpServer : public QObject {
    Q_OBJECT

public:
    struct Response {
        QByteArray body;
        QByteArray contentType = "text/html; charset=utf-8";
        QList<QPair<QByteArray, QByteArray>> headers = {};
        int status = 200;
        int delayMs = 0;
    };
    enum Scheme { Http, Https };

    explicit HttpServer(Scheme scheme = Http);
    // False, with the reason in error(), when the server cannot serve.
    bool listen();
    const QString &error() const { return error_; }
    // The engine's switch that trusts this server's key, and no other.
    QByteArray trustSwitch() const;
    QUrl url(const QString &path) const {
        const QString scheme = tls_ ? "https" : "http";
        return QUrl(scheme + "://127.0.0.1:" + QString::number(server_->serverPort()) + path);
    }
    void route(const QByteArray &path, const Response &response) { routes_[path] = response; }
    int hits(const QByteArray &path) const { return int(requests_.count(path)); }
    // Whether later has been requested since the last request for path.
    bool requestedAfter(const QByteArray &path, const QByteArray &later) const {
        return requests_.lastIndexOf(later) > requests_.lastIndexOf(path);
    }

private:
    void serve(class QTcpSocket *socket);

    bool tls_;
    std::unique_ptr<QTcpServer> server_;
    QString error_;
    QHash<QByteArray, Response> routes_;
    QByteArrayList requests_;
};
