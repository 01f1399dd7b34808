#include "model/MBTilesBounds.h"

#include "geo/drivers/MBTilesDatabase.h"

#include <QDebug>
#include <QStringList>

#include <sqlite3.h>

#include <cmath>

namespace kiv {

namespace {

// Splits at commas; ' and " quote a part and are removed.
QStringList splitQuoted(const QString& text)
{
    QStringList parts;
    QString current;
    QChar quote;
    for (const QChar c : text) {
        if (quote.isNull() && (c == QLatin1Char('\'') || c == QLatin1Char('"'))) {
            quote = c;
        } else if (!quote.isNull() && c == quote) {
            quote = QChar();
        } else if (quote.isNull() && c == QLatin1Char(',')) {
            parts << current;
            current.clear();
        } else {
            current += c;
        }
    }
    parts << current;
    return parts;
}

bool readBoundsText(geo::Drivers::MBTilesDatabase& database, QString* text)
{
    sqlite3* db = database.handle();
    database.armGuard();
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT value from metadata where name = ?", -1, &statement, nullptr) != SQLITE_OK)
        return false;
    bool found = false;
    if (sqlite3_bind_text(statement, 1, "bounds", -1, SQLITE_STATIC) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW) {
        const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        *text = value ? QString::fromUtf8(value) : QString();
        found = true;
    }
    sqlite3_finalize(statement);
    return found;
}

// A part that is not a finite number counts as 0.
double coordinate(const QString& part)
{
    const double value = part.toDouble();
    return std::isfinite(value) ? value : 0.0;
}

} // namespace

QRectF readMBTilesBounds(const QUrl& url)
{
    QString refusal;
    const std::unique_ptr<geo::Drivers::MBTilesDatabase> database =
        geo::Drivers::MBTilesDatabase::open(url.toLocalFile(), &refusal);
    if (!database) {
        qWarning().noquote() << "readMBTilesBounds: map refused:" << url.toLocalFile() << refusal;
        return {};
    }
    QString text;
    if (!readBoundsText(*database, &text))
        return {};

    const QStringList parts = splitQuoted(text);
    if (parts.size() != 4)
        return {};
    const double west = coordinate(parts[0]);
    const double south = coordinate(parts[1]);
    const double east = coordinate(parts[2]);
    const double north = coordinate(parts[3]);
    return QRectF(std::min(west, east), std::min(south, north), std::abs(east - west), std::abs(north - south));
}

} // namespace kiv
