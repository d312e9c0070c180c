#include "store/DrawLineReader.h"

#include "core/IssueNumber.h"

#include <QFile>
#include <QStringList>

namespace corvinel {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string_view trimmed(std::string_view s)
{
    while (!s.empty() && isBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && isBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

std::int64_t digitsValue(std::string_view s)
{
    std::int64_t v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    return v;
}

} // namespace

DrawLineReader::DrawLineReader(std::int64_t runningIssue)
    : m_running(runningIssue)
{
}

bool DrawLineReader::readLine(std::string_view raw, int lineNumber)
{
    const std::string_view line = trimmed(raw);
    if (line.empty())
        return false;

    // Issue field: a leading run of 8 or 9 digits (stored form), or of 10 or
    // 11 digits starting with "20" (display form, as the export writes it).
    // Its separator is the one character after the run, whatever it is.
    std::size_t run = 0;
    while (run < line.size() && isDigit(line[run]))
        ++run;
    std::size_t pos = 0;
    int storedRun = 0;
    if (run == 8 || run == 9) {
        m_running = digitsValue(line.substr(0, run));
        pos = run + 1;
        storedRun = static_cast<int>(run);
    } else if ((run == 10 || run == 11) && line[0] == '2' && line[1] == '0') {
        m_running = digitsValue(line.substr(2, run - 2));
        pos = run + 1;
        storedRun = static_cast<int>(run) - 2;
    } else {
        ++m_running;
    }
    const std::int64_t sqqh = m_running;
    if (storedRun == 8)
        ++m_result.twoDigitIssueLines;
    else if (storedRun == 9)
        ++m_result.threeDigitIssueLines;

    // Numbers: two digits in a row are one number, anything else separates.
    std::array<int, kPositions> numbers {};
    int found = 0;
    while (found < kPositions && pos + 1 < line.size()) {
        if (isDigit(line[pos]) && isDigit(line[pos + 1])) {
            numbers[found++] = (line[pos] - '0') * 10 + (line[pos + 1] - '0');
            pos += 2;
        } else {
            ++pos;
        }
    }

    auto skip = [&](SkipReason reason, int detail) {
        m_result.skipped.push_back(SkippedLine { lineNumber, reason, sqqh, detail, {} });
        return false;
    };
    if (found < kPositions)
        return skip(SkipReason::TooFewNumbers, found);
    unsigned seen = 0;
    for (int n : numbers) {
        if (n < 1 || n > 20)
            return skip(SkipReason::NumberOutOfRange, n);
    }
    for (int n : numbers) {
        if (seen & (1u << n))
            return skip(SkipReason::RepeatedNumber, n);
        seen |= 1u << n;
    }
    if (sqqh <= 0)
        return skip(SkipReason::NoIssue, 0);
    if (!m_used.insert(sqqh).second)
        return skip(SkipReason::RepeatedIssue, 0);

    m_result.draws.push_back(DrawLine { lineNumber, sqqh, numbers });
    return true;
}

void DrawLineReader::readText(std::string_view text)
{
    readText(text, [](std::int64_t, std::int64_t) { return true; });
}

DrawLineResult DrawLineReader::takeResult()
{
    DrawLineResult r = std::move(m_result);
    m_result = DrawLineResult();
    return r;
}

DrawLineResult readDrawLines(std::string_view text, std::int64_t runningIssue)
{
    DrawLineReader reader(runningIssue);
    // A rough reservation: one draw per 30 bytes saves most regrowth.
    reader.result().draws.reserve(text.size() / 30 + 1);
    reader.readText(text);
    return reader.takeResult();
}

QString describeSkip(const SkippedLine& s)
{
    QString where = QStringLiteral("line %1: ").arg(s.lineNumber);
    switch (s.reason) {
    case SkipReason::TooFewNumbers:
        return where + QStringLiteral("%1 numbers, 8 needed").arg(s.detail);
    case SkipReason::NumberOutOfRange:
        return where + QStringLiteral("number %1 is outside 01..20").arg(s.detail, 2, 10, QLatin1Char('0'));
    case SkipReason::RepeatedNumber:
        return where + QStringLiteral("number %1 appears twice").arg(s.detail, 2, 10, QLatin1Char('0'));
    case SkipReason::RepeatedIssue:
        return where + QStringLiteral("issue %1 already read from an earlier line").arg(issue::displayForm(s.sqqh));
    case SkipReason::NoIssue:
        return where + QStringLiteral("no issue number");
    case SkipReason::NotOfTheGame:
        return where + s.why;
    }
    return where;
}

QString skippedLineSummary(const std::vector<SkippedLine>& skipped, int max)
{
    QStringList parts;
    const int shown = std::min<int>(max, static_cast<int>(skipped.size()));
    for (int i = 0; i < shown; ++i)
        parts << QString::number(skipped[i].lineNumber);
    QString s = parts.join(QStringLiteral(", "));
    if (static_cast<int>(skipped.size()) > shown)
        s += QStringLiteral(" and %1 more").arg(skipped.size() - shown);
    return s;
}

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
            *error = QStringLiteral("不能打开文件%1：%2").arg(path, f.errorString());
        return false;
    }
    QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        if (error)
            *error = QStringLiteral("不能读取文件%1：%2").arg(path, f.errorString());
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

} // namespace corvinel
