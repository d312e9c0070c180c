#pragma once

#include <QMap>
#include <QPair>
#include <QString>

// Reads back what a workbook export wrote, with the unzip tool and an XML
// reader: the texts of the first sheet by (row, column) counted from 0, and
// the name of the first sheet.
struct SheetContents
{
    bool ok = false;
    QString error;
    QString sheetName;
    int rowElements = 0;
    QMap<QPair<int, int>, QString> cells;
};

SheetContents readFirstSheet(const QString& xlsxPath);
