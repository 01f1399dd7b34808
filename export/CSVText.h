#pragma once

#include <QtGlobal>

#include <string>

class QString;

namespace kiv {

// The text with every comma, line feed and carriage return as one blank, in
// UTF-8: a cell of a comma-separated row that cannot split its row.
std::string csvText(const QString& text);

// The C runtime's ctime text in local time without its line end, with
// English names and a zero-padded day: "Wed Jan 02 02:03:55 1980". Empty
// when the time cannot be converted.
std::string ctimeString(qint64 secondsSinceEpoch);

} // namespace kiv
