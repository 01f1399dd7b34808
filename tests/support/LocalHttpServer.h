#pragma once

#include <QByteArray>
#include <QHash>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <memory>

class QObject;
class QTcpServer;
class QTcpSocket;
class QThread;

namespace kiv::test {

// A tiny HTTP/1.1 server on 127.0.0.1 for tests, running on its own thread
// so that blocking clients on the test thread get answers. Replies are set
// per path (the query is ignored for matching); unknown paths get 404.
class LocalHttpServer
{
public:
    struct Reply
    {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "image/png";
        bool hang = false; // accept the request and never answer
    };

    LocalHttpServer();
    ~LocalHttpServer();
    LocalHttpServer(const LocalHttpServer&) = delete;
    LocalHttpServer& operator=(const LocalHttpServer&) = delete;

    // Port 0 picks a free port; a stopped server may be started again.
    bool start(quint16 port = 0);
    void stop();
    bool isRunning() const { return server_ != nullptr; }

    quint16 port() const { return port_; }
    QString baseUrl() const;

    void setReply(const QString& path, const Reply& reply);
    // For every path that starts with `prefix` and has no reply of its own.
    void setPrefixReply(const QString& prefix, const Reply& reply);
    void clearReplies();

    int requestCount() const;
    int requestCount(const QString& path) const;
    QStringList requestTargets() const;
    // The method of each request, in the order of requestTargets().
    QStringList requestMethods() const;
    QByteArray lastUserAgent() const;

private:
    void onConnection();
    void onReadyRead(QTcpSocket* socket);
    Reply replyFor(const QString& path) const;

    QThread* thread_ = nullptr;
    QObject* context_ = nullptr;
    QTcpServer* server_ = nullptr;
    quint16 port_ = 0;

    mutable QMutex mutex_;
    QHash<QString, Reply> replies_;
    QHash<QString, Reply> prefixReplies_;
    QStringList targets_;
    QStringList methods_;
    QByteArray userAgent_;
};

} // namespace kiv::test
