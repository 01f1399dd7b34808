#pragma once

#include <QUrl>

#include <atomic>

namespace kiv {

// One libcurl easy handle for header-only requests that tell whether the
// online tile service can be reached. libcurl's global initialisation belongs
// to main, which runs it before any thread exists.
class ConnectionProbe
{
public:
    ConnectionProbe();
    ~ConnectionProbe();
    ConnectionProbe(const ConnectionProbe&) = delete;
    ConnectionProbe& operator=(const ConnectionProbe&) = delete;

    // The root of the tile service's host: the endpoint's scheme (http when it
    // has none), host and port, path "/". QUARZEL_PROBE_HOST ("host[:port]")
    // replaces the host alone. Empty when there is no host.
    static QUrl defaultUrl();

    // Sends one HEAD request and returns libcurl's result code: 0 when the
    // host answered, whatever the HTTP status. -1 without a handle or a URL
    // (nothing is sent). A set abort flag ends a request in progress.
    int probe(const QUrl& url, const std::atomic<bool>* abort = nullptr);

private:
    void* m_handle = nullptr;
};

} // namespace kiv
