#include "session/SessionSearch.h"

#include "session/SearchSetup.h"
#include "session/Session.h"

#include "analysis/SearchRules.h"

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

namespace {

SearchResult refused(const QString& message)
{
    SearchResult r;
    r.message = message;
    return r;
}

} // namespace

SearchResult SessionSearch::followPattern()
{
    if (const auto r = m_session.prepareSearch())
        return refused(r->text);
    return followPattern(optionsFrom(m_session));
}

SearchResult SessionSearch::combination()
{
    if (const auto r = m_session.prepareSearch())
        return refused(r->text);
    const SearchOptions o = optionsFrom(m_session);
    m_session.bolZyw = o.freePosition;
    return combination(o);
}

SearchResult SessionSearch::followPattern(const SearchOptions& options)
{
    if (const auto r = rules::searchRefusal(options, false, m_session.snapshot()))
        return refused(*r);
    return m_engine.followPattern(options);
}

SearchResult SessionSearch::combination(const SearchOptions& options)
{
    if (const auto r = rules::searchRefusal(options, true, m_session.snapshot()))
        return refused(*r);
    return m_engine.combination(options);
}

} // namespace corvinel
