#include "export/ExportText.h"

#include <QColor>
#include <QDateTime>
#include <QString>

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <locale>

namespace kiv {

namespace {

const char* const DegreeSign = "\xC2\xB0";

// Control characters XML 1.0 does not allow anywhere in a document.
bool isForbiddenControl(unsigned char c)
{
    return c < 0x20 && c != '\t' && c != '\n' && c != '\r';
}

// Length of the allowed character at i: 0 when XML forbids it, 2 for a
// surrogate pair.
int allowedLength(const QString& text, int i)
{
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return 2;
    const ushort unit = c.unicode();
    const bool control = unit < 0x20 && isForbiddenControl(static_cast<unsigned char>(unit));
    return control || c.isSurrogate() || unit == 0xFFFE || unit == 0xFFFF ? 0 : 1;
}

} // namespace

std::ostringstream classicStream()
{
    std::ostringstream stream;
    stream.imbue(std::locale::classic());
    return stream;
}

QString xmlCharacters(const QString& text)
{
    QString allowed;
    int kept = 0; // start of the text not yet taken over
    bool dropped = false;
    for (int i = 0; i < text.size();) {
        const int length = allowedLength(text, i);
        if (length > 0) {
            i += length;
            continue;
        }
        allowed += text.midRef(kept, i - kept);
        kept = ++i;
        dropped = true;
    }
    if (!dropped)
        return text;
    allowed += text.midRef(kept);
    return allowed;
}

std::string xmlEscape(const std::string& utf8)
{
    std::string escaped;
    escaped.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&apos;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        default:
            if (!isForbiddenControl(static_cast<unsigned char>(c)))
                escaped += c;
        }
    }
    return escaped;
}

std::string xmlEscapedUtf8(const QString& text)
{
    return xmlEscape(xmlCharacters(text).toStdString());
}

std::string xmlAttributeText(const QString& text)
{
    const std::string escaped = xmlEscapedUtf8(text);
    std::string attribute;
    attribute.reserve(escaped.size());
    for (const char c : escaped) {
        if (c == '\r')
            attribute += "&#13;";
        else if (c == '\n')
            attribute += "&#10;";
        else if (c == '\t')
            attribute += "&#9;";
        else
            attribute += c;
    }
    return attribute;
}

std::string xmlId(const std::string& id)
{
    return xmlEscapedUtf8(QString::fromStdString(id));
}

std::string xmlCdata(const std::string& utf8)
{
    std::string text;
    text.reserve(utf8.size());
    std::copy_if(utf8.begin(), utf8.end(), std::back_inserter(text),
                 [](char c) { return !isForbiddenControl(static_cast<unsigned char>(c)); });
    const std::string end = "]]>";
    std::string section = "<![CDATA[";
    std::size_t from = 0;
    for (std::size_t at = text.find(end); at != std::string::npos; at = text.find(end, from)) {
        // "]]" closes this section, ">" opens the next one.
        section.append(text, from, at + 2 - from);
        section += "]]><![CDATA[";
        from = at + 2;
    }
    section.append(text, from, std::string::npos);
    return section + end;
}

std::string crlfLineBreaks(const std::string& text)
{
    std::string converted;
    converted.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            converted += ExportLineBreak;
        } else if (c == '\n') {
            converted += ExportLineBreak;
        } else {
            converted += c;
        }
    }
    return converted;
}

std::string kmlColor(const QColor& color, double alpha)
{
    QColor withAlpha = color;
    withAlpha.setAlphaF(std::clamp(alpha, 0.0, 1.0));
    // #aarrggbb to aabbggrr.
    const std::string argb = withAlpha.name(QColor::HexArgb).toStdString().substr(1);
    return argb.substr(0, 2) + argb.substr(6, 2) + argb.substr(4, 2) + argb.substr(2, 2);
}

std::string kmlTimeString(qint64 secondsSinceEpoch)
{
    return QDateTime::fromSecsSinceEpoch(secondsSinceEpoch, Qt::UTC)
        .toString(Qt::ISODate)
        .toStdString();
}

std::string formatAngle(double value, int decimals)
{
    std::ostringstream stream = classicStream();
    stream << std::fixed << std::setprecision(decimals) << value << DegreeSign;
    return stream.str();
}

std::string formatAnglePadded(double value, int width)
{
    std::ostringstream stream = classicStream();
    stream << std::fixed << std::setprecision(0) << std::internal << std::setfill('0')
           << std::setw(width) << value << DegreeSign;
    return stream.str();
}

void writeIndent(std::ostream& stream, const Indentation& indentation)
{
    for (int i = 0; i < indentation.level; ++i)
        stream << '\t';
}

bool hasHeading(double heading)
{
    return heading >= 0.0 && heading < 360.0;
}

bool hasGeographicPosition(double latitude, double longitude)
{
    return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90.0
           && std::abs(longitude) <= 180.0;
}

} // namespace kiv
