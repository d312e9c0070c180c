#include "analysis/Tickets.h"

#include "analysis/Distributions.h"
#include "core/IssueNumber.h"

#include <QStringList>

#include <algorithm>

namespace corvinel {

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

bool isBar(QChar c)
{
    return c == u'|' || c == QChar(0xFF5C);
}

QString two(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

// n! / (n - k)!
std::int64_t arrangements(int n, int k)
{
    if (k < 0 || k > n)
        return 0;
    std::int64_t r = 1;
    for (int i = 0; i < k; ++i)
        r *= n - i;
    return r;
}

// The numbers of a stretch of text: runs of two digits (a longer even run is
// read two digits at a time); false with the reason for an odd run.
bool readNumbers(QStringView text, std::vector<int>* out, QString* reason)
{
    qsizetype i = 0;
    while (i < text.size()) {
        if (!isDigit(text[i])) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && isDigit(text[end]))
            ++end;
        const QStringView run = text.mid(i, end - i);
        if (run.size() % 2 != 0) {
            *reason = QStringLiteral("号码应写两位（01–20），不是 %1").arg(run.toString());
            return false;
        }
        for (qsizetype j = 0; j < run.size(); j += 2)
            out->push_back((run[j].unicode() - u'0') * 10 + (run[j + 1].unicode() - u'0'));
        i = end;
    }
    return true;
}

// Calls visit with every k-subset of `from` (indices in increasing order),
// as positions into `from`; false from visit stops.
bool forEachChoice(int n, int k, const std::function<bool(const std::array<int, 5>&)>& visit)
{
    if (k < 0 || k > n || k > 5)
        return true;
    std::array<int, 5> idx {};
    for (int i = 0; i < k; ++i)
        idx[i] = i;
    while (true) {
        if (!visit(idx))
            return false;
        int i = k - 1;
        while (i >= 0 && idx[i] == n - k + i)
            --i;
        if (i < 0)
            return true;
        ++idx[i];
        for (int j = i + 1; j < k; ++j)
            idx[j] = idx[j - 1] + 1;
    }
}

} // namespace

std::int64_t Ticket::betCount() const
{
    const PlayRule& rule = playRule(play);
    if (isBanker())
        return stats::binomial(static_cast<int>(drag.size()), rule.pick - static_cast<int>(bankers.size()));
    const int n = static_cast<int>(numbers.size());
    // Exactly `pick` numbers are one bet, for a 直 play in the order written.
    if (rule.ordered && n > rule.pick)
        return arrangements(n, rule.pick);
    return stats::binomial(n, rule.pick);
}

QString Ticket::text() const
{
    QStringList parts { playName(play) };
    for (int n : isBanker() ? bankers : numbers)
        parts << two(n);
    if (isBanker()) {
        parts << QStringLiteral("|");
        for (int n : drag)
            parts << two(n);
    }
    return parts.join(u' ');
}

QString RefusedTicket::message() const
{
    return QStringLiteral("第 %1 行：%2").arg(line).arg(reason);
}

std::int64_t TicketParse::bets() const
{
    std::int64_t b = 0;
    for (const Ticket& t : tickets)
        b += t.betCount();
    return b;
}

std::optional<Ticket> parseTicketLine(QStringView raw, int lineNumber, std::optional<Play> defaultPlay,
                                      QString* reason)
{
    reason->clear();
    const QStringView line = raw.trimmed();
    if (line.isEmpty())
        return std::nullopt;

    // The play's name: everything before the first digit, separator or bar.
    qsizetype nameEnd = 0;
    while (nameEnd < line.size() && !isDigit(line[nameEnd]) && !line[nameEnd].isSpace() && !isBar(line[nameEnd])
           && line[nameEnd] != u',' && line[nameEnd] != QChar(0xFF0C))
        ++nameEnd;
    const QStringView name = line.left(nameEnd);
    Ticket t;
    t.line = lineNumber;
    if (name.isEmpty()) {
        if (!defaultPlay) {
            *reason = QStringLiteral("缺少玩法（行首写玩法名，如 任选三）");
            return std::nullopt;
        }
        t.play = *defaultPlay;
    } else if (const std::optional<Play> play = playByName(name)) {
        t.play = *play;
    } else {
        *reason = QStringLiteral("未知玩法 %1").arg(name.toString());
        return std::nullopt;
    }
    const PlayRule& rule = playRule(t.play);
    const QString playText = playName(t.play);

    const QStringView rest = line.mid(nameEnd);
    qsizetype bar = -1;
    for (qsizetype i = 0; i < rest.size(); ++i) {
        if (isBar(rest[i])) {
            if (bar >= 0) {
                *reason = QStringLiteral("胆拖只能有一条竖线 |");
                return std::nullopt;
            }
            bar = i;
        }
    }
    std::vector<int> first;
    std::vector<int> second;
    if (!readNumbers(bar < 0 ? rest : rest.left(bar), &first, reason))
        return std::nullopt;
    if (bar >= 0 && !readNumbers(rest.mid(bar + 1), &second, reason))
        return std::nullopt;

    unsigned seen = 0;
    for (const std::vector<int>* part : { &first, &second }) {
        for (int n : *part) {
            if (n < 1 || n > 20) {
                *reason = QStringLiteral("号码 %1 不在 01–20 之内").arg(two(n));
                return std::nullopt;
            }
            if ((seen & (1u << n)) != 0) {
                *reason = QStringLiteral("号码 %1 重复").arg(two(n));
                return std::nullopt;
            }
            seen |= 1u << n;
            if (n < rule.lowest || n > rule.highest) {
                *reason = QStringLiteral("%1只投 %2–%3，不能投 %4")
                              .arg(playText, two(rule.lowest), two(rule.highest), two(n));
                return std::nullopt;
            }
        }
    }

    if (bar < 0) {
        if (static_cast<int>(first.size()) < rule.pick) {
            *reason = QStringLiteral("%1每注 %2 个号码，只有 %3 个").arg(playText).arg(rule.pick).arg(first.size());
            return std::nullopt;
        }
        t.numbers = std::move(first);
        return t;
    }
    if (!rule.bankerAllowed) {
        *reason = QStringLiteral("%1不能胆拖").arg(playText);
        return std::nullopt;
    }
    const int b = static_cast<int>(first.size());
    const int d = static_cast<int>(second.size());
    if (b < 1 || b > rule.pick - 1) {
        *reason = QStringLiteral("%1胆拖的胆码应有 1 到 %2 个，写了 %3 个").arg(playText).arg(rule.pick - 1).arg(b);
        return std::nullopt;
    }
    if (b + d <= rule.pick) {
        *reason = QStringLiteral("%1胆拖的胆码和拖码合计应多于 %2 个，只有 %3 个").arg(playText).arg(rule.pick).arg(b + d);
        return std::nullopt;
    }
    t.bankers = std::move(first);
    t.drag = std::move(second);
    return t;
}

TicketParse parseTickets(const QString& text, std::optional<Play> defaultPlay)
{
    TicketParse r;
    const QStringList lines = text.split(u'\n');
    QString reason;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const int lineNumber = static_cast<int>(i) + 1;
        if (std::optional<Ticket> t = parseTicketLine(lines[i], lineNumber, defaultPlay, &reason))
            r.tickets.push_back(std::move(*t));
        else if (!reason.isEmpty())
            r.refused.push_back(RefusedTicket { lineNumber, reason });
    }
    return r;
}

void forEachBet(const Ticket& ticket, const std::function<bool(const Bet&)>& visit)
{
    const PlayRule& rule = playRule(ticket.play);
    Bet bet;
    bet.play = ticket.play;
    bet.count = rule.pick;
    if (ticket.isBanker()) {
        const int fixed = static_cast<int>(ticket.bankers.size());
        for (int i = 0; i < fixed; ++i)
            bet.numbers[i] = static_cast<std::uint8_t>(ticket.bankers[i]);
        forEachChoice(static_cast<int>(ticket.drag.size()), rule.pick - fixed, [&](const std::array<int, 5>& idx) {
            for (int i = fixed; i < rule.pick; ++i)
                bet.numbers[i] = static_cast<std::uint8_t>(ticket.drag[idx[i - fixed]]);
            return visit(bet);
        });
        return;
    }
    const std::vector<int>& nums = ticket.numbers;
    forEachChoice(static_cast<int>(nums.size()), rule.pick, [&](const std::array<int, 5>& idx) {
        std::array<int, 5> chosen {};
        for (int i = 0; i < rule.pick; ++i)
            chosen[i] = idx[i];
        if (!rule.ordered || static_cast<int>(nums.size()) == rule.pick) {
            for (int i = 0; i < rule.pick; ++i)
                bet.numbers[i] = static_cast<std::uint8_t>(nums[chosen[i]]);
            return visit(bet);
        }
        // Every order of the chosen numbers, starting with the written one.
        do {
            for (int i = 0; i < rule.pick; ++i)
                bet.numbers[i] = static_cast<std::uint8_t>(nums[chosen[i]]);
            if (!visit(bet))
                return false;
        } while (std::next_permutation(chosen.begin(), chosen.begin() + rule.pick));
        return true;
    });
}

std::vector<Bet> expandBets(const Ticket& ticket)
{
    std::vector<Bet> bets;
    bets.reserve(static_cast<std::size_t>(std::max<std::int64_t>(0, std::min<std::int64_t>(ticket.betCount(), 1 << 24))));
    forEachBet(ticket, [&](const Bet& b) {
        bets.push_back(b);
        return true;
    });
    return bets;
}

bool betWins(const Bet& bet, const std::array<int, 8>& draw)
{
    auto drawn = [&](int n) { return std::find(draw.begin(), draw.end(), n) != draw.end(); };
    const int a = bet.numbers[0];
    const int b = bet.numbers[1];
    const int c = bet.numbers[2];
    switch (bet.play) {
    case Play::PickOneNumber:
        return draw[0] == a;
    case Play::PickOneRed:
        return draw[0] == 19 || draw[0] == 20;
    case Play::AnyTwo:
    case Play::AnyThree:
    case Play::AnyFour:
    case Play::AnyFive:
        return std::all_of(bet.numbers.begin(), bet.numbers.begin() + bet.count, [&](int n) { return drawn(n); });
    case Play::TwoAdjacentGroup:
        for (int i = 0; i + 1 < 8; ++i) {
            if ((draw[i] == a && draw[i + 1] == b) || (draw[i] == b && draw[i + 1] == a))
                return true;
        }
        return false;
    case Play::TwoAdjacentDirect:
        for (int i = 0; i + 1 < 8; ++i) {
            if (draw[i] == a && draw[i + 1] == b)
                return true;
        }
        return false;
    case Play::FrontThreeGroup: {
        std::array<int, 3> front { draw[0], draw[1], draw[2] };
        std::array<int, 3> mine { a, b, c };
        std::sort(front.begin(), front.end());
        std::sort(mine.begin(), mine.end());
        return front == mine;
    }
    case Play::FrontThreeDirect:
        return draw[0] == a && draw[1] == b && draw[2] == c;
    }
    return false;
}

DrawTable::DrawTable(const std::vector<std::array<int, 8>>& draws)
{
    m_keys.reserve(draws.size());
    for (const std::array<int, 8>& d : draws) {
        Key k;
        // A damaged row (a number outside 01..20) wins nothing.
        if (std::any_of(d.begin(), d.end(), [](int n) { return n < 1 || n > 20; })) {
            m_keys.push_back(k);
            continue;
        }
        for (int n : d)
            k.numbers |= 1u << n;
        k.first = 1u << d[0];
        k.firstThree = (1u << d[0]) | (1u << d[1]) | (1u << d[2]);
        k.firstThreeOrder = static_cast<std::uint32_t>((d[0] * 21 + d[1]) * 21 + d[2]);
        for (int i = 0; i + 1 < 8; ++i) {
            const int ordered = (d[i] - 1) * 20 + (d[i + 1] - 1);
            const int lo = std::min(d[i], d[i + 1]);
            const int hi = std::max(d[i], d[i + 1]);
            const int unordered = (lo - 1) * 20 + (hi - 1);
            k.orderedPairs[ordered >> 6] |= std::uint64_t { 1 } << (ordered & 63);
            k.pairs[unordered >> 6] |= std::uint64_t { 1 } << (unordered & 63);
        }
        m_keys.push_back(k);
    }
}

namespace {

// One bet reduced to what its play tests: a set of numbers or an index.
struct CompiledBet
{
    std::uint32_t numbers = 0;
    std::uint32_t index = 0;
};

// The draws [from, to) against one ticket's bets, added to `out`.
template<typename Wins>
void checkRange(const std::vector<CompiledBet>& bets, int from, int to, Wins wins, DrawTable::Outcome* out)
{
    for (int d = from; d < to; ++d) {
        int n = 0;
        for (const CompiledBet& b : bets)
            n += wins(d, b) ? 1 : 0;
        if (n > 0) {
            out->wins += n;
            out->winningDraws.emplace_back(d, n);
        }
    }
}

std::vector<CompiledBet> compile(const Ticket& ticket)
{
    std::vector<CompiledBet> bets;
    bets.reserve(static_cast<std::size_t>(std::min<std::int64_t>(ticket.betCount(), 1 << 24)));
    forEachBet(ticket, [&](const Bet& bet) {
        CompiledBet c;
        for (int i = 0; i < bet.count; ++i)
            c.numbers |= 1u << bet.numbers[i];
        const int a = bet.numbers[0];
        const int b = bet.numbers[1];
        if (bet.play == Play::TwoAdjacentDirect)
            c.index = static_cast<std::uint32_t>((a - 1) * 20 + (b - 1));
        else if (bet.play == Play::TwoAdjacentGroup)
            c.index = static_cast<std::uint32_t>((std::min(a, b) - 1) * 20 + (std::max(a, b) - 1));
        else if (bet.play == Play::FrontThreeDirect)
            c.index = static_cast<std::uint32_t>((a * 21 + b) * 21 + bet.numbers[2]);
        bets.push_back(c);
        return true;
    });
    return bets;
}

} // namespace

DrawTable::Outcome DrawTable::check(const Ticket& ticket) const
{
    return check(std::vector<Ticket> { ticket }).front();
}

std::vector<DrawTable::Outcome> DrawTable::check(const std::vector<Ticket>& tickets) const
{
    std::vector<std::vector<CompiledBet>> compiled;
    compiled.reserve(tickets.size());
    for (const Ticket& t : tickets)
        compiled.push_back(compile(t));
    std::vector<Outcome> out(tickets.size());
    const Key* keys = m_keys.data();
    auto bit = [](const std::array<std::uint64_t, 7>& words, std::uint32_t i) {
        return ((words[i >> 6] >> (i & 63)) & 1u) != 0;
    };
    // Block by block of draws, every ticket over the block while it is in
    // the cache: many small tickets would otherwise read the whole table
    // from memory once each.
    constexpr int kBlock = 1024;
    for (int from = 0; from < size(); from += kBlock) {
        const int to = std::min(size(), from + kBlock);
        for (std::size_t t = 0; t < tickets.size(); ++t) {
            const std::vector<CompiledBet>& bets = compiled[t];
            Outcome* o = &out[t];
            switch (tickets[t].play) {
            case Play::PickOneNumber:
                checkRange(bets, from, to, [&](int d, const CompiledBet& b) { return (keys[d].first & b.numbers) != 0; }, o);
                break;
            case Play::PickOneRed: {
                constexpr std::uint32_t red = (1u << 19) | (1u << 20);
                checkRange(bets, from, to, [&](int d, const CompiledBet&) { return (keys[d].first & red) != 0; }, o);
                break;
            }
            case Play::AnyTwo:
            case Play::AnyThree:
            case Play::AnyFour:
            case Play::AnyFive:
                checkRange(bets, from, to,
                           [&](int d, const CompiledBet& b) { return (keys[d].numbers & b.numbers) == b.numbers; }, o);
                break;
            case Play::TwoAdjacentGroup:
                checkRange(bets, from, to, [&](int d, const CompiledBet& b) { return bit(keys[d].pairs, b.index); }, o);
                break;
            case Play::TwoAdjacentDirect:
                checkRange(bets, from, to,
                           [&](int d, const CompiledBet& b) { return bit(keys[d].orderedPairs, b.index); }, o);
                break;
            case Play::FrontThreeGroup:
                checkRange(bets, from, to, [&](int d, const CompiledBet& b) { return keys[d].firstThree == b.numbers; },
                           o);
                break;
            case Play::FrontThreeDirect:
                checkRange(bets, from, to,
                           [&](int d, const CompiledBet& b) { return keys[d].firstThreeOrder == b.index; }, o);
                break;
            }
        }
    }
    return out;
}

TicketCheckResult checkTickets(const HistorySnapshot& history, const std::vector<Ticket>& tickets,
                               const PrizeTable& prizes, const QString& from, const QString& to)
{
    TicketCheckResult r;
    if (history.isEmpty()) {
        r.message = QStringLiteral("没有已存的开奖号码，无法兑奖。");
        return r;
    }
    int lo = history.recordCount() - 1;
    int hi = lo;
    const QString fromText = from.trimmed();
    const QString toText = to.trimmed();
    if (!fromText.isEmpty() || !toText.isEmpty()) {
        const std::optional<std::int64_t> a
            = fromText.isEmpty() ? std::optional<std::int64_t>(0) : issue::lastNineAsNumber(fromText);
        const std::optional<std::int64_t> b = toText.isEmpty() ? std::optional<std::int64_t>(*history.lastIssue())
                                                                : issue::lastNineAsNumber(toText);
        if (!a || !b) {
            r.message = QStringLiteral("期号“%1”不是有效的期号（后九位须为整数）。").arg(!a ? fromText : toText);
            return r;
        }
        lo = history.lowerBound(*a);
        hi = history.lowerBound(*b + 1) - 1;
        if (lo > hi) {
            r.message = QStringLiteral("%1 到 %2 之间没有已存的开奖号码。")
                            .arg(fromText.isEmpty() ? QStringLiteral("开始") : fromText,
                                 toText.isEmpty() ? QStringLiteral("最后一期") : toText);
            return r;
        }
    }
    std::vector<std::array<int, 8>> draws;
    const int count = hi - lo + 1;
    draws.reserve(static_cast<std::size_t>(count));
    for (int i = lo; i <= hi; ++i) {
        const SnapshotRow& row = history.row(i);
        std::array<int, 8> d {};
        for (int p = 1; p <= 8; ++p)
            d[p - 1] = row.value(p, 0);
        draws.push_back(d);
        r.issues.push_back(row.sqqh);
    }
    const DrawTable table(draws);
    const auto drawCount = static_cast<std::int64_t>(draws.size());
    double expected = 0;
    const std::vector<DrawTable::Outcome> outcomes = table.check(tickets);
    for (std::size_t i = 0; i < tickets.size(); ++i) {
        const Ticket& t = tickets[i];
        const DrawTable::Outcome& o = outcomes[i];
        CheckedTicket c;
        c.ticket = t;
        c.bets = t.betCount();
        c.cost = kBetPrice * c.bets * drawCount;
        c.wins = o.wins;
        c.won = o.wins * prizes.of(t.play);
        for (const auto& [index, wins] : o.winningDraws)
            c.winningDraws.emplace_back(r.issues[static_cast<std::size_t>(index)], wins);
        r.totals.bets += c.bets;
        r.totals.cost += c.cost;
        r.totals.wins += c.wins;
        r.totals.won += c.won;
        expected += static_cast<double>(c.bets) * playOdds(t.play, prizes).returnRate.value();
        r.tickets.push_back(std::move(c));
    }
    if (r.totals.cost > 0)
        r.totals.returnRate = static_cast<double>(r.totals.won) / static_cast<double>(r.totals.cost);
    if (r.totals.bets > 0)
        r.totals.expectedReturn = expected / static_cast<double>(r.totals.bets);
    r.ok = true;
    return r;
}

} // namespace corvinel
