#pragma once

#include "cli/CliArgs.h"
#include "session/SearchSetup.h"

#include <array>
#include <vector>

namespace corvinel {

// The options that set up a search, each declared once. search, combo and
// backtest take them, and one function reads them for all three.
namespace search_option {

using Positions = std::array<bool, 9>; // ticked positions, 1..8
using TypedPattern = std::array<QString, 9>; // typed texts of positions 1..8

extern const Option<int> kKind;
extern const Option<int> kSize; // combo and backtest --combo only
extern const Option<Positions> kPositionList;
extern const OptionDecl kFixed;
extern const OptionDecl kFree;
extern const OptionDecl kPrevious;
extern const Option<int> kBack;
extern const Option<TypedPattern> kPattern;
extern const Option<QString> kVerify;
extern const OptionDecl kOnlyBefore;
extern const Option<int> kResultKind;
extern const Option<int> kResultPosition;
extern const OptionDecl kGroup;
extern const OptionDecl kDirect;
extern const Option<QString> kFrom;
extern const Option<QString> kTo;
extern const OptionDecl kSkipGaps;

} // namespace search_option

// A search as its options give it.
struct SearchRead
{
    SearchChoices choices;
    PatternSource source; // the last draw unless --pattern or --verify
    QString error; // a usage error: options that exclude each other

    bool ok() const { return error.isEmpty(); }
};

// The search the options of `args` give over `base` (the session's choices):
// each given option overrides its choice, in the order given (a later one
// overrides an earlier one); the positions and the range are the given ones
// or none and the default range, never the session's. Options outside the
// search set are left alone.
SearchRead readSearchOptions(const ParsedArgs& args, const SearchChoices& base);

// The search set in the order search (and, with --size, combo) lists it in
// its help.
std::vector<CommandOption> searchCommandOptions(bool combo);
// The options that shape a search without choosing its pattern or range, as
// backtest takes them (its steps choose those).
std::vector<CommandOption> searchShapeOptions();

} // namespace corvinel
