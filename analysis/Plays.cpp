#include "analysis/Plays.h"

#include "analysis/Distributions.h"
#include "core/IssueNumber.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

#include <numeric>

namespace corvinel {

namespace {

constexpr int kNumbers = 20;
constexpr int kDrawn = 8;

// C(8, k) / C(20, k): all k numbers among the eight drawn.
Fraction anyOf(int k)
{
    return Fraction::of(stats::binomial(kDrawn, k), stats::binomial(kNumbers, k));
}

std::array<PlayRule, kPlayCount> buildRules()
{
    // Ordered draws of the first j numbers: 20 x 19 x ... (j factors).
    constexpr std::int64_t firstTwo = 20 * 19;
    constexpr std::int64_t firstThree = 20 * 19 * 18;
    return { {
        // The 1st number is the one named.
        { Play::PickOneNumber, "选一数投", 1, false, false, 1, 18, Fraction::of(1, kNumbers) },
        // The 1st number is red (19 or 20): either red number wins, whichever
        // was named, as the published rule says and its 25 % return implies.
        { Play::PickOneRed, "选一红投", 1, false, false, 19, 20, Fraction::of(2, kNumbers) },
        { Play::AnyTwo, "任选二", 2, false, true, 1, 20, anyOf(2) },
        // 7 adjacent position pairs, either order.
        { Play::TwoAdjacentGroup, "选二连组", 2, false, true, 1, 20, Fraction::of(7 * 2, firstTwo) },
        { Play::TwoAdjacentDirect, "选二连直", 2, true, false, 1, 20, Fraction::of(7, firstTwo) },
        { Play::AnyThree, "任选三", 3, false, true, 1, 20, anyOf(3) },
        // The first three in any of their 3! orders.
        { Play::FrontThreeGroup, "选三前组", 3, false, true, 1, 20, Fraction::of(6, firstThree) },
        { Play::FrontThreeDirect, "选三前直", 3, true, false, 1, 20, Fraction::of(1, firstThree) },
        { Play::AnyFour, "任选四", 4, false, true, 1, 20, anyOf(4) },
        { Play::AnyFive, "任选五", 5, false, true, 1, 20, anyOf(5) },
    } };
}

constexpr std::array<std::int64_t, kPlayCount> kGuangdongPrizes { 25, 5, 8, 31, 62, 24, 1300, 8000, 80, 320 };

} // namespace

Fraction Fraction::of(std::int64_t num, std::int64_t den)
{
    if (den < 0) {
        num = -num;
        den = -den;
    }
    const std::int64_t g = std::gcd(num, den);
    return g > 1 ? Fraction { num / g, den / g } : Fraction { num, den };
}

QString Fraction::text() const
{
    return den == 1 ? QString::number(num) : QStringLiteral("%1/%2").arg(num).arg(den);
}

const std::array<PlayRule, kPlayCount>& playRules()
{
    static const std::array<PlayRule, kPlayCount> rules = buildRules();
    return rules;
}

const PlayRule& playRule(Play play)
{
    return playRules()[static_cast<std::size_t>(play)];
}

std::optional<Play> playByName(QStringView name)
{
    for (const PlayRule& r : playRules()) {
        if (name == QString::fromUtf8(r.name))
            return r.play;
    }
    return std::nullopt;
}

QString playName(Play play)
{
    return QString::fromUtf8(playRule(play).name);
}

PrizeTable guangdongPrizes()
{
    PrizeTable t;
    t.prize = kGuangdongPrizes;
    return t;
}

QString prizeTablePath(const QString& dataFolder, int lotteryCode)
{
    // One file per game, so that editing one game's prizes leaves the others.
    return QDir(dataFolder).filePath(QStringLiteral("奖金表_%1.txt").arg(lotteryCode));
}

PrizeTableRead parsePrizeTable(const QString& text)
{
    PrizeTableRead r;
    r.table = guangdongPrizes();
    r.table.fromFile = true;
    const QStringList lines = text.split(u'\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const QString where = QStringLiteral("第 %1 行：").arg(i + 1);
        const QStringList parts = line.split(QRegularExpression(QStringLiteral("[\\s,，:：]+")), Qt::SkipEmptyParts);
        const std::optional<Play> play = parts.isEmpty() ? std::nullopt : playByName(parts.first());
        if (!play) {
            r.problems << where + QStringLiteral("未知玩法 %1").arg(parts.value(0));
            continue;
        }
        bool ok = false;
        const qlonglong yuan = parts.size() == 2 ? parts[1].toLongLong(&ok) : 0;
        if (!ok || yuan < 0 || yuan > 100000000) {
            r.problems << where + QStringLiteral("%1 的奖金应是一个不小于 0 的整数（元）").arg(parts.first());
            continue;
        }
        r.table.set(*play, yuan);
    }
    return r;
}

PrizeTableRead readPrizeTable(const QString& path)
{
    QFile file(path);
    if (!file.exists()) {
        PrizeTableRead r;
        r.table = guangdongPrizes();
        return r;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        PrizeTableRead r;
        r.table = guangdongPrizes();
        r.problems << QStringLiteral("无法读取 %1：%2").arg(path, file.errorString());
        return r;
    }
    return parsePrizeTable(QString::fromUtf8(file.readAll()));
}

QString prizeTableText(const PrizeTable& table)
{
    QString text = QStringLiteral("# 每注 2 元，中奖一注的奖金（元）：玩法 奖金\n");
    for (const PlayRule& r : playRules())
        text += QStringLiteral("%1 %2\n").arg(QString::fromUtf8(r.name)).arg(table.of(r.play));
    return text;
}

bool writePrizeTable(const QString& path, const PrizeTable& table, QString* error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    file.write(prizeTableText(table).toUtf8());
    if (!file.commit()) {
        *error = QStringLiteral("无法写入 %1：%2").arg(path, file.errorString());
        return false;
    }
    return true;
}

QString prizeTableNote(int lotteryCode, const PrizeTable& table)
{
    if (lotteryCode == issue::kGuangdong || table.fromFile)
        return {};
    return QStringLiteral("奖金为广东快乐十分的奖金表：本彩种的奖金可能不同，可在玩法与概率中修改。");
}

PlayOdds playOdds(Play play, const PrizeTable& table)
{
    PlayOdds o;
    o.play = play;
    o.prize = table.of(play);
    o.probability = playRule(play).probability;
    o.expectedPrize = Fraction::of(o.prize * o.probability.num, o.probability.den);
    o.returnRate = Fraction::of(o.expectedPrize.num, o.expectedPrize.den * kBetPrice);
    return o;
}

ResultTable oddsTable(const PrizeTable& table)
{
    ResultTable t;
    t.header = QStringList { QStringLiteral("玩法"),     QStringLiteral("注码数"),
                             QStringLiteral("奖金（元）"), QStringLiteral("中奖概率"),
                             QStringLiteral("概率"),     QStringLiteral("每注期望奖金（元）"),
                             QStringLiteral("返奖率") };
    for (const PlayRule& r : playRules()) {
        const PlayOdds o = playOdds(r.play, table);
        t.cells.push_back(QString::fromUtf8(r.name));
        t.cells.push_back(QString::number(r.pick));
        t.cells.push_back(QString::number(o.prize));
        t.cells.push_back(o.probability.text());
        t.cells.push_back(QString::number(o.probability.value(), 'f', 6));
        t.cells.push_back(QStringLiteral("%1 = %2").arg(o.expectedPrize.text(), QString::number(o.expectedPrize.value(), 'f', 4)));
        t.cells.push_back(QStringLiteral("%1 %").arg(QString::number(o.returnRate.value() * 100, 'f', 2)));
    }
    return t;
}

} // namespace corvinel
