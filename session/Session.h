#pragma once

#include "core/Settings.h"
#include "session/PatternPages.h"
#include "session/SessionChoices.h"
#include "session/SessionHistory.h"

#include <QObject>
#include <QString>

#include <array>
#include <cstdint>
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

// What the user asks, without widgets: the small owner of three concerns.
// - choices(): the persisted choices of the search and the settings menu
//   (SessionChoices, read and written through the settings table);
// - patterns(): the three pattern pages and the pattern in use (PatternPages);
// - history(): the stored history with its store, zodiac tables, encoder and
//   background writer (SessionHistory).
// The window (and the command line) forwards the user's intents to the
// methods below and shows what the specific signals say has changed. Every
// change of the stored history goes through HistoryChanges, which runs the
// refreshes after it; searches take their options from searchOptions()
// (SearchSetup.h).
//
// Intents run "continue on error": a step that cannot be carried out (empty
// history, a value the page has none for) is skipped and the intent goes on;
// the state it would have set keeps its previous value.
class Session : public QObject
{
    Q_OBJECT

public:
    using Tab = PatternPages::Tab;
    static constexpr Tab TabHistory = PatternPages::TabHistory;
    static constexpr Tab TabManual = PatternPages::TabManual;
    static constexpr Tab TabVerify = PatternPages::TabVerify;

    // Outcome of one answer to the retention-days input box.
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
    // of at start-up: for commands that show no rows. Call before startUp().
    void setHistoryRowsOnDemand(bool onDemand) { m_history->setRowsOnDemand(onDemand); }
    bool historyRowsLoaded() const { return m_history->rowsLoaded(); }
    bool isStarted() const { return m_started; }

    // ---- The three concerns ----
    const SessionChoices& choices() const { return m_choices.values(); }
    const PatternPages& patterns() const { return m_patterns; }
    SessionHistory& history() { return *m_history; }
    const SessionHistory& history() const { return *m_history; }

    // The next draw's issue number (display form), from the last stored draw.
    const QString& nextIssue() const { return m_nextIssue; }
    // QQH of the last stored draw (0 on an empty history).
    std::int64_t lastDrawQqh() const { return m_lastDrawQqh; }

    // ---- Derived checks of the option groups and menus ----
    bool option1Selected(int i) const;
    bool option2Selected(int i) const;
    bool option3Selected(int i) const { return i == choices().searchKind; }
    bool option4Selected(int i) const { return i == choices().resultKind; }
    bool option5Selected(int i) const { return i == choices().resultPosition; }
    bool option6Selected(int i) const;
    bool mnuKL10Checked(int i) const;
    bool mnuSxcsChecked(int i) const { return i == choices().zodiacBase; }
    bool mnuDscsChecked(int i) const { return i == choices().segmentBase; }
    bool mnuSxsetupChecked(int i) const;
    // The verification issue and "仅检索该期前" are shown on the verification page only.
    bool verificationVisible() const { return m_patterns.selectedTab == TabVerify; }

    // ---- Choices ----
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

    // ---- Pattern pages ----
    void selectTab(int tab);
    // A value typed on a page (`position` 1..8; nothing: the box holds no
    // number, which keeps the value the page had).
    void setPatternValue(int tab, int position, std::optional<int> value);
    void setPositionTicked(int tab, int position, bool ticked);
    // Keys the typed page's boxes accept: backspace, "-" and digits.
    static bool manualKeyAccepted(QChar c);
    // A box of the typed page left with `text`: its number is taken into the
    // pattern in use at once.
    void setManualPatternText(int position, const QString& text);
    // Re-reads the search pattern from the reference draw (tab 1) or the
    // typed page.
    void patternRefresh();
    // The next issue number (and the verification issue) from the last
    // stored draw, shown again (nextIssueChanged()).
    void nextIssueDisplay();
    // Reference draw and pattern of the verification tab.
    void verificationRefresh();
    // The verification issue left or confirmed with Enter: the verification
    // refresh for the issue typed. An issue whose previous draw is not stored
    // is refused (the message names it) and the pattern stays as it was.
    std::optional<Refusal> setVerificationIssue(const QString& text);
    // The verification issue as typed, taken without a refresh (a search
    // right after it checks and refreshes, prepareSearch()).
    void typeVerificationIssue(const QString& text);
    // Right before a search: the pattern of the page in use taken again from
    // that page (its values, or the verification issue), so the page shows
    // exactly the pattern searched. Refused when the verification issue
    // cannot give a pattern.
    std::optional<Refusal> prepareSearch();
    // The text a value of the reference-draw or verification page shows: a
    // zodiac name for the zodiac kind, else the number.
    QString patternText(int value) const;

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

    // After a change of the stored history: takes a fresh copy of it (or,
    // with rows on demand, drops the one held), then the next issue number
    // and the search pattern follow it, and the front ends are told.
    void reloadHistory();

    // ---- Owned objects, forwarded from history() ----
    Settings& settings() { return *m_settings; }
    HistoryStore& store() { return m_history->store(); }
    const HistorySnapshot& snapshot() const { return m_history->snapshot(); }
    const StoredDraws& storedDraws() const { return m_history->storedDraws(); }
    DrawEncoder& encoder() { return m_history->encoder(); }
    ZodiacTables& zodiac() { return m_history->zodiac(); }
    const ZodiacTables& zodiac() const { return m_history->zodiac(); }
    QString dataFolder() const { return m_dataFolder; }
    EncoderBases bases() const { return { choices().zodiacBase, choices().segmentBase }; }

    using WriteFinished = SessionHistory::WriteFinished;
    void startBackgroundWrite(BackgroundWriter::Job job, WriteFinished finished)
    {
        m_history->startBackgroundWrite(std::move(job), std::move(finished));
    }
    void waitForWrites() { m_history->waitForWrites(); }
    bool isWriting() const { return m_history->isWriting(); }

    // ---- One history per game ----
    // "跳过缺期": searches match only draws whose reference draw reaches them
    // without a hole (not persisted; off at start).
    bool skipGaps() const { return m_skipGaps; }
    void setSkipGaps(bool on);
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


signals:
    // A choice of the option groups, boxes or menus changed.
    void choicesChanged();
    // The pattern pages changed: values, ticks, tab, verification issue.
    void patternChanged();
    // The range the next search uses may have changed (typed, automatic,
    // "仅检索该期前"); also follows every historyChanged() and choicesChanged().
    void rangeChanged();
    // A fresh history copy was taken (after reloadHistory()), and the next
    // issue and the pattern follow it.
    void historyChanged();
    // The next issue number and the verification issue were set again from
    // the last stored draw.
    void nextIssueChanged();
    // A background write started (true) or ended (false; call waitForWrites()
    // to run its completion).
    void writingChanged(bool writing);

private:
    // The pattern from `draw` into `tab`'s page and the pattern in use.
    void patternFromDraw(const SnapshotRow& draw, int tab);
    // The reference-draw page shows `draw`, the pattern left as it is.
    void showReferenceDraw(const SnapshotRow& draw);
    // The predecessor of the verification issue typed, when it is one.
    std::optional<std::int64_t> verificationPredecessor() const;
    // The pattern in use from a page's values; a position the page has no
    // value for keeps its slot.
    void patternFromPage(int tab);
    void positionModeChanged();

    std::unique_ptr<Settings> m_settings;
    QString m_dataFolder; // the selected game's folder once started
    QString m_dataRoot; // the data folder as given
    QString m_historyNote;
    bool m_skipGaps = false;
    std::optional<int> m_gameOverride;
    bool m_started = false;

    ChoiceStore m_choices;
    PatternPages m_patterns;
    SessionHistory* m_history; // a child of this object
    QString m_nextIssue = QStringLiteral("2007001");
    std::int64_t m_lastDrawQqh = 0;
    std::optional<std::pair<QString, QString>> m_typedRange;
    bool m_onlyBeforeVerification = false;
};

} // namespace corvinel
