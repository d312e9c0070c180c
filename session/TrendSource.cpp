#include "session/TrendSource.h"

#include "session/Session.h"

namespace corvinel {

TrendSource::TrendSource(Session& session)
    : m_session(session)
{
}

bool TrendSource::ensureLoaded(QString* error)
{
    HistoryStore& store = m_session.store();
    if (m_loaded && m_version == store.dataVersion())
        return true;
    m_loaded = false;
    if (!loadDrawNumbers(store.db(), &m_draws, error))
        return false;
    m_loaded = true;
    m_version = store.dataVersion();
    return true;
}

TrendResult TrendSource::compute(int last, int kind, int position)
{
    TrendResult result;
    if (!ensureLoaded(&result.error)) {
        result.error = QStringLiteral("the history cannot be read: %1").arg(result.error);
        return result;
    }
    TrendOptions o;
    o.last = last;
    o.kind = kind;
    o.position = position;
    o.segmentBase = m_session.choices().segmentBase;
    o.skipGaps = m_session.skipGaps();
    o.lotteryCode = m_session.choices().lotteryCode;
    return computeTrend(m_draws, o);
}

} // namespace corvinel
