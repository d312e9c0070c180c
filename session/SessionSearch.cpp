#include "session/SessionSearch.h"

#include "session/SearchSetup.h"
#include "session/Session.h"

namespace corvinel {

SessionSearch::SessionSearch(Session& session)
    : m_session(session)
    , m_engine(session.store())
{
}

SearchOptions SessionSearch::optionsFrom(const Session& s)
{
    return searchOptions(s, SearchChoices::of(s));
}

SearchResult SessionSearch::followPattern()
{
    return m_engine.followPattern(optionsFrom(m_session));
}

SearchResult SessionSearch::combination()
{
    const SearchOptions o = optionsFrom(m_session);
    m_session.bolZyw = o.freePosition;
    return m_engine.combination(o);
}

} // namespace corvinel
