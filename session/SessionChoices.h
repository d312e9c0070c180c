#pragma once

#include "core/Settings.h"

#include <QString>

#include <optional>

namespace corvinel {

// The persisted choices of the search and of the settings menu, typed. Each
// is bound to its key of the settings table in one place (SessionChoices.cpp);
// nothing else reads or writes those keys for the session.
struct SessionChoices
{
    int lotteryCode = 0; // GsZl: 544 Guangdong, 568 Tianjin, 556 Hunan
    int drawsPerDay = 0; // follows lotteryCode
    bool freePosition = false; // true "自由位" (free positions), false "固定位"
    bool previousIssue = false; // true "上期", false "前 N 期" (N back)
    bool groupMode = false; // true "组选", false "直选"
    bool redBallsOnly = false; // true "红球", false "红蓝"
    bool zodiacNumbersByOrder = false; // true zodiac numbers by order, false by age
    int searchKind = 0; // 0..5
    int resultKind = 0; // 0..5
    QString resultKindLetter; // kind letter of resultKind
    int resultPosition = 0; // 1..8
    int segmentBase = 0; // 0/1
    int zodiacBase = 0; // 0/1
    int lookBack = 0; // the N of "前 N 期"
    int combinationSize = 0;
    int retentionDays = 0; // days the online update keeps, 2..16
    QString updateBase; // results site of the online update (empty: none set)
};

// Reads and writes the choices through the settings table.
class ChoiceStore
{
public:
    explicit ChoiceStore(Settings& settings)
        : m_settings(settings)
    {
    }

    const SessionChoices& values() const { return m_values; }

    // Every choice from the settings. A stored value that cannot be read (or
    // that a strict key does not allow) leaves the choice as it is (zero or
    // false on a fresh session), except the retention days, which fall back
    // to their default: a stored 0 would make the next online update delete
    // every stored draw as too old. `gameOverride` replaces the game for
    // this run only.
    void load(std::optional<int> gameOverride);

    // Each setter changes one choice and writes its key.
    void set(bool SessionChoices::*choice, bool value);
    void set(int SessionChoices::*choice, int value);
    void setUpdateBase(const QString& address);
    // The game for this run and its draws a day; written unless `persist` is false.
    void setGame(int code, bool persist = true);
    // Writes a choice's key again with the value held.
    void rewrite(bool SessionChoices::*choice);
    void rewrite(int SessionChoices::*choice);

private:
    Settings& m_settings;
    SessionChoices m_values;
};

} // namespace corvinel
