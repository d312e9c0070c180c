#pragma once

#include <QMap>
#include <QPair>
#include <QString>

// Reads back what a workbook export wrote, with the unzip tool and an XML
// reader: the texts of the first sheet by (row, column) counted from 0 as a
// spreadsheet shows them (a number through its number format: 5 in "00" is
// "05", 0.125 in "0.0%" is "12.5%"), each cell's type ("s" text, "n"
// number), and the name of the first sheet.
struct SheetContents
{
    bool ok = false;
    QString error;
    QString sheetName;
    int rowElements = 0;
    QMap<QPair<int, int>, QString> cells;
    QMap<QPair<int, int>, QString> types;
    QMap<QPair<int, int>, double> numbers; // the number cells' values
    QMap<QPair<int, int>, QString> formats; // the number cells' formats ("General", "00", "0.0%")
};

SheetContents readFirstSheet(const QString& xlsxPath);
