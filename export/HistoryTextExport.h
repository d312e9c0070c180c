#pragma once

#include "export/CellSource.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

namespace corvinel::history_text {

// "更新至" + the stored issue number of the last draw + "期历史号码.txt".
QString fileName(std::int64_t lastStoredIssue);

// A cell of columns 1..8 as the file holds it: a number with at least two
// digits (5 -> "05", 123 -> "123", -5 -> "-05", 4.6 -> "05"); any text that is
// not a number unchanged.
QString formatCell(const QString& cell);

// The file's bytes: one line per data row of the history grid (row 0 is its
// header and is skipped): column 0, a space, then columns 1..8 each formatted
// and followed by a space; CR LF after every line; the system's narrow
// character set.
QByteArray render(const CellSource& historyGrid);

// Writes the file into `folder`, replacing an old one atomically. With no last
// draw (an empty history) nothing is written and the result says so.
ExportResult write(const QString& folder, std::optional<std::int64_t> lastStoredIssue, const CellSource& historyGrid);

} // namespace corvinel::history_text
