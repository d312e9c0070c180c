#include "session/SessionSearch.h"

#include "analysis/SearchWriteBack.h"
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

SessionSearch::~SessionSearch()
{
    m_session.waitForWrites();
}

namespace {

SearchResult refused(const QString& message)
{
    SearchResult r;
    r.message = message;
    return r;
}

} // namespace

// Each search starts after the previous search's write-back is in: the
// engine's columns follow the history only through it.
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
    return combination(optionsFrom(m_session));
}

SearchResult SessionSearch::followPattern(const SearchOptions& options)
{
    m_session.waitForWrites();
    if (const auto r = rules::searchRefusal(options, false, m_session.storedDraws()))
        return refused(*r);
    m_lastOptions = options;
    SearchResult result = m_engine.followPattern(options);
    if (result.ok)
        ++m_searches;
    return result;
}

SearchResult SessionSearch::combination(const SearchOptions& options)
{
    m_session.waitForWrites();
    if (const auto r = rules::searchRefusal(options, true, m_session.storedDraws()))
        return refused(*r);
    m_lastOptions = options;
    SearchResult result = m_engine.combination(options);
    if (result.ok)
        ++m_searches;
    return result;
}

bool SessionSearch::writeBack(SearchResult& result, QString* error)
{
    m_session.waitForWrites();
    return m_engine.writeBack(result, error);
}

bool SessionSearch::startWriteBack(SearchResult& result, Session::WriteFinished finished, QString* error)
{
    m_session.waitForWrites();
    std::shared_ptr<const PendingWrite> w = m_engine.takePending(result, error);
    if (!w)
        return false;
    m_session.startBackgroundWrite(
        [w](SqliteDb& db, QString* e) {
            std::int64_t rows = 0;
            bool historyChanged = false;
            const bool ok = writeSearchBack(db, *w, &rows, &historyChanged, e);
            if (historyChanged)
                *e = SearchEngine::historyChangedText();
            return ok;
        },
        [this, w, finished = std::move(finished)](bool ok, const QString& e) {
            if (ok)
                m_engine.written(*w);
            if (finished)
                finished(ok, e);
        });
    return true;
}

} // namespace corvinel
