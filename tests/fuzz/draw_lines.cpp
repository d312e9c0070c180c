// Fuzz target: the draw-line reader of the text import, on bytes and through
// the whole-file path (a scratch file rewritten on every run).

#include "store/DrawLineReader.h"
#include "FuzzSupport.h"
#include "acquire/TextImport.h"

#include <QFile>

#include <string_view>
#include <vector>

using namespace corvinel;

namespace {

// The lines as the reader splits them (byte order mark removed).
std::vector<std::string_view> splitLines(std::string_view text)
{
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB
        && static_cast<unsigned char>(text[2]) == 0xBF)
        text.remove_prefix(3);
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// The numbers appear in the line as two-digit groups, in draw order.
bool numbersAppearInOrder(std::string_view line, const std::array<int, kPositions>& numbers)
{
    std::size_t from = 0;
    for (int n : numbers) {
        const char digits[2] = { static_cast<char>('0' + n / 10), static_cast<char>('0' + n % 10) };
        const std::size_t at = line.find(std::string_view(digits, 2), from);
        if (at == std::string_view::npos)
            return false;
        from = at + 2;
    }
    return true;
}

void checkResult(const DrawLineResult& r, std::int64_t start, const std::vector<std::string_view>* lines)
{
    FUZZ_CHECK(r.lineCount >= 0);
    FUZZ_CHECK(!r.cancelled);
    FUZZ_CHECK(r.draws.size() + r.skipped.size() <= static_cast<std::size_t>(r.lineCount));
    if (lines)
        FUZZ_CHECK(static_cast<std::size_t>(r.lineCount) == lines->size());
    // An issue is either read from the line (at most nine digits) or counts on
    // from the running number by one per line.
    const std::int64_t highest = std::max<std::int64_t>(start, 999999999) + r.lineCount;
    std::unordered_set<std::int64_t> issues;
    int previousLine = 0;
    for (const DrawLine& d : r.draws) {
        FUZZ_CHECK(d.lineNumber > previousLine && d.lineNumber <= r.lineCount);
        previousLine = d.lineNumber;
        FUZZ_CHECK(d.sqqh > 0 && d.sqqh <= highest);
        FUZZ_CHECK(issues.insert(d.sqqh).second);
        unsigned seen = 0;
        for (int n : d.numbers) {
            FUZZ_CHECK(n >= 1 && n <= 20);
            FUZZ_CHECK(!(seen & (1u << n)));
            seen |= 1u << n;
        }
        if (lines)
            FUZZ_CHECK(numbersAppearInOrder((*lines)[d.lineNumber - 1], d.numbers));
    }
    for (const SkippedLine& s : r.skipped) {
        FUZZ_CHECK(s.lineNumber >= 1 && s.lineNumber <= r.lineCount);
        switch (s.reason) {
        case SkipReason::TooFewNumbers:
            FUZZ_CHECK(s.detail >= 0 && s.detail < kPositions);
            break;
        case SkipReason::NumberOutOfRange:
            FUZZ_CHECK(s.detail == 0 || (s.detail > 20 && s.detail <= 99));
            break;
        case SkipReason::RepeatedNumber:
            FUZZ_CHECK(s.detail >= 1 && s.detail <= 20);
            break;
        case SkipReason::RepeatedIssue:
            FUZZ_CHECK(issues.count(s.sqqh) == 1);
            break;
        case SkipReason::NoIssue:
            FUZZ_CHECK(s.sqqh <= 0);
            break;
        }
        FUZZ_CHECK(!describeSkip(s).isEmpty());
    }
    if (!r.skipped.empty())
        FUZZ_CHECK(!skippedLineSummary(r.skipped, 3).isEmpty());
}

bool isUtf16(std::string_view t)
{
    return t.size() >= 2
        && ((static_cast<unsigned char>(t[0]) == 0xFF && static_cast<unsigned char>(t[1]) == 0xFE)
            || (static_cast<unsigned char>(t[0]) == 0xFE && static_cast<unsigned char>(t[1]) == 0xFF));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string_view> lines = splitLines(text);

    // From an empty history and from a stored last draw.
    for (const std::int64_t start : { std::int64_t(0), std::int64_t(160908084) }) {
        const DrawLineResult r = readDrawLines(text, start);
        checkResult(r, start, &lines);
    }

    // The whole-file path: the same result unless the file is UTF-16, which
    // is converted first.
    static const QString path = fuzz::scratchDir().filePath(QStringLiteral("draws.txt"));
    {
        QFile f(path);
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(f.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size))
                   == static_cast<qint64>(size));
    }
    DrawLineResult fromFile;
    QString error;
    FUZZ_CHECK(readDrawLineFile(path, 160908084, &fromFile, &error));
    checkResult(fromFile, 160908084, isUtf16(text) ? nullptr : &lines);
    if (!isUtf16(text)) {
        const DrawLineResult r = readDrawLines(text, 160908084);
        FUZZ_CHECK(fromFile.draws.size() == r.draws.size() && fromFile.skipped.size() == r.skipped.size());
        for (std::size_t i = 0; i < r.draws.size(); ++i)
            FUZZ_CHECK(fromFile.draws[i].sqqh == r.draws[i].sqqh && fromFile.draws[i].numbers == r.draws[i].numbers);
    }
    return 0;
}
