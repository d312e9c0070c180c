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

    // The options a search reads: the pattern, the ticked positions of the
    // page in use (the manual page in manual mode, otherwise tab 1's or the
    // verification page's), kinds, modes, range, result settings, bases.
    static SearchOptions optionsFrom(const Session& session);

    // Command1.
    SearchResult followPattern();
    // Command2. The position mode it reads is kept in the session's bolZyw
    // without writing the setting.
    SearchResult combination();

    // The database write-back of a search (right after its grids are shown).
    bool writeBack(SearchResult& result, QString* error) { return m_engine.writeBack(result, error); }

private:
    Session& m_session;
    SearchEngine m_engine;
};

} // namespace corvinel
