#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

namespace corvinel {

// What an export copies: a grid of texts, rows x columns, read cell by cell.
// The writers never see widgets; the window hands them its grid models, the
// CLI and the tests hand them plain tables.
struct CellSource
{
    int rows = 0;
    int columns = 0;
    std::function<QString(int row, int column)> text;

    bool isValid() const { return rows >= 0 && columns >= 0 && (rows == 0 || columns == 0 || text); }

    // A table of rows; a short row reads as empty texts past its end, and the
    // widest row gives the column count.
    static CellSource fromTable(const QList<QStringList>& table);
};

// The outcome of one export: the path written, or why nothing was written.
struct ExportResult
{
    bool ok = false;
    // Nothing to write (an empty history): no file was touched.
    bool nothingToWrite = false;
    QString path;
    QString error;

    static ExportResult success(const QString& path) { return { true, false, path, {} }; }
    static ExportResult failure(const QString& path, const QString& error) { return { false, false, path, error }; }
    static ExportResult empty(const QString& why) { return { false, true, {}, why }; }
};

} // namespace corvinel
