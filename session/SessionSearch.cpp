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
    m_lastOptions = optionsFrom(m_session);
    return m_engine.followPattern(m_lastOptions);
}

SearchResult SessionSearch::combination()
{
    m_lastOptions = optionsFrom(m_session);
    m_session.bolZyw = m_lastOptions.freePosition;
    return m_engine.combination(m_lastOptions);
}

} // namespace corvinel
