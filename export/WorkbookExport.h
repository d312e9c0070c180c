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

// How a grid's text is stored in a cell, so that a spreadsheet can sort and
// sum what is a number and shows every cell as the grid does:
// - a whole number ("12", "05") is a number; leading zeros are kept by a
//   format of as many digits ("00");
// - a decimal ("0.23") is a number shown with the same decimals ("0.00");
// - a percentage ("12.5%") is the number 0.125 in a percent format ("0.0%");
// - a run of 8 or more digits (issue numbers "20161212001") and anything
//   else stays text, so it keeps every digit as written.
struct CellValue
{
    enum class Type
    {
        Text,
        Number
    };
    Type type = Type::Text;
    double number = 0;
    QString format; // the number format ("" = General)
};
CellValue cellValue(const QString& text);

// Writes every cell of `grid` (header rows and columns included) into the
// first sheet "Sheet1" of a new workbook, as cellValue() says: grid cell
// (r, c), counted from 0, lands in sheet row r + 1, column c + 1 (A1 is the
// grid's top left cell).
// The workbook is written under a temporary name in the same folder and then
// renamed over `path`, so an old file is replaced whole or left as it was.
ExportResult write(const QString& path, const CellSource& grid);

// write() into `folder` under `fileName`.
ExportResult writeInto(const QString& folder, const char* fileName, const CellSource& grid);

} // namespace corvinel::workbook
