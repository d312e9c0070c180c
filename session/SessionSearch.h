#pragma once

#include "analysis/ChanceStatistics.h"
#include "analysis/SearchEngine.h"
#include "analysis/SearchOptions.h"
#include "session/Session.h"

namespace corvinel {

// Command1 and Command2 on the main window's state: the options come from the
// session as the buttons find it, the engine (and its history mirror) lives as
// long as this object, so repeated searches reuse the loaded history.
class SessionSearch
{
public:
    explicit SessionSearch(Session& session);
    // Finishes a write-back still running while the engine is there.
    ~SessionSearch();
    SessionSearch(const SessionSearch&) = delete;
    SessionSearch& operator=(const SessionSearch&) = delete;

    // The options a search reads from the session as it stands: the pattern
    // shown and SearchChoices::of(session).
    static SearchOptions optionsFrom(const Session& session);

    // Command1. Refused (ok false, the reason in message, nothing searched)
    // for a pattern, range or verification issue with which the search would
    // answer nothing useful (rules::searchRefusal, Session::prepareSearch).
    SearchResult followPattern();
    // Command2.
    SearchResult combination();
    // The searches with options of their own (the command line); the
    // session's state is left as it is.
    // Refused as above.
    SearchResult followPattern(const SearchOptions& options);
    SearchResult combination(const SearchOptions& options);

    // The searches Command1 and Command2 have run since this object was
    // made (refused ones not counted).
    int searchCount() const { return m_searches; }

    // The ranking of the last Command1 or Command2 beside chance.
    ChanceFigures chance(const SearchResult& result) const { return chanceFigures(result, m_lastOptions); }

    // The database write-back of a search, in this thread (right after its
    // grids are shown).
    bool writeBack(SearchResult& result, QString* error);
    // The same write-back on the session's background writer: the window
    // stays responsive, and every later database operation waits for it.
    // `finished` runs on this thread once it is in (or has failed). False
    // with the reason when the result cannot be written at all.
    bool startWriteBack(SearchResult& result, Session::WriteFinished finished, QString* error);

private:
    Session& m_session;
    SearchEngine m_engine;
    SearchOptions m_lastOptions; // of the last Command1 or Command2
    int m_searches = 0;
};

} // namespace corvinel
