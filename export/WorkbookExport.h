#pragma once

#include "export/CellSource.h"

#include <QString>

namespace corvinel::workbook {

// The workbooks of the three grids, in the data folder.
inline constexpr const char* kHistoryFile = "lishi.xlsx"; // MSFlexGrid1
inline constexpr const char* kMatchesFile = "Jiansuo.xlsx"; // MSFlexGrid2
inline constexpr const char* kRankingFile = "Jieguo.xlsx"; // MSFlexGrid3
inline constexpr const char* kChanceFile = "Jianyan.xlsx"; // the table "统计检验"
inline constexpr const char* kSheetName = "Sheet1";

// Writes every cell of `grid` (header rows and columns included) as text into
// the first sheet "Sheet1" of a new workbook: grid cell (r, c), counted from 0,
// lands in sheet row r + 1, column c + 1 (A1 is the grid's top left cell).
// The workbook is written under a temporary name in the same folder and then
// renamed over `path`, so an old file is replaced whole or left as it was.
ExportResult write(const QString& path, const CellSource& grid);

// write() into `folder` under `fileName`.
ExportResult writeInto(const QString& folder, const char* fileName, const CellSource& grid);

} // namespace corvinel::workbook
