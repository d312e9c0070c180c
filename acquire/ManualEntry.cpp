#include "acquire/ManualEntry.h"

#include "store/HistoryMaintenance.h"
#include "store/HistorySnapshot.h"
#include "store/HistoryStore.h"
#include "core/IssueNumber.h"
#include "core/ZodiacTables.h"

#include <QDate>

namespace corvinel::manual_entry {

bool placeHasDigit(const QString& boxText, int place)
{
    if (place < 0 || place >= boxText.size())
        return false;
    const QChar ch = boxText.at(place);
    return ch.unicode() >= u'0' && ch.unicode() <= u'9';
}

bool isComplete(const QString& boxText)
{
    return placeHasDigit(boxText, 0) && placeHasDigit(boxText, 1);
}

int boxValue(const QString& boxText)
{
    int v = 0;
    for (int place = 0; place < 2 && placeHasDigit(boxText, place); ++place)
        v = v * 10 + (boxText.at(place).unicode() - u'0');
    return v;
}

Check checkNumbers(const Numbers& numbers)
{
    Check c;
    c.numbers = numbers;
    for (int i = 0; i < kPositions; ++i) {
        const int n = numbers[i];
        if (n < 1 || n > 20) {
            c.box = i + 1;
            c.message = QStringLiteral("第 %1 个号码框的号码 %2 不在 01 到 20 之间。")
                            .arg(i + 1)
                            .arg(n, 2, 10, QLatin1Char('0'));
            return c;
        }
        for (int j = 0; j < i; ++j) {
            if (numbers[j] == n) {
                c.box = i + 1;
                c.message = QStringLiteral("第 %1 个号码框的号码 %2 与第 %3 个号码框重复，一期的八个号码各不相同。")
                                .arg(i + 1)
                                .arg(n, 2, 10, QLatin1Char('0'))
                                .arg(j + 1);
                return c;
            }
        }
    }
    c.ok = true;
    return c;
}

Check checkBoxes(const BoxTexts& boxes)
{
    Numbers numbers {};
    for (int i = 0; i < kPositions; ++i) {
        if (!isComplete(boxes[i])) {
            Check c;
            c.box = i + 1;
            c.message = !placeHasDigit(boxes[i], 0) && !placeHasDigit(boxes[i], 1)
                ? QStringLiteral("第 %1 个号码框还没有输入号码。").arg(i + 1)
                : QStringLiteral("第 %1 个号码框要输入两位数字（例如 05）。").arg(i + 1);
            return c;
        }
        numbers[i] = boxValue(boxes[i]);
    }
    return checkNumbers(numbers);
}

std::optional<std::int64_t> storedIssue(const QString& text1)
{
    const QString t = text1.trimmed();
    if (!t.startsWith(QStringLiteral("20")))
        return std::nullopt;
    // YYMMDD and a sequence number of two or three digits.
    const QString digits = t.mid(2);
    if (digits.size() < 8 || digits.size() > 9)
        return std::nullopt;
    for (const QChar ch : digits)
        if (ch.unicode() < u'0' || ch.unicode() > u'9')
            return std::nullopt;
    const QDate date(2000 + digits.left(2).toInt(), digits.mid(2, 2).toInt(), digits.mid(4, 2).toInt());
    if (!date.isValid() || digits.mid(6).toInt() < 1)
        return std::nullopt;
    return digits.toLongLong();
}

namespace {

StoreOutcome failed(std::int64_t sqqh, const QString& error)
{
    return StoreOutcome { false, sqqh, error };
}

} // namespace

StoreOutcome storeDraw(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const HistorySnapshot& current,
                       const EncoderBases& bases, std::int64_t sqqh, const Numbers& numbers)
{
    if (!store.isOpen())
        return failed(sqqh, QStringLiteral("历史数据库没有打开，号码未保存。"));

    QString error;
    const std::optional<bool> stored = store.containsIssue(sqqh, &error);
    if (!stored)
        return failed(sqqh, QStringLiteral("号码未保存：%1").arg(error));
    if (*stored)
        return failed(sqqh, QStringLiteral("第 %1 期已在历史号码中，号码未保存。").arg(issue::displayForm(sqqh)));

    const MaintenanceOutcome written = HistoryMaintenance(store, encoder, tables)
                                           .appendDraws({ PlainDraw { sqqh, numbers } }, current, bases);
    if (!written.ok)
        return failed(sqqh, QStringLiteral("号码未保存：%1").arg(written.error));
    return StoreOutcome { true, sqqh, {} };
}

StoreOutcome storeNextDraw(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const EncoderBases& bases,
                           const std::function<std::optional<std::int64_t>(std::int64_t last)>& nextOf,
                           const Numbers& numbers)
{
    if (!store.isOpen())
        return failed(0, QStringLiteral("历史数据库没有打开，号码未保存。"));
    std::int64_t sqqh = 0;
    const MaintenanceOutcome written = HistoryMaintenance(store, encoder, tables)
                                           .appendDecided(
                                               [&](const std::optional<SnapshotRow>& last, bool* clearFirst,
                                                   QString* refusal) -> std::optional<std::vector<PlainDraw>> {
                                                   *clearFirst = false;
                                                   const auto next = last ? nextOf(last->sqqh) : std::nullopt;
                                                   if (!next) {
                                                       *refusal = QStringLiteral("历史号码中没有上一期，请给出期号");
                                                       return std::nullopt;
                                                   }
                                                   sqqh = *next;
                                                   return std::vector<PlainDraw> { PlainDraw { sqqh, numbers } };
                                               },
                                               bases);
    if (!written.ok)
        return failed(sqqh, QStringLiteral("号码未保存：%1").arg(written.error));
    return StoreOutcome { true, sqqh, {} };
}

StoreOutcome enter(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const HistorySnapshot& current,
                   const EncoderBases& bases, const QString& text1, const BoxTexts& boxes)
{
    const std::optional<std::int64_t> sqqh = storedIssue(text1);
    if (!sqqh)
        return failed(0,
                      QStringLiteral("下一期期号“%1”不是有效的期号，请在期号框中输入年月日和期序号，例如 20161212001。")
                          .arg(text1));
    const Check check = checkBoxes(boxes);
    if (!check.ok)
        return failed(*sqqh, check.message);
    return storeDraw(store, encoder, tables, current, bases, *sqqh, check.numbers);
}

} // namespace corvinel::manual_entry
