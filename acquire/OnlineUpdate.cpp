#include "acquire/OnlineUpdate.h"

#include "store/IssueGaps.h"

#include "store/HistorySnapshot.h"
#include "store/HistoryStore.h"
#include "core/IssueNumber.h"
#include "acquire/UpdateUrl.h"
#include "core/ZodiacTables.h"
#include "store/HistoryMaintenance.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <map>

namespace corvinel::update {

namespace {

int sequenceFactor(int lotteryCode)
{
    return issue::sequenceDigits(lotteryCode) == 3 ? 1000 : 100;
}

QString dayText(const QDate& d)
{
    return d.toString(QStringLiteral("yyyy-MM-dd"));
}

} // namespace

QDate dateOfStored(std::int64_t sqqh)
{
    if (sqqh <= 0)
        return {};
    const QString digits = QString::number(sqqh);
    if (digits.size() < 7)
        return {};
    return QDate(2000 + digits.left(2).toInt(), digits.mid(2, 2).toInt(), digits.mid(4, 2).toInt());
}

UpdatePlan planUpdate(const HistorySnapshot& history, int lotteryCode, int retentionDays, const QDate& today)
{
    UpdatePlan plan;
    plan.today = today;
    plan.lotteryCode = lotteryCode;
    plan.retentionDays = retentionDays;
    if (!today.isValid()) {
        plan.error = QStringLiteral("今天的日期无效");
        return plan;
    }
    // A negative count would make every stored draw too old: the retention
    // rule would delete the whole history and the plan would load no day.
    if (retentionDays < 0) {
        plan.error = QStringLiteral("保留天数%1无效").arg(retentionDays);
        return plan;
    }
    if (history.isEmpty()) {
        plan.lookBackDays = retentionDays;
        plan.ok = true;
        return plan;
    }
    const std::int64_t first = history.first()->sqqh;
    const std::int64_t last = history.last()->sqqh;
    const QDate firstDate = dateOfStored(first);
    const QDate lastDate = dateOfStored(last);
    if (!firstDate.isValid() || !lastDate.isValid()) {
        plan.error = QStringLiteral("已存历史号码的期号%1读不出日期")
                         .arg(issue::displayForm(firstDate.isValid() ? last : first));
        return plan;
    }
    if (firstDate.daysTo(today) > retentionDays) {
        plan.clearHistory = true;
        plan.lastStored = 0;
        plan.lookBackDays = retentionDays;
        plan.deleteCount = history.recordCount();
        plan.deleteFirst = first;
        plan.deleteLast = last;
    } else {
        plan.lastStored = last;
        plan.lookBackDays = static_cast<int>(lastDate.daysTo(today));
        if (plan.lookBackDays < 0) {
            plan.error = QStringLiteral("最后一期%1的日期晚于今天（%2），请检查系统日期")
                             .arg(issue::displayForm(last), dayText(today));
            return plan;
        }
        // The whole history is within the kept period here: its holes are
        // fetched again, from the day of the earliest one.
        std::vector<std::int64_t> issues;
        issues.reserve(static_cast<std::size_t>(history.recordCount()));
        for (const SnapshotRow& r : history.rows())
            issues.push_back(r.sqqh);
        const int perDay = issue::drawsPerDay(lotteryCode);
        const std::int64_t factor = sequenceFactor(lotteryCode);
        for (const IssueGap& g : gaps::find(issues, lotteryCode, perDay).gaps) {
            for (std::int64_t x = g.firstMissing; x <= g.lastMissing;) {
                plan.missing.push_back(x);
                x = x % factor >= perDay ? (dateOfStored(x).addDays(1).toString(QStringLiteral("yyMMdd")).toLongLong()
                                                * factor
                                            + 1)
                                         : x + 1;
            }
        }
        if (!plan.missing.empty()) {
            const QDate earliest = dateOfStored(plan.missing.front());
            if (earliest.isValid())
                plan.lookBackDays = std::max(plan.lookBackDays, static_cast<int>(earliest.daysTo(today)));
        }
    }
    plan.ok = true;
    return plan;
}

QString retentionWarning(const UpdatePlan& plan)
{
    if (!plan.ok || !plan.clearHistory)
        return {};
    return QStringLiteral("已存的最早一期%1早于保留的%2天，更新将删除已存的全部%3期历史号码（%4至%5），"
                          "只保留从%6起重新载入的历史号码；删除前先把它们备份到数据文件夹中的文本文件。")
        .arg(issue::displayForm(plan.deleteFirst))
        .arg(plan.retentionDays)
        .arg(plan.deleteCount)
        .arg(issue::displayForm(plan.deleteFirst), issue::displayForm(plan.deleteLast), dayText(plan.day(0)));
}

QString retentionBackupPath(const QString& dataFolder, std::int64_t firstStored, std::int64_t lastStored)
{
    const auto ymd = [](std::int64_t sqqh) {
        const QDate d = dateOfStored(sqqh);
        return d.isValid() ? d.toString(QStringLiteral("yyyyMMdd")) : QString::number(sqqh);
    };
    const QString stem = QStringLiteral("已删除历史号码_%1-%2").arg(ymd(firstStored), ymd(lastStored));
    const QDir dir(dataFolder);
    QString path = dir.filePath(stem + QStringLiteral(".txt"));
    for (int k = 2; QFileInfo::exists(path); ++k)
        path = dir.filePath(QStringLiteral("%1_%2.txt").arg(stem).arg(k));
    return path;
}

DrawSelection selectNewDraws(const std::vector<LoadedDay>& days, std::int64_t lastStored, int lotteryCode)
{
    DrawSelection sel;
    const int factor = sequenceFactor(lotteryCode);
    std::int64_t last = lastStored;
    for (const LoadedDay& day : days) {
        // The draws of the page newer than the last stored one, by sequence.
        // A row whose draw has not been made yet (no numbers cell) is no draw.
        std::map<int, const PageDraw*> fresh;
        for (const PageDraw& d : day.page.draws) {
            if (d.hasNumbers && d.sqqh > last)
                fresh.emplace(d.sequence, &d);
        }
        if (fresh.empty())
            continue;
        const int highest = fresh.rbegin()->first;
        const int firstNew = last / factor < day.pageDateNumber ? 1 : static_cast<int>(last % factor) + 1;
        for (int s = firstNew; s <= highest; ++s) {
            const auto it = fresh.find(s);
            const std::int64_t sqqh = static_cast<std::int64_t>(day.pageDateNumber) * factor + s;
            if (it == fresh.end()) {
                sel.stop = { day.day, QStringLiteral("页面上缺少第%1期").arg(issue::displayForm(sqqh)) };
                return sel;
            }
            // The same refusal as the import's and the manual entry's.
            if (const auto bad = issue::issueRefusal(sqqh, lotteryCode, issue::drawsPerDay(lotteryCode))) {
                sel.stop = { day.day, *bad };
                return sel;
            }
            if (!it->second->usable()) {
                sel.stop = { day.day,
                             QStringLiteral("第%1期的号码“%2”不能用：%3")
                                 .arg(issue::displayForm(sqqh), it->second->numbersText, it->second->problem) };
                return sel;
            }
            sel.draws.push_back({ day.day, sqqh, it->second->numbers });
            last = sqqh;
        }
    }
    return sel;
}

std::vector<NewDraw> selectMissingDraws(const std::vector<LoadedDay>& days, const std::vector<std::int64_t>& missing)
{
    std::vector<NewDraw> out;
    if (missing.empty())
        return out;
    for (const LoadedDay& day : days) {
        for (const PageDraw& d : day.page.draws) {
            if (d.hasNumbers && d.usable() && std::binary_search(missing.begin(), missing.end(), d.sqqh))
                out.push_back({ day.day, d.sqqh, d.numbers });
        }
    }
    std::sort(out.begin(), out.end(), [](const NewDraw& a, const NewDraw& b) { return a.sqqh < b.sqqh; });
    out.erase(std::unique(out.begin(), out.end(), [](const NewDraw& a, const NewDraw& b) { return a.sqqh == b.sqqh; }),
              out.end());
    return out;
}

UpdateResult applyUpdate(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const EncoderBases& bases,
                         const UpdatePlan& plan, const std::vector<LoadedDay>& days, const DayStop& loadStop)
{
    UpdateResult result;
    result.daysLoaded = static_cast<int>(days.size());
    result.daysPlanned = plan.dayCount();
    result.stop = loadStop;
    if (days.empty())
        return result; // nothing loaded: the history stays exactly as it was

    // Everything decided from the stored history (the last stored draw, the
    // retention deletion and its backup) is read under the write lock of the
    // append, so no other program's change falls between decision and write.
    QString backupPath;
    DrawSelection sel;
    int deleted = 0;
    bool cleared = false;
    // Missing issues within the kept period that the pages now give.
    const std::vector<NewDraw> fill
        = plan.clearHistory ? std::vector<NewDraw>() : selectMissingDraws(days, plan.missing);
    result.stillMissing = static_cast<int>(plan.missing.size() - fill.size());
    MaintenanceOutcome written;
    if (fill.empty()) {
        written = HistoryMaintenance(store, encoder, tables).appendDecided(
            [&](const std::optional<SnapshotRow>& last, bool* clearFirst,
                QString* refusal) -> std::optional<std::vector<PlainDraw>> {
                // The plan was made before the pages arrived; the retention rule
                // deletes only when it still holds for the history as it is now.
                bool clear = plan.clearHistory;
                HistorySnapshot history;
                if (clear) {
                    history = store.lishiSnapshot();
                    if (history.readFailed()) {
                        *refusal = history.readError();
                        return std::nullopt;
                    }
                    clear = planUpdate(history, plan.lotteryCode, plan.retentionDays, plan.today).clearHistory;
                }
                *clearFirst = clear;
                const std::int64_t lastStored = clear ? 0 : (last ? last->sqqh : 0);
                sel = selectNewDraws(days, lastStored, plan.lotteryCode);
                std::vector<PlainDraw> draws;
                if (sel.draws.empty() && !clear)
                    return draws;
                // The draws the retention rule deletes are saved first, as draw
                // lines the import reads, so the deletion never loses them.
                if (clear && !history.isEmpty()) {
                    backupPath = retentionBackupPath(store.dataFolder(), history.first()->sqqh, history.last()->sqqh);
                    QString error;
                    if (!HistoryMaintenance::writeFileAtomically(
                            backupPath, HistoryMaintenance::backupText(history, history.recordCount()), &error)) {
                        backupPath.clear();
                        *refusal = QStringLiteral("不能备份将删除的历史号码（%1）").arg(error);
                        return std::nullopt;
                    }
                }
                cleared = clear;
                deleted = clear ? history.recordCount() : 0;
                draws.reserve(sel.draws.size());
                for (const NewDraw& d : sel.draws)
                    draws.push_back({ d.sqqh, d.numbers });
                return draws;
            },
            bases);
    } else {
        // Draws go in between stored ones: every later row's lag columns and
        // lists change, so the whole history is encoded again in one
        // transaction, as a rebuild does.
        const HistorySnapshot history = store.lishiSnapshot();
        if (history.readFailed()) {
            result.dbError = history.readError();
            return result;
        }
        sel = selectNewDraws(days, history.last() ? history.last()->sqqh : 0, plan.lotteryCode);
        std::vector<PlainDraw> all;
        all.reserve(static_cast<std::size_t>(history.recordCount()) + fill.size() + sel.draws.size());
        for (const SnapshotRow& r : history.rows()) {
            PlainDraw d;
            d.sqqh = r.sqqh;
            for (int k = 1; k <= kPositions; ++k)
                d.numbers[static_cast<std::size_t>(k - 1)] = r.value(k, 0);
            all.push_back(d);
        }
        for (const NewDraw& d : fill)
            all.push_back({ d.sqqh, d.numbers });
        for (const NewDraw& d : sel.draws)
            all.push_back({ d.sqqh, d.numbers });
        std::sort(all.begin(), all.end(), [](const PlainDraw& x, const PlainDraw& y) { return x.sqqh < y.sqqh; });
        written = HistoryMaintenance(store, encoder, tables).rebuild(all, bases);
    }
    if (sel.stop.isSet())
        result.stop = sel.stop; // a content stop comes before any later load failure
    if (!written.ok) {
        result.dbError = written.error.isEmpty() ? QStringLiteral("数据库写入失败") : written.error;
        return result;
    }
    if (written.written == 0 && !cleared)
        return result;

    result.committed = true;
    result.clearedHistory = cleared;
    result.deleted = deleted;
    result.backupPath = backupPath;
    result.added = static_cast<int>(sel.draws.size());
    result.filled = static_cast<int>(fill.size());
    result.lastAdded = sel.draws.empty() ? 0 : sel.draws.back().sqqh;
    return result;
}

QString resultMessage(const UpdateResult& r)
{
    if (!r.dbError.isEmpty())
        return QStringLiteral("写入历史号码失败：%1。历史号码没有改变。").arg(r.dbError);
    QString text;
    if (r.stop.isSet()) {
        text = QStringLiteral("在线更新在%1停止：%2。").arg(dayText(r.stop.day), r.stop.reason);
        if (!r.committed)
            return text + QStringLiteral("没有新增历史号码，历史号码没有改变。");
        text += QStringLiteral("%1之前的各天已更新，新增%2期历史号码").arg(dayText(r.stop.day)).arg(r.added);
    } else {
        text = QStringLiteral("在线更新完成，新增%1期历史号码").arg(r.added);
    }
    if (r.added > 0)
        text += QStringLiteral("，最新一期为%1").arg(issue::displayForm(r.lastAdded));
    text += QStringLiteral("。");
    if (r.filled > 0)
        text += QStringLiteral("补上了%1期缺期。").arg(r.filled);
    if (r.stillMissing > 0)
        text += QStringLiteral("网页上仍没有%1期缺期的号码，这些缺期保持原样。").arg(r.stillMissing);
    if (r.clearedHistory) {
        text += QStringLiteral("原有历史号码超过保留天数，已先全部删除（%1期）").arg(r.deleted);
        if (!r.backupPath.isEmpty())
            text += QStringLiteral("，删除的号码已备份到%1，可用“读取历史号文本”读回")
                        .arg(QDir::toNativeSeparators(r.backupPath));
        text += QStringLiteral("。");
    }
    return text;
}

OnlineUpdate::OnlineUpdate(QObject* parent)
    : QObject(parent)
{
    connect(&m_fetcher, &DayFetcher::finished, this, &OnlineUpdate::onPage);
}

bool OnlineUpdate::start(const QString& base, const UpdatePlan& plan)
{
    m_error.clear();
    if (m_running) {
        m_error = QStringLiteral("在线更新正在进行");
        return false;
    }
    if (!plan.ok) {
        m_error = plan.error;
        return false;
    }
    if (plan.dayCount() <= 0) {
        m_error = QStringLiteral("没有要载入的日期");
        return false;
    }
    if (!isUsableBase(base, &m_error))
        return false;
    m_base = base;
    m_plan = plan;
    m_loaded.clear();
    m_stop = {};
    m_cancelRequested = false;
    m_running = true;
    fetchDay(0);
    return true;
}

void OnlineUpdate::cancel()
{
    if (!m_running)
        return;
    m_cancelRequested = true;
    m_fetcher.cancel();
}

void OnlineUpdate::fetchDay(int k)
{
    m_current = k;
    const QDate day = m_plan.day(k);
    emit dayStarted(k + 1, m_plan.dayCount(), day);
    if (m_cancelRequested) { // cancelled between two pages
        m_stop = { day, QStringLiteral("已取消") };
        finish();
        return;
    }
    m_fetcher.fetch(dayPageUrl(m_base, m_plan.lotteryCode, day));
}

void OnlineUpdate::onPage(const FetchResult& result)
{
    if (!m_running)
        return;
    const QDate day = m_plan.day(m_current);
    if (!result.ok) {
        m_stop = { day, result.error };
        finish();
        return;
    }
    DrawPageReader reader(m_plan.lotteryCode, day);
    LoadedDay loaded;
    loaded.day = day;
    loaded.pageDateNumber = reader.pageDateNumber();
    loaded.page = reader.read(result.body);
    if (!loaded.page.hasTable) {
        m_stop = { day,
                   loaded.page.tooDeep ? QStringLiteral("页面结构嵌套超过%1层，不是开奖页面").arg(kMaxNesting)
                                       : QStringLiteral("页面中没有开奖表（id为draw_list的元素）") };
        finish();
        return;
    }
    m_loaded.push_back(std::move(loaded));
    if (m_current + 1 < m_plan.dayCount())
        fetchDay(m_current + 1);
    else
        finish();
}

void OnlineUpdate::finish()
{
    // Reported from the event loop, never from inside the call that ended the
    // loading (a cancel click, an abort), so that the receiver may show
    // dialogs and delete what it likes.
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_running = false;
            emit fetchFinished();
        },
        Qt::QueuedConnection);
}

} // namespace corvinel::update
