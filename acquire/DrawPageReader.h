#pragma once

#include "core/Kinds.h"

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

namespace corvinel::update {

// One draw listed on a day page: a row that holds an issue cell of the page's
// date. `hasNumbers` is false for a row without a numbers cell (a draw the
// site has not made yet, "等待开奖"); `problem` says why a numbers cell cannot
// be used (wrong count, a value outside 01..20, a repeated value).
struct PageDraw
{
    int row = 0; // index of the row in the table, header included
    int sequence = 0;
    std::int64_t sqqh = 0; // stored form: page date number * 1000 or * 100 + sequence
    bool hasNumbers = false;
    std::array<int, kPositions> numbers {};
    QString numbersText;
    QString problem;

    bool usable() const { return hasNumbers && problem.isEmpty(); }
};

struct DrawPage
{
    bool hasTable = false; // the document has an element with id "draw_list"
    bool tooDeep = false; // refused unparsed: nested deeper than kMaxNesting
    int rowCount = 0;
    std::vector<PageDraw> draws; // in document order
};

// Reads the draw table of a results site's day page. Only the element with id
// "draw_list" is looked at; its rows are taken in document order, and in each
// row the issue cell and the numbers cell are recognised by their form, so any
// other cell (draw time, sum, sale period, "等待开奖") is ignored and the order
// in which the site lists the draws does not matter.
class DrawPageReader
{
public:
    DrawPageReader(int lotteryCode, const QDate& day);

    DrawPage read(const QByteArray& html) const;

    // Longest text of a cell that is not the numbers cell: 9 characters for
    // code 566, 11 for every other code.
    static int cellTextLimit(int lotteryCode);

    // The day's date number, (year mod 100) * 10000 + month * 100 + day.
    int pageDateNumber() const;

    // Sequence number of an issue cell of this page (digits: optional century
    // "20", the page's YYMMDD, a two- or three-digit sequence number); nothing
    // when the text is not such a cell.
    std::optional<int> issueSequence(const QString& cellText) const;

    // Whether the text has the form of the numbers cell: longer than the
    // limit, two-digit numbers separated by single characters.
    bool isNumbersCell(const QString& cellText) const;

    // Reads a numbers cell; empty when it holds eight different numbers
    // 01..20 (then `out` holds them), otherwise the reason.
    static QString readNumbers(const QString& cellText, std::array<int, kPositions>* out);

    std::int64_t storedForm(int sequence) const;

private:
    int m_code;
    QDate m_day;
};

// Pages nested deeper than this are refused before they are parsed: the HTML
// parser's time grows much faster than the page with the nesting depth, and no
// draw list needs more than a few dozen levels.
inline constexpr int kMaxNesting = 512;

// A cheap upper estimate of the element nesting depth of a page, from its
// tags alone (void elements, self-closing tags, end tags that close unclosed
// inner elements, and the usual implied closes of p, li, td, tr ... counted).
int estimatedNestingDepth(const QByteArray& html);

// The cell texts of the rows of the "draw_list" element, each cell's inner
// text with its blanks collapsed and trimmed; nothing when there is no such
// element. Exposed for tests of the text extraction.
std::optional<std::vector<QStringList>> drawListCells(const QByteArray& html);

// Characters of a text (code points), the unit the cell limits count in.
int characterCount(const QString& text);

} // namespace corvinel::update
