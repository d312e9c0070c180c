#include "export/WorkbookExport.h"

#include <QCoreApplication>
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QTemporaryFile>

#include <xlsxwriter.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace corvinel::workbook {

namespace {

QString failed(const QString& path, const QString& why)
{
    return QCoreApplication::translate("corvinel::workbook", "无法写入 %1：%2")
        .arg(QDir::toNativeSeparators(path), why);
}

// Closes (and so frees) a workbook that was not closed on the normal path.
struct WorkbookGuard
{
    lxw_workbook* wb = nullptr;
    ~WorkbookGuard()
    {
        if (wb)
            workbook_close(wb);
    }
    lxw_error close()
    {
        lxw_workbook* w = wb;
        wb = nullptr;
        return workbook_close(w);
    }
};

} // namespace

CellValue cellValue(const QString& text)
{
    CellValue v;
    const bool percent = text.endsWith(QLatin1Char('%'));
    const QString body = percent ? text.left(text.size() - 1) : text;
    const int start = body.startsWith(QLatin1Char('-')) ? 1 : 0;
    int digitsBefore = 0;
    int digitsAfter = 0;
    int dots = 0;
    for (int i = start; i < body.size(); ++i) {
        const QChar c = body[i];
        if (c == QLatin1Char('.'))
            ++dots;
        else if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            ++(dots == 0 ? digitsBefore : digitsAfter);
        else
            return v;
    }
    if (digitsBefore == 0 || dots > 1 || (dots == 1 && digitsAfter == 0))
        return v;
    // Issue numbers and other identifiers: as text, every digit kept.
    if (!percent && dots == 0 && digitsBefore >= 8)
        return v;
    bool ok = false;
    const double number = body.toDouble(&ok);
    if (!ok)
        return v;
    v.type = CellValue::Type::Number;
    v.number = percent ? number / 100.0 : number;
    QString integerPart = QStringLiteral("0");
    // "05" keeps its zero: a format of as many digits as the text has.
    if (!percent && dots == 0 && digitsBefore > 1 && body[start] == QLatin1Char('0'))
        integerPart = QString(digitsBefore, QLatin1Char('0'));
    const QString decimals = digitsAfter > 0 ? QStringLiteral(".") + QString(digitsAfter, QLatin1Char('0')) : QString();
    if (percent)
        v.format = QStringLiteral("0") + decimals + QStringLiteral("%");
    else if (dots > 0 || integerPart.size() > 1)
        v.format = integerPart + decimals;
    return v;
}

ExportResult write(const QString& path, const CellSource& grid)
{
    if (!grid.isValid())
        return ExportResult::failure(path,
                                     failed(path, QCoreApplication::translate("corvinel::workbook", "列表不可读")));
    if (grid.rows > static_cast<int>(LXW_ROW_MAX) || grid.columns > static_cast<int>(LXW_COL_MAX))
        return ExportResult::failure(
            path, failed(path, QCoreApplication::translate("corvinel::workbook", "列表超出工作表的行数或列数上限")));

    const QFileInfo target(path);
    const QDir folder = target.absoluteDir();
    if (!folder.exists())
        return ExportResult::failure(path,
                                     failed(path, QCoreApplication::translate("corvinel::workbook", "文件夹不存在")));

    // Reserve a unique name next to the target so that the final rename stays
    // within one file system and is atomic.
    QTemporaryFile reserve(folder.filePath(QStringLiteral(".") + target.fileName() + QStringLiteral(".XXXXXX")));
    reserve.setAutoRemove(false);
    if (!reserve.open())
        return ExportResult::failure(path, failed(path, reserve.errorString()));
    const QString tmpPath = reserve.fileName();
    reserve.close();
    auto discard = [&tmpPath] { QFile::remove(tmpPath); };

    const QByteArray tmpName = QFile::encodeName(tmpPath);
    lxw_workbook_options options {};
    options.constant_memory = LXW_TRUE;
    WorkbookGuard guard;
    guard.wb = workbook_new_opt(tmpName.constData(), &options);
    if (!guard.wb) {
        discard();
        return ExportResult::failure(path,
                                     failed(path, QCoreApplication::translate("corvinel::workbook", "无法创建工作簿")));
    }
    lxw_worksheet* sheet = workbook_add_worksheet(guard.wb, kSheetName);
    if (!sheet) {
        guard.close();
        discard();
        return ExportResult::failure(path,
                                     failed(path, QCoreApplication::translate("corvinel::workbook", "无法创建工作表")));
    }

    // One format per number format text, made when first needed (the
    // workbook owns them).
    QHash<QString, lxw_format*> formats;
    auto formatFor = [&](const QString& code) -> lxw_format* {
        if (code.isEmpty())
            return nullptr;
        auto it = formats.find(code);
        if (it == formats.end()) {
            lxw_format* f = workbook_add_format(guard.wb);
            format_set_num_format(f, code.toUtf8().constData());
            it = formats.insert(code, f);
        }
        return it.value();
    };

    // Constant-memory mode flushes each row when the next one starts, so the
    // cells go out row by row, left to right.
    QByteArray utf8;
    for (int r = 0; r < grid.rows; ++r) {
        for (int c = 0; c < grid.columns; ++c) {
            const QString text = grid.text(r, c);
            if (text.isEmpty())
                continue;
            const auto row = static_cast<lxw_row_t>(r);
            const auto column = static_cast<lxw_col_t>(c);
            const CellValue value = cellValue(text);
            lxw_error e = LXW_NO_ERROR;
            if (value.type == CellValue::Type::Number) {
                e = worksheet_write_number(sheet, row, column, value.number, formatFor(value.format));
            } else {
                utf8 = text.toUtf8();
                e = worksheet_write_string(sheet, row, column, utf8.constData(), nullptr);
            }
            if (e != LXW_NO_ERROR) {
                guard.close();
                discard();
                return ExportResult::failure(
                    path,
                    failed(path,
                           QCoreApplication::translate("corvinel::workbook", "第 %1 行第 %2 列：%3")
                               .arg(r + 1)
                               .arg(c + 1)
                               .arg(lxw_strerror(e))));
            }
        }
    }

    const lxw_error closed = guard.close();
    if (closed != LXW_NO_ERROR) {
        discard();
        return ExportResult::failure(path, failed(path, QString::fromUtf8(lxw_strerror(closed))));
    }

    // The reserved name was created private; the workbook gets the old file's
    // permissions, or the usual ones for a new file.
    QFile::setPermissions(tmpPath,
                          target.exists() ? target.permissions()
                                          : QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                                  | QFileDevice::ReadOther);

    // rename() replaces an existing file in one step on POSIX systems.
    const QByteArray finalName = QFile::encodeName(target.absoluteFilePath());
    if (std::rename(tmpName.constData(), finalName.constData()) != 0) {
        const QString why = QString::fromLocal8Bit(std::strerror(errno));
        discard();
        return ExportResult::failure(path, failed(path, why));
    }
    return ExportResult::success(target.absoluteFilePath());
}

ExportResult writeInto(const QString& folder, const char* fileName, const CellSource& grid)
{
    return write(QDir(folder).filePath(QString::fromUtf8(fileName)), grid);
}

} // namespace corvinel::workbook
