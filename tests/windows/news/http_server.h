#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>
#include <QTcpServer>

// Minimal HTTP/1.1 server on 127.0.0.1 for tests: fixed responses per path,
// one request per connection, and a count of the requests seen per path.
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

    bool listen();
    QUrl url(const QString &path) const;
    void route(const QByteArray &path, const Response &response);
    int hits(const QByteArray &path) const { return hits_.value(path); }
    void close() { server_.close(); }

private:
    void serve(class QTcpSocket *socket);

    QTcpServer server_;
    QHash<QByteArray, Response> routes_;
    QHash<QByteArray, int> hits_;
};
