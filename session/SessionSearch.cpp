#include "session/SessionSearch.h"

#include "session/Session.h"

namespace corvinel {

SessionSearch::SessionSearch(Session& session)
    : m_session(session)
    , m_engine(session.store())
{
}

SearchOptions SessionSearch::optionsFrom(const Session& s)
{
    SearchOptions o;
    for (int p = 1; p <= kPositions; ++p) {
        o.pattern[p] = s.pattern[p];
        if (s.manualMode)
            o.positions[p] = s.check11[Session::manualElementOfPosition(p)];
        else if (s.selectedTab == Session::TabHistory)
            o.positions[p] = s.check1[p];
        else
            o.positions[p] = s.check1[10 + p];
    }
    o.kind = s.searchKind;
    o.freePosition = !s.option1Selected(0); // free unless "固定位" is selected
    o.previousIssue = s.bolSq;
    o.lookBack = s.lookBack;
    o.rangeFrom = s.text3[0];
    o.rangeTo = s.text3[1];
    o.resultKind = s.resultKind;
    o.resultPosition = s.consqSort;
    o.group = s.bolZuxuan;
    o.combinationSize = s.zhWSetup;
    o.zodiacBase = s.sxIni;
    o.segmentBase = s.dsIni;
    return o;
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
