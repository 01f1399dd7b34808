#include "geo/drivers/HttpClient.h"

#include <curl/curl.h>

#include <mutex>

namespace kiv::geo::Drivers {

namespace {

struct Transfer
{
    QByteArray body;
    qint64 maxBytes = 0;
    bool tooLarge = false;
    const ProgressCallback* progress = nullptr;
};

size_t onData(char* data, size_t size, size_t count, void* user)
{
    auto* t = static_cast<Transfer*>(user);
    const size_t n = size * count;
    if (t->body.size() + qint64(n) > t->maxBytes) {
        t->tooLarge = true;
        return 0;
    }
    t->body.append(data, int(n));
    return n;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    const auto* t = static_cast<Transfer*>(user);
    return t->progress && t->progress->isCanceled() ? 1 : 0;
}

} // namespace

void HttpClient::globalInit()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpClient::Response HttpClient::get(const QString& url, const Settings& settings,
                                     const ProgressCallback* progress)
{
    globalInit();
    Response response;
    CURL* curl = curl_easy_init();
    if (!curl) {
        response.error = QStringLiteral("Cannot start a transfer");
        return response;
    }
    Transfer transfer;
    transfer.maxBytes = settings.maxBytes;
    transfer.progress = progress;
    const QByteArray target = url.toUtf8();

    curl_easy_setopt(curl, CURLOPT_URL, target.constData());
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(settings.timeoutMs));
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(settings.connectTimeoutMs));
    curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
    if (!settings.userAgent.isEmpty())
        curl_easy_setopt(curl, CURLOPT_USERAGENT, settings.userAgent.constData());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, onData);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, onProgress);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &transfer);
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);

    const CURLcode rc = curl_easy_perform(curl);
    if (rc == CURLE_OK) {
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
        response.body = transfer.body;
    } else if (rc == CURLE_ABORTED_BY_CALLBACK) {
        response.cancelled = true;
        response.error = QStringLiteral("Cancelled");
    } else if (transfer.tooLarge) {
        response.error = QStringLiteral("Response too large");
    } else {
        response.error = QString::fromUtf8(curl_easy_strerror(rc));
    }
    curl_easy_cleanup(curl);
    return response;
}

} // namespace kiv::geo::Drivers
