#include "TextImport.h"

#include <QFile>

namespace corvinel {

std::vector<PlainDraw> plainDraws(const std::vector<DrawLine>& lines)
{
    std::vector<PlainDraw> out;
    out.reserve(lines.size());
    for (const DrawLine& l : lines)
        out.push_back(PlainDraw { l.sqqh, l.numbers });
    return out;
}

bool readDrawLineFile(const QString& path, std::int64_t runningIssue, DrawLineResult* result, QString* error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(path, f.errorString());
        return false;
    }
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("cannot read %1: %2").arg(path, f.errorString());
        return false;
    }
    // Notepad's "Unicode" files are UTF-16 with a byte order mark; the line
    // reader works on 8-bit text, where only digits and line breaks matter.
    if (bytes.size() >= 2
        && ((uchar(bytes[0]) == 0xFF && uchar(bytes[1]) == 0xFE)
            || (uchar(bytes[0]) == 0xFE && uchar(bytes[1]) == 0xFF))) {
        const bool little = uchar(bytes[0]) == 0xFF;
        QString text;
        text.reserve((bytes.size() - 2) / 2);
        for (qsizetype i = 2; i + 1 < bytes.size(); i += 2) {
            const char16_t c = little ? char16_t(uchar(bytes[i]) | (uchar(bytes[i + 1]) << 8))
                                      : char16_t((uchar(bytes[i]) << 8) | uchar(bytes[i + 1]));
            text += QChar(c);
        }
        bytes = text.toUtf8();
    }
    *result = readDrawLines(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())), runningIssue);
    return true;
}

ImportOutcome importTextFile(const QString& path, std::int64_t runningIssue, const HistorySnapshot& before,
                             HistoryMaintenance& maintenance, const EncoderBases& bases, const ProgressFn& progress)
{
    ImportOutcome out;
    DrawLineResult read;
    if (!readDrawLineFile(path, runningIssue, &read, &out.error)) {
        out.unreadable = true;
        return out;
    }
    out.lineCount = read.lineCount;
    out.skipped = std::move(read.skipped);
    if (read.draws.empty()) {
        out.noUsableLine = true;
        out.error = QStringLiteral("%1 holds no usable draw line; the history was left as it was").arg(path);
        return out;
    }
    const MaintenanceOutcome m = maintenance.replaceAll(plainDraws(read.draws), before, bases, progress);
    out.ok = m.ok;
    out.cancelled = m.cancelled;
    out.error = m.error;
    out.imported = m.ok ? m.written : 0;
    return out;
}

bool isImportableFileName(const QString& path)
{
    return !path.isEmpty() && path.toLower().endsWith(QLatin1String("txt"));
}

} // namespace corvinel
