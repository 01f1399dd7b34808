#pragma once

#include "geo/ProgressCallback.h"

#include <QByteArray>
#include <QString>

namespace kiv::geo::Drivers {

// Blocking HTTP(S) GET over libcurl, for the loader's network threads. Other
// schemes are refused, also as redirect targets.
class HttpClient
{
public:
    struct Settings
    {
        int timeoutMs = 30000;
        int connectTimeoutMs = 10000;
        QByteArray userAgent;
        qint64 maxBytes = 16 * 1024 * 1024;
    };

    struct Response
    {
        long status = 0; // HTTP status; 0 when no response arrived
        QByteArray body;
        QString error;   // transport error, empty when a response arrived
        bool cancelled = false;
    };

    // Calls curl_global_init once per process; libcurl counts calls, so a
    // program that also initialises it itself is fine.
    static void globalInit();

    static Response get(const QString& url, const Settings& settings,
                        const ProgressCallback* progress = nullptr);
};

} // namespace kiv::geo::Drivers
