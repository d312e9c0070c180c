#include "analysis/SearchRules.h"

#include "core/IssueNumber.h"
#include "analysis/ReferenceDraw.h"

#include <QCoreApplication>

#include <algorithm>

namespace corvinel::rules {

std::optional<RangeBounds> parseRange(const SearchOptions& o, QString* message)
{
    const auto low = issue::lastNineAsNumber(o.rangeFrom);
    const auto high = issue::lastNineAsNumber(o.rangeTo);
    if (!low || !high) {
        const QString bad = !low ? o.rangeFrom : o.rangeTo;
        *message = QCoreApplication::translate("corvinel::rules",
                                               "检索起止期数“%1”不是有效的期号（后九位须为整数），请改正后再检索。")
                       .arg(bad);
        return std::nullopt;
    }
    return RangeBounds { *low, *high };
}

bool validate(const SearchOptions& o, QString* message)
{
    if (o.kind < 0 || o.kind >= kKindCount || o.resultKind < 0 || o.resultKind >= kKindCount) {
        *message = QCoreApplication::translate("corvinel::rules", "搜索类型或结果类型无效。");
        return false;
    }
    if (!o.previousIssue && (o.lookBack < 1 || o.lookBack > 9)) {
        *message = QCoreApplication::translate("corvinel::rules", "前期数须为1到9之间的整数。");
        return false;
    }
    return true;
}

std::optional<QString> patternRefusal(const SearchOptions& o, bool combination)
{
    if (o.kind < 0 || o.kind >= kKindCount)
        return std::nullopt; // validate() refuses the kind itself
    const ValueRange range = counterRange(o.kind, o.zodiacBase, o.segmentBase);
    for (int p = 1; p <= kPositions; ++p) {
        if (!combination && !o.positions[p])
            continue;
        if (range.contains(o.pattern[p]))
            continue;
        return QCoreApplication::translate("corvinel::rules",
                                           "%1第%2位的值%3超出%4的取值范围（%5到%6），请改正后再检索。")
            .arg(combination ? QCoreApplication::translate("corvinel::rules", "组合检索用到检索号码的全部八位：")
                             : QString())
            .arg(p)
            .arg(o.pattern[p])
            .arg(QString::fromUtf8(kKindCaptions[o.kind]))
            .arg(range.low)
            .arg(range.high);
    }
    return std::nullopt;
}

std::optional<QString> combinationSizeRefusal(int size)
{
    if (size >= 1 && size <= 6)
        return std::nullopt;
    return QCoreApplication::translate("corvinel::rules", "组合位数%1无效，须为1到6之间的整数。").arg(size);
}

std::optional<QString> rangeRefusal(const SearchOptions& o, const StoredDraws& history)
{
    QString message;
    const auto range = parseRange(o, &message);
    if (!range)
        return message;
    const auto first = history.firstIssue();
    const auto last = history.lastIssue();
    if (!first || !last)
        return QCoreApplication::translate("corvinel::rules",
                                           "还没有历史号码，请先读取历史号文本、在线更新或输入历史号码。");
    if (range->low > range->high)
        return QCoreApplication::translate("corvinel::rules", "检索起止期数的起始期%1在终止期%2之后，请改正后再检索。")
            .arg(o.rangeFrom, o.rangeTo);
    if (history.countBetween(range->low, range->high) == 0)
        return QCoreApplication::translate("corvinel::rules",
                                           "检索起止期数%1～%2之间没有已存的历史号码（已存%3～%4），请改正后再检索。")
            .arg(o.rangeFrom, o.rangeTo, issue::displayForm(*first), issue::displayForm(*last));
    return std::nullopt;
}

std::optional<QString> searchRefusal(const SearchOptions& o, bool combination, const StoredDraws& history)
{
    QString message;
    if (!validate(o, &message))
        return message;
    if (combination) {
        if (auto r = combinationSizeRefusal(o.combinationSize))
            return r;
    }
    if (auto r = patternRefusal(o, combination))
        return r;
    return rangeRefusal(o, history);
}

std::optional<QString> verificationRefusal(const QString& text, int lotteryCode, int drawsPerDay,
                                           const StoredDraws& history, bool previousIssue, int lookBack)
{
    const auto predecessor = issue::verificationPredecessor(text.trimmed(), lotteryCode, drawsPerDay);
    if (!predecessor || *predecessor <= 0) {
        const auto last = history.lastIssue();
        return QCoreApplication::translate("corvinel::rules", "验证期号“%1”不是有效的期号，请输入如%2的期号。")
            .arg(text, last ? issue::displayForm(*last) : QStringLiteral("20161212001"));
    }
    const ReferenceDraw ref = findReferenceIssue(history, *predecessor, previousIssue, lookBack);
    switch (ref.problem) {
    case ReferenceDraw::Problem::None:
        return std::nullopt;
    case ReferenceDraw::Problem::TooFewBefore:
        return QCoreApplication::translate("corvinel::rules",
                                           "验证期号%1的上一期%2之前不到%3期历史号码，取不到前%4期的检索号码。")
            .arg(text.trimmed(), issue::displayForm(*predecessor))
            .arg(ref.back)
            .arg(lookBack);
    case ReferenceDraw::Problem::EmptyHistory:
    case ReferenceDraw::Problem::AnchorNotStored:
        break;
    }
    return QCoreApplication::translate("corvinel::rules",
                                       "验证期号%1的上一期%2不在历史号码中，取不到验证用的检索号码。")
        .arg(text.trimmed(), issue::displayForm(*predecessor));
}

std::string valueToken(int kind, int value)
{
    std::string s = std::to_string(value < 0 ? -value : value);
    if (twoDigitToken(kind) && s.size() < 2)
        s.insert(s.begin(), '0');
    if (value < 0)
        s.insert(s.begin(), '-');
    return s;
}

std::string occurrenceToken(int count, int kind, int value)
{
    return std::to_string(count) + 'X' + valueToken(kind, value);
}

std::string_view workingCopy(std::string_view list)
{
    // Four characters, not bytes: step back over UTF-8 continuation bytes.
    std::size_t end = list.size();
    for (int removed = 0; removed < 4; ++removed) {
        if (end == 0)
            return {};
        --end;
        while (end > 0 && (static_cast<unsigned char>(list[end]) & 0xC0) == 0x80)
            --end;
    }
    return list.substr(0, end);
}

std::vector<std::vector<int>> combinations(int n)
{
    std::vector<std::vector<int>> out;
    if (n < 1 || n > 6)
        return out;
    std::vector<int> c(static_cast<std::size_t>(n));
    // p1 from 1; each next one from the previous + 1 up to 8 - (n - 1 - i).
    auto rec = [&](auto&& self, int i, int from) -> void {
        if (i == n) {
            out.push_back(c);
            return;
        }
        for (int p = from; p <= kPositions - (n - 1 - i); ++p) {
            c[static_cast<std::size_t>(i)] = p;
            self(self, i + 1, p + 1);
        }
    };
    rec(rec, 0, 1);
    return out;
}

} // namespace corvinel::rules
