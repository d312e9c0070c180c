#include "core/IssueNumber.h"

#include <QDate>

#include <limits>

namespace corvinel::issue {

int drawsPerDay(int lotteryCode)
{
    // Guangdong draws 84 times a day like Tianjin and Hunan; only 566 differs.
    return lotteryCode == kCode566 ? 97 : 84;
}

int sequenceDigits(int lotteryCode)
{
    return (lotteryCode == kTianjin || lotteryCode == kHunan) ? 3 : 2;
}

QString displayForm(std::int64_t stored)
{
    return QStringLiteral("20") + QString::number(stored);
}

QString gameName(int lotteryCode)
{
    switch (lotteryCode) {
    case kGuangdong:
        return QStringLiteral("广东快乐十分");
    case kTianjin:
        return QStringLiteral("天津快乐十分");
    case kHunan:
        return QStringLiteral("湖南快乐十分");
    case kCode566:
        // No menu item names it; its draws a day tell it from Guangdong.
        return QStringLiteral("代码566（每天97期）");
    default:
        return QStringLiteral("彩种%1").arg(lotteryCode);
    }
}

std::optional<QString> issueRefusal(std::int64_t stored, int lotteryCode, int perDay)
{
    const QString digits = QString::number(stored);
    const int seqDigits = sequenceDigits(lotteryCode);
    if (stored <= 0 || digits.size() != storedDigits(lotteryCode))
        return QStringLiteral("期号%1不是%2的期号：%2的期号是“20”、年月日和%3位期序号，共%4位。")
            .arg(displayForm(stored), gameName(lotteryCode))
            .arg(seqDigits)
            .arg(2 + storedDigits(lotteryCode));
    const int y = digits.left(2).toInt();
    const int m = digits.mid(2, 2).toInt();
    const int d = digits.mid(4, 2).toInt();
    if (!QDate(2000 + y, m, d).isValid())
        return QStringLiteral("期号%1中的日期20%2不是有效的日期。").arg(displayForm(stored), digits.left(6));
    const int seq = digits.right(seqDigits).toInt();
    if (seq < 1 || seq > perDay)
        return QStringLiteral("期号%1的期序号%2超出%3每天的期数（1到%4）。")
            .arg(displayForm(stored), digits.right(seqDigits), gameName(lotteryCode))
            .arg(perDay);
    return std::nullopt;
}

std::optional<std::int64_t> wholeNumber(const QString& text)
{
    // QString's conversion stops at an embedded NUL and reports success, so
    // "5\0junk" would pass as 5.
    if (text.contains(QChar(u'\0')))
        return std::nullopt;
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return v;
}

std::int64_t leadingValue(const QString& text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text[i] == u' ' || text[i] == u'\t'))
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t v = 0;
    for (; i < n && text[i].isDigit() && text[i].unicode() < 128; ++i) {
        if (v > (INT64_MAX - 9) / 10)
            break;
        v = v * 10 + (text[i].unicode() - u'0');
    }
    return negative ? -v : v;
}

std::optional<std::int64_t> lastNineAsNumber(const QString& text)
{
    return wholeNumber(text.right(9));
}

namespace {

std::optional<QDate> storedDate(const QString& digits)
{
    if (digits.size() < 6)
        return std::nullopt;
    bool okY = false, okM = false, okD = false;
    const int y = digits.left(2).toInt(&okY);
    const int m = digits.mid(2, 2).toInt(&okM);
    const int d = digits.mid(4, 2).toInt(&okD);
    if (!okY || !okM || !okD)
        return std::nullopt;
    QDate date(2000 + y, m, d);
    if (!date.isValid())
        return std::nullopt;
    return date;
}

} // namespace

std::optional<QString> nextIssue(std::int64_t last, int lotteryCode, int perDay)
{
    const QString digits = QString::number(last);
    bool ok = false;
    const int s = digits.right(2).toInt(&ok);
    if (!ok)
        return std::nullopt;
    if (s != perDay) {
        if (last == std::numeric_limits<std::int64_t>::max())
            return std::nullopt; // no number follows
        return displayForm(last + 1);
    }
    const auto date = storedDate(digits);
    if (!date)
        return std::nullopt;
    const QString first = sequenceDigits(lotteryCode) == 3 ? QStringLiteral("001") : QStringLiteral("01");
    return date->addDays(1).toString(QStringLiteral("yyyyMMdd")) + first;
}

std::optional<std::int64_t> verificationPredecessor(const QString& text, int lotteryCode, int perDay)
{
    const bool three = sequenceDigits(lotteryCode) == 3;
    const QString firstSeq = three ? QStringLiteral("001") : QStringLiteral("01");
    if (text.right(firstSeq.size()) != firstSeq) {
        const auto v = wholeNumber(text.right(three ? 9 : 8));
        if (!v)
            return std::nullopt;
        return *v - 1;
    }
    bool okY = false, okM = false, okD = false;
    const int y = text.left(4).toInt(&okY);
    const int m = text.mid(4, 2).toInt(&okM);
    const int d = text.mid(6, 2).toInt(&okD);
    if (!okY || !okM || !okD)
        return std::nullopt;
    const QDate date(y, m, d);
    if (!date.isValid())
        return std::nullopt;
    const QDate before = date.addDays(-1);
    const std::int64_t yymmdd = (before.year() % 100) * 10000 + before.month() * 100 + before.day();
    return yymmdd * (three ? 1000 : 100) + perDay;
}

} // namespace corvinel::issue
