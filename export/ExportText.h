#pragma once

#include <QtGlobal>

#include <ostream>
#include <sstream>
#include <string>

class QColor;
class QString;

namespace kiv {

// Texts and numbers of the export files. Numbers never follow the user's
// locale: every stream here uses the classic one.

// The line break of every export file.
inline constexpr const char* ExportLineBreak = "\r\n";

// Nesting depth of an indented document; one tab per level.
struct Indentation
{
    int level = 0;
};

// A string stream that writes numbers the same in every locale.
std::ostringstream classicStream();

// The text without the characters XML 1.0 does not allow: C0 controls other
// than tab, line feed and carriage return, U+FFFE, U+FFFF and surrogates
// without their partner.
QString xmlCharacters(const QString& text);
// UTF-8 text with &, ", ', < and > as entities; control characters that XML
// 1.0 forbids are dropped. Tab, line feed and carriage return stay.
std::string xmlEscape(const std::string& utf8);
// The same for a text, which also loses every other character XML forbids.
std::string xmlEscapedUtf8(const QString& text);
// An escaped attribute value. Readers turn a raw line break or tab there
// into a blank, so line feed, carriage return and tab are written as
// references.
std::string xmlAttributeText(const QString& text);
// A record id for an attribute or element: ids come from stored records, so
// even an odd one must not break the document.
std::string xmlId(const std::string& id);
// A CDATA section holding text; "]]>" inside is split over two sections.
std::string xmlCdata(const std::string& utf8);
// Every line break (LF, CR or CR LF) as one CR LF.
std::string crlfLineBreaks(const std::string& text);

// "aabbggrr" in lower-case hexadecimal; alpha is clamped to 0..1.
std::string kmlColor(const QColor& color, double alpha);
// ISO 8601 in UTC: yyyy-MM-ddThh:mm:ssZ.
std::string kmlTimeString(qint64 secondsSinceEpoch);
// The value with a fixed number of decimals and a degree sign.
std::string formatAngle(double value, int decimals);
// The value rounded to a whole number, zero-padded to width, and a degree sign.
std::string formatAnglePadded(double value, int width);
void writeIndent(std::ostream& stream, const Indentation& indentation);

// True for a photograph's heading that was taken: 0 up to below 360. The
// "none" value and -1 are not headings.
bool hasHeading(double heading);

// False for the "none" position (999, 999) and anything else off the globe.
bool hasGeographicPosition(double latitude, double longitude);

} // namespace kiv
