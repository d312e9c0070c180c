#include "acquire/TextImport.h"

#include "core/IssueNumber.h"

#include <algorithm>
#include <iterator>

namespace corvinel {

bool readImportFile(const QString& path, std::int64_t runningIssue, DrawLineResult* lines, ImportOutcome* out)
{
    if (!readDrawLineFile(path, runningIssue, lines, &out->error)) {
        out->unreadable = true;
        return false;
    }
    return true;
}

ImportOutcome importDrawLines(const QString& path, DrawLineResult lines, const HistorySnapshot& before,
                              HistoryMaintenance& maintenance, const EncoderBases& bases, const ProgressFn& progress)
{
    ImportOutcome out;
    out.lineCount = lines.lineCount;
    out.skipped = std::move(lines.skipped);
    if (lines.draws.empty()) {
        out.noUsableLine = true;
        out.error = QStringLiteral("文件%1中没有可用的历史号码行，历史号码没有改变。").arg(path);
        return out;
    }
    const MaintenanceOutcome m = maintenance.replaceAll(plainDraws(lines.draws), before, bases, progress);
    out.ok = m.ok;
    out.cancelled = m.cancelled;
    out.error = m.error;
    out.imported = m.ok ? m.written : 0;
    return out;
}

ImportOutcome importTextFile(const QString& path, std::int64_t runningIssue, const HistorySnapshot& before,
                             HistoryMaintenance& maintenance, const EncoderBases& bases, const ProgressFn& progress)
{
    ImportOutcome out;
    DrawLineResult lines;
    if (!readImportFile(path, runningIssue, &lines, &out))
        return out;
    return importDrawLines(path, std::move(lines), before, maintenance, bases, progress);
}

void refuseIssuesOutsideGame(DrawLineResult* lines, int lotteryCode, int drawsPerDay)
{
    std::vector<DrawLine> kept;
    kept.reserve(lines->draws.size());
    std::vector<SkippedLine> refused;
    for (const DrawLine& d : lines->draws) {
        if (const auto why = issue::issueRefusal(d.sqqh, lotteryCode, drawsPerDay)) {
            SkippedLine s;
            s.lineNumber = d.lineNumber;
            s.reason = SkipReason::NotOfTheGame;
            s.sqqh = d.sqqh;
            s.why = *why;
            refused.push_back(s);
        } else {
            kept.push_back(d);
        }
    }
    if (refused.empty())
        return;
    lines->draws = std::move(kept);
    std::vector<SkippedLine> all;
    all.reserve(lines->skipped.size() + refused.size());
    std::merge(lines->skipped.begin(), lines->skipped.end(), refused.begin(), refused.end(), std::back_inserter(all),
               [](const SkippedLine& a, const SkippedLine& b) { return a.lineNumber < b.lineNumber; });
    lines->skipped = std::move(all);
}

std::optional<GameMismatch> otherGameOfLines(const DrawLineResult& lines, int lotteryCode)
{
    const int own = issue::sequenceDigits(lotteryCode);
    const int two = lines.twoDigitIssueLines;
    const int three = lines.threeDigitIssueLines;
    // Only a file whose every issue has the other width: a mixed file is a
    // damaged one, and its lines are reported by the reader as they are.
    const bool allOther = own == 3 ? (two > 0 && three == 0) : (three > 0 && two == 0);
    if (!allOther)
        return std::nullopt;
    GameMismatch m;
    m.sequenceDigits = own == 3 ? 2 : 3;
    m.lines = own == 3 ? two : three;
    if (m.sequenceDigits == 2) {
        m.lotteryCodes = { issue::kGuangdong, issue::kCode566 };
        m.menuCodes = { issue::kGuangdong };
        m.gameNames = issue::gameName(issue::kGuangdong);
    } else {
        m.lotteryCodes = { issue::kTianjin, issue::kHunan };
        m.menuCodes = { issue::kTianjin, issue::kHunan };
        m.gameNames = QStringLiteral("%1或%2").arg(issue::gameName(issue::kTianjin), issue::gameName(issue::kHunan));
    }
    const int width = 6 + m.sequenceDigits;
    for (const DrawLine& d : lines.draws) {
        if (QString::number(d.sqqh).size() == width) {
            m.example = d.sqqh;
            break;
        }
    }
    return m;
}

QString gameMismatchText(const GameMismatch& m, int lotteryCode)
{
    const QString example = m.example > 0 ? QStringLiteral("（如%1）").arg(issue::displayForm(m.example)) : QString();
    return QStringLiteral("文件中的期号%1是%2位期序号，像是%3的历史号码；当前彩种是%4（%5位期序号）。")
        .arg(example)
        .arg(m.sequenceDigits)
        .arg(m.gameNames, issue::gameName(lotteryCode))
        .arg(issue::sequenceDigits(lotteryCode));
}

bool isImportableFileName(const QString& path)
{
    return !path.isEmpty() && path.toLower().endsWith(QLatin1String("txt"));
}

} // namespace corvinel
