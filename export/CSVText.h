#pragma once

#include <QtGlobal>

#include <string>

class QString;

namespace kiv {

// The text in UTF-8 as a cell of a comma-separated row that cannot split its
// row or confuse a reader: every comma, line feed and carriage return becomes
// one blank, every double quote a single quote, and the other control
// characters except the tab are dropped.
std::string csvText(const QString& text);
std::string csvText(const std::string& utf8);

// The C runtime's ctime text in local time without its line end, with
// English names and a zero-padded day: "Wed Jan 02 02:03:55 1980". Empty
// when the time cannot be converted.
std::string ctimeString(qint64 secondsSinceEpoch);

} // namespace kiv
