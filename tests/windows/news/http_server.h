#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSslConfiguration>
#include <QTcpServer>
#include <memory>

// Minimal HTTP/1.1 server on 127.0.0.1 for tests: fixed responses per path, one request per
// connection, and a count of the requests seen per path. Given a TLS configuration it serves
// https.
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

    explicit HttpServer(QObject *parent = nullptr);
    explicit HttpServer(const QSslConfiguration &tls, QObject *parent = nullptr);
    ~HttpServer() override;

    // A key and a self-signed certificate for 127.0.0.1, made with openssl; null, with the
    // reason in error, when that fails.
    static QSslConfiguration selfSignedTls(QString *error);

    bool listen();
    QUrl url(const QString &path) const;
    void route(const QByteArray &path, const Response &response);
    int hits(const QByteArray &path) const { return hits_.value(path); }
    void close() { server_->close(); }

private:
    void watch();
    void serve(class QTcpSocket *socket);

    std::unique_ptr<QTcpServer> server_;
    bool tls_ = false;
    QHash<QByteArray, Response> routes_;
    QHash<QByteArray, int> hits_;
};
