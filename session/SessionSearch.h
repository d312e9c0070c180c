#pragma once

#include "analysis/SearchEngine.h"
#include "analysis/SearchOptions.h"

namespace corvinel {

class Session;

// Command1 and Command2 on the main window's state: the options come from the
// session as the buttons find it, the engine (and its history mirror) lives as
// long as this object, so repeated searches reuse the loaded history.
class SessionSearch
{
public:
    explicit SessionSearch(Session& session);

    // The options a search reads from the session as it stands: the pattern
    // shown and SearchChoices::of(session).
    static SearchOptions optionsFrom(const Session& session);

    // Command1. Refused (ok false, the reason in message, nothing searched)
    // for a pattern, range or verification issue with which the search would
    // answer nothing useful (rules::searchRefusal, Session::prepareSearch).
    SearchResult followPattern();
    // Command2. The position mode it reads is kept in the session's bolZyw
    // without writing the setting.
    SearchResult combination();
    // The searches with options of their own (the command line); the
    // session's state is left as it is.
    // Refused as above.
    SearchResult followPattern(const SearchOptions& options);
    SearchResult combination(const SearchOptions& options);

    // The database write-back of a search (right after its grids are shown).
    bool writeBack(SearchResult& result, QString* error) { return m_engine.writeBack(result, error); }

private:
    Session& m_session;
    SearchEngine m_engine;
};

} // namespace corvinel
