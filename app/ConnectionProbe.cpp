#include "app/ConnectionProbe.h"

#include "app/OnlineTileSettings.h"

#include <curl/curl.h>

namespace kiv {

namespace {

constexpr long ConnectTimeoutSeconds = 3;
// A host that accepts and never answers must not hold the caller for good.
constexpr long TotalTimeoutSeconds = 5;

int abortWhenAsked(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

} // namespace

ConnectionProbe::ConnectionProbe()
    : m_handle(curl_easy_init())
{
}

ConnectionProbe::~ConnectionProbe()
{
    if (m_handle)
        curl_easy_cleanup(static_cast<CURL*>(m_handle));
}

QUrl ConnectionProbe::defaultUrl()
{
    QUrl url = urlWithDefaultScheme(onlineTileSettings().endpoint);
    const QString probeHost = qEnvironmentVariable("QUARZEL_PROBE_HOST");
    if (!probeHost.isEmpty())
        url = withHostAndPort(url, probeHost);
    if (!url.isValid() || url.host().isEmpty())
        return QUrl();
    url.setPath(QStringLiteral("/"));
    url.setQuery(QString());
    url.setFragment(QString());
    url.setUserInfo(QString());
    return url;
}

int ConnectionProbe::probe(const QUrl& url, const std::atomic<bool>* abort)
{
    CURL* curl = static_cast<CURL*>(m_handle);
    if (!curl || !url.isValid() || url.host().isEmpty())
        return -1;
    const QByteArray address = url.toEncoded();
    curl_easy_reset(curl);
    curl_easy_setopt(curl, CURLOPT_URL, address.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, ConnectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, TotalTimeoutSeconds);
    // Signal-based time-outs are unsafe beside the tile loader's threads.
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    if (abort) {
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, abortWhenAsked);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(abort));
    }
    return curl_easy_perform(curl);
}

} // namespace kiv
