#pragma once

#include "core/Kinds.h"
#include "store/HistoryMaintenance.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace corvinel {

// One accepted draw line: the stored issue number and the eight numbers in
// draw order.
struct DrawLine
{
    int lineNumber = 0; // 1-based line of the file
    std::int64_t sqqh = 0;
    std::array<int, kPositions> numbers {};
};

enum class SkipReason
{
    TooFewNumbers, // fewer than eight two-digit numbers
    NumberOutOfRange, // a number outside 01..20
    RepeatedNumber, // the same number twice in one draw
    RepeatedIssue, // an issue number an earlier line of the file already took
    NoIssue, // the running issue number is not positive
    NotOfTheGame, // no issue of the game: its width, its date or its sequence number (`why` says which)
};

struct SkippedLine
{
    int lineNumber = 0;
    SkipReason reason = SkipReason::TooFewNumbers;
    std::int64_t sqqh = 0; // the issue number the line was read with
    int detail = 0; // numbers found, or the offending number
    QString why; // NotOfTheGame: the refusal, naming the issue in display form
};

struct DrawLineResult
{
    std::vector<DrawLine> draws;
    std::vector<SkippedLine> skipped;
    int lineCount = 0; // lines in the text, empty ones included
    // Lines that carry an issue field, accepted or skipped, by the width of
    // its daily sequence number: 8 stored digits (10 in display form) carry
    // two, 9 (11) carry three.
    int twoDigitIssueLines = 0;
    int threeDigitIssueLines = 0;
    std::int64_t runningIssue = 0; // the running issue number after the last line
    bool cancelled = false;
};

// Reads draw lines: one draw per line, optionally led by the issue field, then
// eight two-digit numbers separated by anything that is not a digit.
//
// - A leading run of 8 or 9 digits is the issue field (stored form), whatever
//   single character follows it; a leading run of 10 or 11 digits starting
//   with "20" is a display-form issue and loses its "20". A line without an
//   issue field takes the running issue number + 1. The running number starts
//   at `runningIssue` (the QQH of the last stored draw).
// - A line that is empty after trimming is ignored and does not move the
//   running number. A byte order mark at the start is ignored.
// - Lines with fewer than eight numbers, a number outside 01..20, a number
//   repeated within the draw, or an issue an earlier accepted line already
//   took are skipped and reported; the running number still moves.
class DrawLineReader
{
public:
    explicit DrawLineReader(std::int64_t runningIssue = 0);

    // Reads one line (without its line break). Returns true when it was
    // accepted; `lineNumber` is only recorded.
    bool readLine(std::string_view line, int lineNumber);

    // Reads a whole text. `progress` (may be empty) is called now and then
    // with the bytes read so far and the total; returning false cancels.
    template<typename Progress> void readText(std::string_view text, Progress&& progress);
    void readText(std::string_view text);

    DrawLineResult& result() { return m_result; }
    DrawLineResult takeResult();

private:
    std::int64_t m_running;
    DrawLineResult m_result;
    std::unordered_set<std::int64_t> m_used; // issues of the accepted lines
};

// Convenience: reads `text` from the running number `runningIssue`.
DrawLineResult readDrawLines(std::string_view text, std::int64_t runningIssue);

// "line 17: 7 numbers" and the like, for messages.
QString describeSkip(const SkippedLine& s);
// The first `max` skipped line numbers joined by ", ", then "and N more".
QString skippedLineSummary(const std::vector<SkippedLine>& skipped, int max = 10);

// --- template implementation ---

template<typename Progress> void DrawLineReader::readText(std::string_view text, Progress&& progress)
{
    if (text.size() >= 3 && static_cast<unsigned char>(text[0]) == 0xEF && static_cast<unsigned char>(text[1]) == 0xBB
        && static_cast<unsigned char>(text[2]) == 0xBF)
        text.remove_prefix(3);
    const std::size_t total = text.size();
    std::size_t pos = 0;
    int lineNumber = 0;
    while (pos < total) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos)
            end = total;
        ++lineNumber;
        readLine(text.substr(pos, end - pos), lineNumber);
        pos = end + 1;
        if ((lineNumber & 4095) == 0 && !progress(static_cast<std::int64_t>(pos), static_cast<std::int64_t>(total))) {
            m_result.cancelled = true;
            break;
        }
    }
    m_result.lineCount = lineNumber;
    m_result.runningIssue = m_running;
}

// Draws of the reader's result, as the encoder takes them.
std::vector<PlainDraw> plainDraws(const std::vector<DrawLine>& lines);

// Reads a whole file as draw lines. False (with `error`) when it cannot be read.
bool readDrawLineFile(const QString& path, std::int64_t runningIssue, DrawLineResult* result, QString* error);

} // namespace corvinel
