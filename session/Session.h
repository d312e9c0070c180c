#pragma once

#include "store/BackgroundWriter.h"
#include "store/DrawEncoder.h"
#include "store/HistorySnapshot.h"
#include "store/HistoryStore.h"
#include "core/Settings.h"
#include "core/ZodiacTables.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace corvinel {

// A message the front end shows when a handler refuses an input.
struct Refusal
{
    QString title;
    QString text;
};

// The main window's whole state and every handler of the shell, without
// widgets. The window (and the command-line front end) shows this state and
// forwards the user's actions to the handlers below. Every change of the
// stored history goes through HistoryChanges, which runs the refresh
// procedures (reloadHistory(), nextIssueDisplay(), patternRefresh()) after it;
// searches take their options from searchOptions() (SearchSetup.h).
//
// Control arrays keep their element numbers: patternTexts[k] is Text2(k) (1..8 on the
// first tab, 11..18 on the verification tab), manualPatternTexts[e] is Text22(e) (element
// k is position k for k = 1..7, element 0 is position 8).
//
// Handlers run "continue on error": a step that cannot be carried out (empty
// history, a box that holds no number) is skipped and the handler goes on; the
// state it would have set keeps its previous value.
//
// State members are public so that front ends and features can read and set
// them directly; who changes them outside a handler calls notifyStateChanged().
class Session : public QObject
{
    Q_OBJECT

public:
    // Tabs of TabStrip1.
    enum Tab
    {
        TabHistory = 0,
        TabManual = 1,
        TabVerify = 2
    };

    // Outcome of one answer to the mnuSetDay input box.
    enum class SetDayOutcome
    {
        Accepted,
        Unchanged,
        Refused
    };

    // `settings` is the settings store to read and write (the user's store
    // unless a test hands an ini file); `dataFolder` holds the database.
    Session(std::unique_ptr<Settings> settings, QString dataFolder, QObject* parent = nullptr);
    ~Session() override;

    // Replaces the stored lottery code for this run only (not written back).
    // Call before startUp().
    void setGameOverride(int lotteryCode) { m_gameOverride = lotteryCode; }

    // The start-up sequence: settings, game, database, option choices, next
    // issue number, zodiac tables, default range, search pattern, history.
    void startUp();
    // The history's rows are read when first asked for (snapshot()) instead
    // of at start-up: for commands that show no rows. Until then every
    // question about the stored draws goes to the database. Call before
    // startUp().
    void setHistoryRowsOnDemand(bool onDemand) { m_rowsOnDemand = onDemand; }
    // Whether the rows are held (read at start-up or since asked for).
    bool historyRowsLoaded() const { return m_history.has_value(); }
    bool isStarted() const { return m_started; }

    // ---- Persisted settings, as read at start-up and changed by handlers ----
    int lotteryCode = 0; // GsZl: 544 Guangdong, 568 Tianjin, 556 Hunan
    int drawsPerDay = 0; // follows lotteryCode
    bool freePosition = false; // true "自由位" (free positions), false "固定位"
    bool previousIssue = false; // true "上期", false "前    期" (N back)
    bool groupMode = false; // true "组选", false "直选"
    bool redBallsOnly = false; // true "红球", false "红蓝"
    bool zodiacNumbersByOrder = false; // SxSetup: true zodiac numbers by order, false by age
    int searchKind = 0; // intLei, 0..5
    int resultKind = 0; // intXianshiLei, 0..5
    QString resultKindLetter; // kind letter of resultKind
    int resultPosition = 0; // intConsqSort, result position 1..8
    int segmentBase = 0; // segment base 0/1
    int zodiacBase = 0; // zodiac base 0/1
    int lookBack = 0; // intPreQi, the N of "前 N 期"
    int combinationSize = 0; // intZhWSetup, combination size
    int retentionDays = 0; // IniSerchDay, 2..16
    QString updateBase; // UpdateBase, results site of the online update (empty: none set, the update refuses to run)

    // ---- Search pattern and mode ----
    std::array<int, 9> pattern {}; // slots 1..8 used
    bool manualMode = false;
    int selectedTab = TabHistory;
    std::int64_t lastDrawQqh = 0; // QQH of the last stored draw, set by nextIssueDisplay()

    // ---- Texts of the boxes ----
    QString nextIssueText = QStringLiteral("2007001"); // next draw issue number
    QString verificationIssueText = QStringLiteral("20161212001"); // verification issue number
    std::array<QString, 19> patternTexts; // 1..8 pattern of tab 1, 11..18 pattern of tab 3
    std::array<QString, 8> manualPatternTexts; // manual pattern boxes (element 0 = position 8)
    std::array<QString, 9> entryTexts; // 1..8 manual entry of the latest draw
    QString lookBackText; // look-back count as shown
    QString combinationSizeText; // combination size as shown

    // ---- Check boxes ----
    std::array<bool, 19> tickedPositions {}; // 1..8 on tab 1, 11..18 on tab 3
    std::array<bool, 8> manualTickedPositions {}; // manual tab, element 0 = position 8

    // ---- Derived checks of the option groups and menus ----
    bool option1Selected(int i) const;
    bool option2Selected(int i) const { return i == 5 ? groupMode : (i == 4 && !groupMode); }
    bool option3Selected(int i) const { return i == searchKind; }
    bool option4Selected(int i) const { return i == resultKind; }
    bool option5Selected(int i) const { return i == resultPosition; }
    bool option6Selected(int i) const { return i == 1 ? redBallsOnly : (i == 0 && !redBallsOnly); }
    bool mnuKL10Checked(int i) const;
    bool mnuSxcsChecked(int i) const { return i == zodiacBase; }
    bool mnuDscsChecked(int i) const { return i == segmentBase; }
    bool mnuSxsetupChecked(int i) const { return i == 0 ? zodiacNumbersByOrder : (i == 1 && !zodiacNumbersByOrder); }
    // Text4 and Check4 are shown on the verification tab only.
    bool verificationVisible() const { return selectedTab == TabVerify; }

    // ---- Handlers of the option groups and boxes ----
    // Each choice is written to the settings at once, as a click does.
    void setFreePosition(bool free); // "自由位", else "固定位"
    void setPreviousIssue(bool previous); // "上期", else "前 N 期"
    void setGroupMode(bool group); // "组选", else "直选"
    void setSearchKind(int kind); // 0..5
    void setResultKind(int kind); // 0..5
    void setResultPosition(int position); // 1..8
    void setRedBallsOnly(bool on); // "红球", else "红蓝" (restored only; no search reads it)
    // Look-back count box left: 1..9 taken (and written), anything else is
    // refused and the box shows the previous count again.
    std::optional<Refusal> setLookBackText(const QString& text);
    // Combination size box left: a whole number 1..6 is taken and written;
    // anything else brings back the previous value.
    void setCombinationSizeText(const QString& text);
    // Keys the manual pattern boxes accept: backspace, "-" and digits.
    static bool manualKeyAccepted(QChar c);
    // Manual pattern box `element` (Text22) left with `text`.
    void setManualPatternText(int element, const QString& text);
    static int manualElementOfPosition(int position) { return position % 8; }

    // ---- Settings menu ----
    void setSegmentBase(int i);
    void setZodiacBase(int i);
    void setZodiacNumbersByOrder(bool byOrder);
    // 544 Guangdong, 568 Tianjin, 556 Hunan (the menu's games); other codes are ignored.
    void setGame(int code);
    static constexpr std::array<int, 3> kMenuGames = { 544, 568, 556 };
    // One answer of the retention-days dialogue (nothing = cancelled). On
    // Refused the front end shows setDayRefusal() and asks again.
    SetDayOutcome mnuSetDayAnswer(const std::optional<QString>& answer);
    static QString setDayPrompt();
    static QString setDayTitle();
    static Refusal setDayRefusal();
    // Results site of the online update: an http(s) address, or empty to
    // forget the stored one (the update then refuses to run). Refused otherwise.
    std::optional<Refusal> setUpdateBase(const QString& address);
    static QString updateBasePrompt();
    static QString updateBaseTitle();

    // ---- Tabs and refresh procedures ----
    void selectTab(int tab);
    // Re-reads the search pattern from the reference draw (tab 1) or the
    // manual boxes.
    void patternRefresh();
    // Text1/Text4 from the last stored draw (QihaoXianshi).
    void nextIssueDisplay();
    // Reference draw and pattern of the verification tab.
    void verificationRefresh();
    // Text4 left or confirmed with Enter: the verification refresh for the
    // issue typed. An issue whose previous draw is not stored is refused
    // (the message names it) and the pattern stays as it was.
    std::optional<Refusal> setVerificationIssue(const QString& text);
    // Right before a search: the pattern of the page in use taken again from
    // what that page shows (tab 1's boxes, the manual boxes, or the
    // verification issue), so the boxes show exactly the pattern searched.
    // Refused when the verification issue cannot give a pattern.
    std::optional<Refusal> prepareSearch();

    // ---- Search range ----
    // The range the next search from the page in use reads. Automatic unless
    // the user typed one: from the first stored draw plus the reference
    // draw's distance (1 in "上期" mode, N in "前 N 期" mode) to the last
    // stored draw, so it follows every change of the history. A typed range
    // is kept exactly as typed until the user changes it or leaves a box
    // empty. "仅检索该期前" ends the range of the verification page's
    // searches before the verification issue, and of no other page's.
    // Empty on an empty history.
    QString rangeStart() const;
    QString rangeEnd() const;
    bool rangeIsTyped() const { return m_typedRange.has_value(); }
    // The automatic start for a lag mode.
    QString automaticRangeStart(bool previousIssue, int lookBack) const;
    // True while the end is the verification page's ("仅检索该期前" ticked on
    // that page): the window shows it and does not take typing there.
    bool rangeEndFollowsVerification() const;
    // Range box `end` (0 start, 1 end) typed: from now on the range is typed,
    // the other end kept as it was shown.
    void typeRangeBox(int end, const QString& text);
    // Back to the automatic range.
    void useAutomaticRange();
    // "仅检索该期前" of the verification page.
    bool onlyBeforeVerification() const { return m_onlyBeforeVerification; }
    void setOnlyBeforeVerification(bool on);

    // Takes a fresh copy of the stored history (or, with rows on demand,
    // drops the one held) and tells the front ends (AddHaoma).
    void reloadHistory();

    // ---- Owned objects ----
    Settings& settings() { return *m_settings; }
    // Waits for a background write first: every database operation comes after it.
    HistoryStore& store()
    {
        waitForWrites();
        return m_store;
    }
    // The complete stored history (read now when rows are on demand and not
    // yet read).
    const HistorySnapshot& snapshot() const;
    // Questions about what is stored, answered for the whole history: by the
    // rows held when they are, otherwise by the database.
    const StoredDraws& storedDraws() const;
    DrawEncoder& encoder() { return m_encoder; }
    ZodiacTables& zodiac() { return m_zodiac; }
    const ZodiacTables& zodiac() const { return m_zodiac; }
    QString dataFolder() const { return m_dataFolder; }
    EncoderBases bases() const { return { zodiacBase, segmentBase }; }

    // For changes made outside the handlers.
    void notifyStateChanged() { emit stateChanged(); }

    // ---- One history per game ----
    // "跳过缺期": searches match only draws whose reference draw reaches them
    // without a hole (not persisted; off at start).
    bool skipGaps = false;
    // The data folder as given: it holds one folder per game's history;
    // dataFolder() is the selected game's folder once started.
    QString dataRoot() const { return m_dataRoot; }
    // What start-up did with a history found at the data folder's root (one
    // line; empty when there was none).
    QString historyNote() const { return m_historyNote; }
    // Opens the selected game's history (adopting a root history first) and
    // makes it the one every reader and writer sees. False when its database
    // cannot be opened (the store is then closed).
    bool openGameHistory();
    // After a game switch: the new game's history, then the refreshes a
    // change of the history runs (grid, pattern, next issue, range).
    void switchGameHistory();

    // ---- Background writes (the search's write-back) ----
    using WriteFinished = std::function<void(bool ok, const QString& error)>;
    // Starts `job` on a connection of its own, off this thread, after any
    // write still running. `finished` runs on this thread in the
    // waitForWrites() after the job has ended.
    void startBackgroundWrite(BackgroundWriter::Job job, WriteFinished finished);
    // Waits for the running write and runs its completion. Every database
    // operation calls it first (store() does), and so does closing.
    void waitForWrites();
    bool isWriting() const { return m_writer.isBusy(); }

signals:
    // Any text, option or check of the state changed.
    void stateChanged();
    // A fresh history snapshot was taken (after reloadHistory()).
    void historyChanged();
    // A background write started (true) or ended (false; call waitForWrites()
    // to run its completion).
    void writingChanged(bool writing);

private:
    QString patternText(int value) const;
    // The pattern from `draw`, each value also shown in Text2(firstBox + k - 1)
    // unless it has no text.
    void patternFromDraw(const SnapshotRow& draw, int firstBox);
    // Text2(1..8) from `draw`, the pattern left as it is.
    void showReferenceDraw(const SnapshotRow& draw);
    // The predecessor of the verification issue typed, when it is one.
    std::optional<std::int64_t> verificationPredecessor() const;
    // The pattern as the boxes show it (Text2(1..8), or the manual boxes); a
    // box that holds no number leaves its slot as it was.
    void patternFromBoxes(bool manualBoxes);

    std::unique_ptr<Settings> m_settings;
    QString m_dataFolder;
    QString m_dataRoot;
    QString m_historyNote;
    std::optional<int> m_gameOverride;
    bool m_started = false;
    void positionModeChanged();

    bool m_rowsOnDemand = false;
    // mutable: rows on demand are read by the first const reader.
    mutable HistoryStore m_store;
    mutable std::optional<HistorySnapshot> m_history;
    std::optional<std::pair<QString, QString>> m_typedRange;
    bool m_onlyBeforeVerification = false;
    ZodiacTables m_zodiac;
    DrawEncoder m_encoder;
    BackgroundWriter m_writer;
    WriteFinished m_writeFinished;
};

} // namespace corvinel
