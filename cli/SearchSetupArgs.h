#pragma once

#include "analysis/SearchOptions.h"
#include "cli/CliArgs.h"

#include <optional>
#include <vector>

namespace corvinel {

class Session;

// The options that set up a search as search and combo declare them (kinds,
// positions, position and lag mode, result position, group or direct),
// without those that choose the pattern, the range or the output.
std::vector<OptionDecl> searchSetupOptions();

// The search these options give over the session's choices, with the
// pattern of the reference draw and the default range; a usage error leaves
// `error` set.
std::optional<SearchOptions> searchSetupFrom(const Session& session, const ParsedArgs& args, QString* error);

} // namespace corvinel
