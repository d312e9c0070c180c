#include "export/HistoryTextExport.h"

#include <QCoreApplication>
#include "core/DiskSpace.h"

#include <QDir>
#include <QSaveFile>

#include <cmath>

namespace corvinel::history_text {

namespace {

// At least two digits, the sign before them. The magnitude is taken unsigned:
// negating the smallest long long would overflow.
QString twoDigits(long long value)
{
    const auto magnitude
        = value < 0 ? 0ULL - static_cast<unsigned long long>(value) : static_cast<unsigned long long>(value);
    const QString digits = QString::number(magnitude).rightJustified(2, u'0');
    return value < 0 ? QStringLiteral("-") + digits : digits;
}

} // namespace

QString fileName(std::int64_t lastStoredIssue)
{
    return QStringLiteral("更新至") + QString::number(lastStoredIssue) + QStringLiteral("期历史号码.txt");
}

QString formatCell(const QString& cell)
{
    const QString t = cell.trimmed();
    if (t.isEmpty())
        return cell;
    bool ok = false;
    const qlonglong whole = t.toLongLong(&ok);
    if (ok)
        return twoDigits(whole);
    // A decimal number is rounded to whole units (half away from zero); one too
    // large for a whole number stays as it is.
    const double value = t.toDouble(&ok);
    if (ok && std::isfinite(value) && std::fabs(value) < 1e15)
        return twoDigits(std::llround(value));
    return cell;
}

QByteArray render(const CellSource& grid)
{
    QString out;
    if (grid.rows > 1)
        out.reserve((grid.rows - 1) * 40);
    for (int r = 1; r < grid.rows; ++r) {
        out += grid.columns > 0 ? grid.text(r, 0) : QString();
        out += u' ';
        for (int c = 1; c <= 8; ++c) {
            out += formatCell(c < grid.columns ? grid.text(r, c) : QString());
            out += u' ';
        }
        out += QStringLiteral("\r\n");
    }
    return out.toLocal8Bit();
}

ExportResult write(const QString& folder, std::optional<std::int64_t> lastStoredIssue, const CellSource& grid)
{
    if (!lastStoredIssue || grid.rows <= 1)
        return ExportResult::empty(
            QCoreApplication::translate("corvinel::history_text", "没有历史号码，未写出文本文件。"));
    if (!grid.isValid())
        return ExportResult::failure(
            {}, QCoreApplication::translate("corvinel::history_text", "历史列表不可读，未写出文本文件。"));

    const QString path = QDir(folder).filePath(fileName(*lastStoredIssue));
    const QByteArray bytes = render(grid);

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return ExportResult::failure(
            path,
            QCoreApplication::translate("corvinel::history_text", "无法写入 %1：%2").arg(path, file.errorString()));
    if (file.write(bytes) != bytes.size()) {
        const QString why = writeFailureText(path, bytes.size(), file.errorString());
        file.cancelWriting();
        return ExportResult::failure(
            path, QCoreApplication::translate("corvinel::history_text", "无法写入 %1：%2").arg(path, why));
    }
    if (!file.commit())
        return ExportResult::failure(
            path, QCoreApplication::translate("corvinel::history_text", "无法保存 %1：%2")
                      .arg(path, writeFailureText(path, bytes.size(), file.errorString())));
    return ExportResult::success(path);
}

} // namespace corvinel::history_text
