#include "session/HistoryWatch.h"

#include "session/Session.h"
#include "store/HistoryStore.h"

namespace corvinel {

namespace {

bool sameDraws(const HistorySnapshot& a, const HistorySnapshot& b)
{
    if (a.recordCount() != b.recordCount() || a.readFailed() != b.readFailed())
        return false;
    for (int i = 0; i < a.recordCount(); ++i) {
        const SnapshotRow& x = a.row(i);
        const SnapshotRow& y = b.row(i);
        if (x.sqqh != y.sqqh || x.qqh != y.qqh || x.values != y.values)
            return false;
    }
    return true;
}

} // namespace

HistoryWatch::HistoryWatch(Session& session)
    : m_session(session)
{
    m_version = m_session.store().db().dataVersion();
}

QString HistoryWatch::changedText()
{
    return QStringLiteral("历史号码已被其他程序更改，已重新读入");
}

QString HistoryWatch::followFile()
{
    Session& s = m_session;
    HistoryStore& store = s.store(); // waits for the session's own writes
    if (!store.isOpen())
        return {};
    bool changed = false;
    const QString identity = HistoryStore::fileIdentity(store.databasePath());
    if (!identity.isEmpty() && identity != store.openFileIdentity()) {
        // Another file now stands under the name: the open one is a deleted
        // file whose writes nobody would ever read.
        const QString folder = store.dataFolder();
        store.close();
        if (!store.open(folder))
            return store.lastError();
        changed = true;
    } else {
        const std::optional<std::int64_t> version = store.db().dataVersion();
        if (!version || version == m_version)
            return {};
        changed = !sameDraws(store.snapshot(), s.snapshot());
    }
    m_version = store.db().dataVersion();
    if (!changed)
        return {};
    // Caches of the table (the searches' columns) read it again.
    store.markChanged();
    s.reloadHistory();
    return changedText();
}

} // namespace corvinel
