// Fuzz target: the day-page reader of the online update. HTML bytes in, draws
// out; the cell recognisers also get the bytes as one cell text.

#include "acquire/DrawPageReader.h"
#include "FuzzSupport.h"
#include "core/IssueNumber.h"

#include <set>

using namespace corvinel;
using namespace corvinel::update;

namespace {

const QDate kDay(2016, 9, 8);
constexpr int kCodes[] = { issue::kGuangdong, issue::kHunan, issue::kCode566, issue::kTianjin };

void checkNumbers(const std::array<int, kPositions>& numbers)
{
    unsigned seen = 0;
    for (int n : numbers) {
        FUZZ_CHECK(n >= 1 && n <= 20);
        FUZZ_CHECK(!(seen & (1u << n)));
        seen |= 1u << n;
    }
}

void checkPage(const DrawPageReader& reader, int code, const DrawPage& page)
{
    if (page.tooDeep)
        FUZZ_CHECK(!page.hasTable);
    if (!page.hasTable) {
        FUZZ_CHECK(page.draws.empty());
        FUZZ_CHECK(page.rowCount == 0);
        return;
    }
    const bool three = issue::sequenceDigits(code) == 3;
    const int maxSequence = three ? 120 : 99;
    std::set<int> sequences;
    for (const PageDraw& d : page.draws) {
        FUZZ_CHECK(d.row >= 0 && d.row < page.rowCount);
        FUZZ_CHECK(d.sequence >= 1 && d.sequence <= maxSequence);
        FUZZ_CHECK(sequences.insert(d.sequence).second);
        FUZZ_CHECK(d.sqqh == reader.storedForm(d.sequence));
        FUZZ_CHECK(d.sqqh / (three ? 1000 : 100) == reader.pageDateNumber());
        if (!d.hasNumbers) {
            FUZZ_CHECK(d.problem.isEmpty());
            FUZZ_CHECK(!d.usable());
            continue;
        }
        FUZZ_CHECK(reader.isNumbersCell(d.numbersText));
        if (d.usable()) {
            checkNumbers(d.numbers);
            std::array<int, kPositions> again {};
            FUZZ_CHECK(DrawPageReader::readNumbers(d.numbersText, &again).isEmpty());
            FUZZ_CHECK(again == d.numbers);
        }
    }
}

void checkCell(const DrawPageReader& reader, int code, const QString& cell)
{
    if (const auto seq = reader.issueSequence(cell)) {
        FUZZ_CHECK(characterCount(cell) <= DrawPageReader::cellTextLimit(code));
        for (QChar c : cell)
            FUZZ_CHECK(c >= QLatin1Char('0') && c <= QLatin1Char('9'));
        FUZZ_CHECK(cell.contains(QString::number(reader.pageDateNumber())));
        FUZZ_CHECK(*seq >= 1 && *seq <= 120);
        FUZZ_CHECK(!reader.isNumbersCell(cell));
    }
    std::array<int, kPositions> numbers {};
    if (DrawPageReader::readNumbers(cell, &numbers).isEmpty())
        checkNumbers(numbers);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The game follows the input's length, so every game's issue forms get
    // their share of runs.
    const int code = kCodes[size % 4];
    const DrawPageReader reader(code, kDay);
    const QByteArray html = fuzz::bytesOf(data, size);

    const int depth = estimatedNestingDepth(html);
    FUZZ_CHECK(depth >= 0);
    const DrawPage page = reader.read(html);
    FUZZ_CHECK(page.tooDeep == (depth > kMaxNesting));
    checkPage(reader, code, page);

    if (size <= 4096)
        checkCell(reader, code, QString::fromUtf8(html));
    return 0;
}
