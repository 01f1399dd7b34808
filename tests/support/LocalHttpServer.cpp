#include "support/LocalHttpServer.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QUrl>

namespace kiv::test {

namespace {
QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200: return "OK";
    case 204: return "No Content";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    default: return "Status";
    }
}
} // namespace

LocalHttpServer::LocalHttpServer() = default;

LocalHttpServer::~LocalHttpServer()
{
    stop();
}

bool LocalHttpServer::start(quint16 port)
{
    if (server_)
        return true;
    thread_ = new QThread;
    context_ = new QObject;
    context_->moveToThread(thread_);
    thread_->start();
    bool ok = false;
    QMetaObject::invokeMethod(
        context_,
        [this, port, &ok] {
            server_ = new QTcpServer(context_);
            ok = server_->listen(QHostAddress::LocalHost, port);
            port_ = server_->serverPort();
            QObject::connect(server_, &QTcpServer::newConnection, server_,
                             [this] { onConnection(); });
        },
        Qt::BlockingQueuedConnection);
    if (!ok)
        stop();
    return ok;
}

void LocalHttpServer::stop()
{
    if (!thread_)
        return;
    // Sockets and the server belong to the server thread; end them there.
    QMetaObject::invokeMethod(
        context_,
        [this] {
            delete server_;
            server_ = nullptr;
            qDeleteAll(context_->children());
        },
        Qt::BlockingQueuedConnection);
    thread_->quit();
    thread_->wait();
    delete context_;
    delete thread_;
    context_ = nullptr;
    thread_ = nullptr;
}

QString LocalHttpServer::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

void LocalHttpServer::setReply(const QString& path, const Reply& reply)
{
    QMutexLocker lock(&mutex_);
    replies_.insert(path, reply);
}

void LocalHttpServer::setPrefixReply(const QString& prefix, const Reply& reply)
{
    QMutexLocker lock(&mutex_);
    prefixReplies_.insert(prefix, reply);
}

void LocalHttpServer::clearReplies()
{
    QMutexLocker lock(&mutex_);
    replies_.clear();
    prefixReplies_.clear();
}

int LocalHttpServer::requestCount() const
{
    QMutexLocker lock(&mutex_);
    return targets_.size();
}

int LocalHttpServer::requestCount(const QString& path) const
{
    QMutexLocker lock(&mutex_);
    int n = 0;
    for (const QString& t : targets_)
        if (QUrl(t).path() == path)
            ++n;
    return n;
}

QStringList LocalHttpServer::requestTargets() const
{
    QMutexLocker lock(&mutex_);
    return targets_;
}

QStringList LocalHttpServer::requestMethods() const
{
    QMutexLocker lock(&mutex_);
    return methods_;
}

QByteArray LocalHttpServer::lastUserAgent() const
{
    QMutexLocker lock(&mutex_);
    return userAgent_;
}

LocalHttpServer::Reply LocalHttpServer::replyFor(const QString& path) const
{
    QMutexLocker lock(&mutex_);
    const auto exact = replies_.constFind(path);
    if (exact != replies_.constEnd())
        return exact.value();
    // The longest matching prefix wins.
    const Reply* chosen = nullptr;
    int longest = -1;
    for (auto it = prefixReplies_.constBegin(); it != prefixReplies_.constEnd(); ++it)
        if (path.startsWith(it.key()) && it.key().size() > longest) {
            chosen = &it.value();
            longest = it.key().size();
        }
    if (chosen)
        return *chosen;
    Reply notFound;
    notFound.status = 404;
    return notFound;
}

void LocalHttpServer::onConnection()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        // Keep hanging sockets alive until stop() by parenting them to the context.
        socket->setParent(context_);
        QObject::connect(socket, &QTcpSocket::readyRead, socket,
                         [this, socket] { onReadyRead(socket); });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    }
}

void LocalHttpServer::onReadyRead(QTcpSocket* socket)
{
    QByteArray request = socket->property("request").toByteArray() + socket->readAll();
    socket->setProperty("request", request);
    const int end = request.indexOf("\r\n\r\n");
    if (end < 0 || socket->property("answered").toBool())
        return;
    socket->setProperty("answered", true);

    const QList<QByteArray> lines = request.left(end).split('\n');
    const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
    const QString method = QString::fromLatin1(requestLine.value(0));
    const QString target = QString::fromLatin1(requestLine.value(1));
    QByteArray agent;
    for (const QByteArray& line : lines)
        if (line.toLower().startsWith("user-agent:"))
            agent = line.mid(11).trimmed();
    {
        QMutexLocker lock(&mutex_);
        targets_.append(target);
        methods_.append(method);
        userAgent_ = agent;
    }

    const Reply reply = replyFor(QUrl(target).path());
    if (reply.hang)
        return;
    QByteArray head = "HTTP/1.1 " + QByteArray::number(reply.status) + ' '
        + reasonPhrase(reply.status) + "\r\n";
    if (reply.status != 204)
        head += "Content-Type: " + reply.contentType + "\r\nContent-Length: "
            + QByteArray::number(reply.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    socket->write(head);
    // A HEAD reply carries the headers of the body but not the body.
    if (reply.status != 204 && method != QLatin1String("HEAD"))
        socket->write(reply.body);
    socket->disconnectFromHost();
}

} // namespace kiv::test
