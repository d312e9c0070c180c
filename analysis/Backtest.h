#pragma once

#include "analysis/FollowTally.h"
#include "analysis/HistoryMirror.h"
#include "analysis/SearchOptions.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace corvinel {

class HistoryStore;

// What a batch verification runs: one search set up as the window has it, and
// the stored draws it is verified on.
struct BacktestOptions
{
    // Kinds, positions, modes, result settings and bases of the search. Its
    // rangeFrom is the start of every step's search range (Text3(0)); the
    // pattern and rangeTo are set per step.
    SearchOptions search;
    bool combination = false; // Command2 with search.combinationSize; otherwise Command1
    QString from; // first verified draw, display form
    QString to; // last verified draw, display form
    int top = 3; // K
};

// Why a step has no score.
enum class StepState
{
    Scored,
    EmptyRange, // the search range before the draw holds no draw
    NoReference, // the draw N back from the verified draw is not stored
    NoMatch, // the search matched no draw
};

// One verified draw: the verification search for it, its top K values and
// what the draw really held.
struct BacktestStep
{
    std::int64_t sqqh = 0;
    StepState state = StepState::NoMatch;
    int matched = 0; // M of the verification search
    std::vector<TallyEntry> top; // the first K ranking rows with a count above 0
    std::vector<int> actual; // values of the result kind at the tally positions of the draw
    int hits = 0; // how many of `actual` are among the top values (scored steps)
    double chance = 0; // per trial: the sum of q(v) over the top values (the chance model of the result kind)

    bool scored() const { return state == StepState::Scored; }
};

// Over the scored steps. The figures that need a trial or a variance are
// empty without one.
struct BacktestSummary
{
    int steps = 0;
    int scoredSteps = 0;
    std::int64_t trials = 0;
    std::int64_t hits = 0;
    double expectedHits = 0; // sum of chance x trials
    // Sum over the scored steps of P p (1 - p) (20 - P) / 19: a step's P
    // positions are drawn without replacement, so its hits are
    // hypergeometric (binomial for P = 1).
    double variance = 0;
    std::optional<double> hitRate;
    std::optional<double> chanceRate; // expectedHits / trials
    std::optional<double> z; // (hits - expected) / sqrt(variance)
    // One-sided: the normal upper tail of z, or with fewer than 5 expected
    // hits or misses the exact P(hits >= h) of the sum of the steps'
    // hypergeometric hits (pExact).
    std::optional<double> pValue;
    bool pExact = false;
    std::optional<double> ciLow; // Wilson 95 % interval of the hit rate (stats::wilsonInterval)
    std::optional<double> ciHigh;
};

struct BacktestResult
{
    bool ok = false;
    bool cancelled = false;
    QString message; // why the batch did not run (for the user)
    int trialsPerStep = 0; // P: tally positions of one draw
    std::vector<BacktestStep> steps;
    BacktestSummary summary;
};

// The walk-forward test of a search: for every stored draw t in the range
// that has a draw before it, the search the verification tab runs for t with
// "仅检索该期前" ticked (pattern from the draw before t, or N back; only draws
// up to the one before t searched), scored against what t held.
//
// The history is read once into memory; each step is answered by word-wide
// bit operations over per-token and per-position bit sets of the records
// before t, with the same marks the search's statements would leave. The
// database is only read.
class Backtest
{
public:
    // Called now and then with the steps done; returning false cancels.
    using Progress = std::function<bool(int done, int total)>;

    explicit Backtest(HistoryStore& store);
    ~Backtest();

    BacktestResult run(const BacktestOptions& options, const Progress& progress = {});

    // The summary figures of a list of steps with P trials each.
    static BacktestSummary summarize(const std::vector<BacktestStep>& steps, int trialsPerStep);

    // A value as the ranking's 结果 column shows it (zodiac by name).
    static QString valueText(int value, int kind, int zodiacBase);

    // One-sided p value of z from the normal upper tail.
    static double normalUpperTail(double z);
private:
    // Reads the columns the batch needs into the mirror (again after the
    // history changed); false with the reason in `message`.
    bool loadHistory(const BacktestOptions& options, QString* message);

    HistoryStore& m_store;
    HistoryMirror m_mirror;
    std::uint64_t m_version = 0;
};

} // namespace corvinel
