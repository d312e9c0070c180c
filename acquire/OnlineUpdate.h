#pragma once

#include "acquire/DayFetcher.h"
#include "store/DrawEncoder.h"
#include "acquire/DrawPageReader.h"

#include <QDate>
#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace corvinel {

class HistorySnapshot;
class HistoryStore;
class ZodiacTables;

namespace update {

// Which day pages one update loads and whether the stored history is too old
// to keep. Decided from the history as it stands when the update starts.
struct UpdatePlan
{
    bool ok = false;
    QString error; // why no update can run (unreadable stored dates, a future last draw)

    QDate today;
    int lotteryCode = 0;
    int retentionDays = 0;
    // The first stored draw is more than the retention days old: the history
    // is emptied (in the same transaction as the appends) and the whole
    // retention period is loaded again.
    bool clearHistory = false;
    int lookBackDays = 0; // D: the pages of today - D .. today are loaded
    std::int64_t lastStored = 0; // 0 when empty or cleared
    // What the retention deletion removes (clearHistory): every stored draw,
    // from the first to the last stored issue.
    int deleteCount = 0;
    std::int64_t deleteFirst = 0;
    std::int64_t deleteLast = 0;
    // The missing issues of the kept history (store/IssueGaps), in order:
    // their days are loaded again along with the new days, and the draws the
    // pages give for them are added.
    std::vector<std::int64_t> missing;

    int dayCount() const { return ok ? lookBackDays + 1 : 0; }
    // Day k = 0 .. dayCount() - 1, oldest first.
    QDate day(int k) const { return today.addDays(k - lookBackDays); }
};

// Date of a stored issue number: 2000 + its first two digits, month digits 3
// and 4, day digits 5 and 6. Invalid when the digits are no date.
QDate dateOfStored(std::int64_t sqqh);

UpdatePlan planUpdate(const HistorySnapshot& history, int lotteryCode, int retentionDays, const QDate& today);

// The line the confirmation adds before anything is fetched when the update
// will delete stored draws: how many, which, and from which date on the
// history is loaded again. Empty when the update deletes nothing.
QString retentionWarning(const UpdatePlan& plan);

// The file the draws deleted by the retention rule are saved to first, in the
// data folder: "已删除历史号码_<first day>-<last day>.txt" (days as yyyyMMdd),
// with "_2", "_3", ... before ".txt" when that name is taken.
QString retentionBackupPath(const QString& dataFolder, std::int64_t firstStored, std::int64_t lastStored);

// A day page that was loaded and holds a draw table.
struct LoadedDay
{
    QDate day;
    int pageDateNumber = 0;
    DrawPage page;
};

// Why the update stopped at a day (the day and later days are not applied).
struct DayStop
{
    QDate day;
    QString reason;
    bool isSet() const { return day.isValid(); }
};

struct NewDraw
{
    QDate day;
    std::int64_t sqqh = 0;
    std::array<int, kPositions> numbers {};
};

struct DrawSelection
{
    std::vector<NewDraw> draws;
    DayStop stop; // a gap or a bad numbers cell
};

// The draws of the loaded pages to append, oldest day first: a draw is new
// when its stored form is greater than the last stored issue number. Within a
// day they run from the first new sequence up to the highest new one; a
// sequence the page does not list, or lists with unusable numbers, stops the
// selection there, so the history never gets a hole or an invented draw.
DrawSelection selectNewDraws(const std::vector<LoadedDay>& days, std::int64_t lastStored, int lotteryCode);

// The draws the loaded pages give for `missing` (stored forms): a draw is
// taken only when its page lists it with usable numbers.
std::vector<NewDraw> selectMissingDraws(const std::vector<LoadedDay>& days, const std::vector<std::int64_t>& missing);

struct UpdateResult
{
    bool committed = false; // the history changed
    bool clearedHistory = false;
    int added = 0;
    int daysLoaded = 0;
    int daysPlanned = 0;
    std::int64_t lastAdded = 0;
    int deleted = 0; // stored draws removed by the retention rule
    QString backupPath; // where they were saved first (draw lines the import reads)
    DayStop stop; // the day that stopped the update, if any
    QString dbError; // writing failed: the history is as it was
    int filled = 0; // missing issues the pages gave and the update added
    int stillMissing = 0; // missing issues the pages did not give (the holes stay)
    bool complete() const { return !stop.isSet() && dbError.isEmpty(); }
};

// Applies the loaded days in one transaction: the retention deletion (only
// when at least one day was loaded), then the new draws through the encoder
// (previous lists from the last stored row, or empty after the deletion).
// Before the deletion the draws it removes are written to
// retentionBackupPath() in the data folder; when that file cannot be written
// nothing is deleted or added.
// `loadStop` is the failure that ended the loading, if any. On a database
// failure nothing changes, the encoder and zodiac tables included.
UpdateResult applyUpdate(HistoryStore& store, DrawEncoder& encoder, ZodiacTables& tables, const EncoderBases& bases,
                         const UpdatePlan& plan, const std::vector<LoadedDay>& days, const DayStop& loadStop);

// The end message of an update, for the window and the command line.
QString resultMessage(const UpdateResult& result);

// Loads the day pages of a plan one after another, oldest first, and reads
// each one. Stops at the first page that cannot be loaded or has no draw
// table, or when cancelled; what was loaded before stays in loadedDays().
class OnlineUpdate : public QObject
{
    Q_OBJECT

public:
    explicit OnlineUpdate(QObject* parent = nullptr);

    DayFetcher& fetcher() { return m_fetcher; }

    // False (reason in error()) when the base address is unusable or the
    // plan has no day to load.
    bool start(const QString& base, const UpdatePlan& plan);
    void cancel();
    bool isRunning() const { return m_running; }
    QString error() const { return m_error; }

    const UpdatePlan& plan() const { return m_plan; }
    const std::vector<LoadedDay>& loadedDays() const { return m_loaded; }
    const DayStop& stop() const { return m_stop; }

signals:
    // Day `index` (1-based) of `count` starts loading.
    void dayStarted(int index, int count, const QDate& day);
    void fetchFinished();

private:
    void fetchDay(int k);
    void onPage(const FetchResult& result);
    void finish();

    DayFetcher m_fetcher;
    UpdatePlan m_plan;
    QString m_base;
    QString m_error;
    std::vector<LoadedDay> m_loaded;
    DayStop m_stop;
    int m_current = 0;
    bool m_running = false;
    bool m_cancelRequested = false;
};

} // namespace update
} // namespace corvinel
