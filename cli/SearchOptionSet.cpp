#include "cli/SearchOptionSet.h"

#include "core/IssueNumber.h"
#include "core/Kinds.h"

namespace corvinel {

namespace search_option {

namespace {

std::optional<int> kindValue(const OptionDecl& self, const QString& text, QString* error)
{
    const auto k = kindOf(text);
    if (!k)
        *error = QStringLiteral("%1: \"%2\" is not number, zodiac, head, tail, sum, segment or 0..5")
                     .arg(QLatin1String(self.name), text);
    return k;
}

// A whole number from `low` to `high`, or the option's own message.
std::optional<int> wholeIn(const QString& text, std::int64_t low, std::int64_t high)
{
    const auto n = issue::wholeNumber(text);
    if (!n || *n < low || *n > high)
        return std::nullopt;
    return static_cast<int>(*n);
}

std::optional<int> sizeValue(const OptionDecl&, const QString& text, QString* error)
{
    const auto n = wholeIn(text, -32768, 32767);
    if (!n)
        *error = QStringLiteral("--size takes a whole number, not \"%1\"").arg(text);
    return n;
}

std::optional<Positions> positionsValue(const OptionDecl&, const QString& text, QString* error)
{
    Positions ticked {};
    if (text == QLatin1String("none"))
        return ticked;
    for (const QString& part : text.split(u',')) {
        const auto p = wholeIn(part, 1, kPositions);
        if (!p) {
            *error = QStringLiteral("--positions takes positions 1..8 separated by commas, or none");
            return std::nullopt;
        }
        ticked[static_cast<std::size_t>(*p)] = true;
    }
    return ticked;
}

std::optional<int> backValue(const OptionDecl&, const QString& text, QString* error)
{
    const auto n = wholeIn(text, 1, 9);
    if (!n)
        *error = QStringLiteral("--back takes a look-back count 1..9, not \"%1\"").arg(text);
    return n;
}

std::optional<TypedPattern> patternValue(const OptionDecl&, const QString& text, QString* error)
{
    const QStringList parts = text.split(u',');
    if (parts.size() != kPositions) {
        *error = QStringLiteral("--pattern takes eight values separated by commas");
        return std::nullopt;
    }
    TypedPattern typed;
    for (int k = 1; k <= kPositions; ++k) {
        const QString t = parts[k - 1].trimmed();
        if (!issue::wholeNumber(t)) {
            *error = QStringLiteral("--pattern: \"%1\" is not a whole number").arg(t);
            return std::nullopt;
        }
        typed[static_cast<std::size_t>(k)] = t;
    }
    return typed;
}

std::optional<int> resultPositionValue(const OptionDecl&, const QString& text, QString* error)
{
    const auto p = wholeIn(text, 1, kPositions);
    if (!p)
        *error = QStringLiteral("--result-pos takes a position 1..8, not \"%1\"").arg(text);
    return p;
}

} // namespace

const Option<int> kKind { "--kind", "K",
                          "what the pattern compares: number, zodiac, head, tail, sum or segment (or 0..5)",
                          kindValue };
const Option<int> kSize { "--size", "N", "how many positions of the pattern each combination takes (1..6)", sizeValue };
const Option<Positions> kPositionList {
    "--positions", "LIST",
    "the positions of the pattern that must match, e.g. 1,3,8 (none: every draw in the range matches)", positionsValue
};
const OptionDecl kFixed { "--fixed", nullptr, "a value must be at that very position of a draw" };
const OptionDecl kFree { "--free", nullptr, "a value may be anywhere in the draw" };
const OptionDecl kPrevious { "--prev", nullptr, "compare each draw with the draw just before it" };
const Option<int> kBack { "--back", "N", "compare each draw with the draw N (1..9) issues before it", backValue };
const Option<TypedPattern> kPattern { "--pattern", "V1,...,V8",
                                      "typed values for positions 1..8 instead of the last draw's", patternValue };
const Option<QString> kVerify { "--verify", "ISSUE",
                                "take the pattern from the draw before ISSUE, to check a past draw", anyText };
const OptionDecl kOnlyBefore { "--only-before", nullptr, "with --verify: search only the draws before ISSUE" };
const Option<int> kResultKind { "--result-kind", "K",
                                "what the ranking counts: number, zodiac, head, tail, sum or segment (or 0..5)",
                                kindValue };
const Option<int> kResultPosition { "--result-pos", "P", "the position 1..8 whose value the ranking counts",
                                    resultPositionValue };
const OptionDecl kGroup { "--group", nullptr, "count the values of positions 1 up to the result position" };
const OptionDecl kDirect { "--direct", nullptr, "count only the value at the result position" };
const Option<QString> kFrom { "--from", "ISSUE", "the first draw of the range, as shown (e.g. 2025091501)", anyText };
const Option<QString> kTo { "--to", "ISSUE", "the last draw of the range, as shown", anyText };
const OptionDecl kSkipGaps { "--skip-gaps", nullptr,
                             "match a draw only when no issue is missing between it and its reference draw" };

} // namespace search_option

SearchRead readSearchOptions(const ParsedArgs& args, const SearchChoices& base)
{
    using namespace search_option;
    SearchRead r;
    SearchChoices& c = r.choices;
    c = base;
    c.positions = {};
    c.rangeFrom.reset();
    c.rangeTo.reset();
    for (const ParsedArgs::Given& g : args.options) {
        if (g.is(kKind))
            c.kind = g.as(kKind);
        else if (g.is(kResultKind))
            c.resultKind = g.as(kResultKind);
        else if (g.is(kPositionList))
            c.positions = g.as(kPositionList);
        else if (g.is(kFixed) || g.is(kFree))
            c.freePosition = g.is(kFree);
        else if (g.is(kPrevious))
            c.previousIssue = true;
        else if (g.is(kBack)) {
            c.previousIssue = false;
            c.lookBack = g.as(kBack);
        } else if (g.is(kResultPosition))
            c.resultPosition = g.as(kResultPosition);
        else if (g.is(kGroup) || g.is(kDirect))
            c.group = g.is(kGroup);
        else if (g.is(kSize))
            c.combinationSize = g.as(kSize);
        else if (g.is(kFrom))
            c.rangeFrom = g.as(kFrom);
        else if (g.is(kTo))
            c.rangeTo = g.as(kTo);
        else if (g.is(kSkipGaps))
            c.skipGaps = true;
    }

    const std::optional<TypedPattern> typed = args.get(kPattern);
    const std::optional<QString> verify = args.get(kVerify);
    const bool onlyBefore = args.has(kOnlyBefore);
    if (typed && verify) {
        r.error = QStringLiteral("--pattern (the manual tab) and --verify (the verification tab) exclude each other");
        return r;
    }
    if (onlyBefore && !verify) {
        r.error = QStringLiteral("--only-before belongs to --verify");
        return r;
    }
    r.source.from = PatternSource::From::ReferenceDraw;
    if (typed) {
        r.source.from = PatternSource::From::Typed;
        r.source.typed = *typed;
    } else if (verify) {
        r.source.from = PatternSource::From::Verification;
        r.source.issue = *verify;
        r.source.onlyBefore = onlyBefore;
    }
    return r;
}

std::vector<CommandOption> searchCommandOptions(bool combo)
{
    using namespace search_option;
    std::vector<CommandOption> o = {
        { &kKind },           { &kPositionList }, { &kFixed },  { &kFree },       { &kPrevious },
        { &kBack },           { &kPattern },      { &kVerify }, { &kOnlyBefore }, { &kResultKind },
        { &kResultPosition }, { &kGroup },        { &kDirect }, { &kFrom },       { &kTo },
        { &kSkipGaps },
    };
    if (combo)
        o.insert(o.begin() + 1, { &kSize });
    return o;
}

std::vector<CommandOption> searchShapeOptions()
{
    using namespace search_option;
    return { { &kKind }, { &kPositionList }, { &kFixed },          { &kFree },  { &kPrevious },
             { &kBack }, { &kResultKind },   { &kResultPosition }, { &kGroup }, { &kDirect },
             { &kSkipGaps } };
}

} // namespace corvinel
