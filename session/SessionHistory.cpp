#include "session/SessionHistory.h"

#include <utility>

namespace corvinel {

SessionHistory::SessionHistory(QObject* parent)
    : QObject(parent)
    , m_encoder(m_zodiac)
{
}

SessionHistory::~SessionHistory()
{
    m_writer.wait();
}

void SessionHistory::close()
{
    waitForWrites();
    m_store.close();
    m_rows.reset();
}

bool SessionHistory::open(const QString& dataFolder, const std::function<void(HistoryStore&)>& prepare)
{
    close();
    if (dataFolder.isEmpty() || !m_store.open(dataFolder))
        return false;
    if (prepare)
        prepare(m_store);
    // Caches of the history's contents (the search's columns) key on the
    // version: another file is another content.
    m_store.markChanged();
    if (!m_rowsOnDemand)
        m_rows = m_store.snapshot();
    return true;
}

void SessionHistory::reload()
{
    waitForWrites();
    if (m_rowsOnDemand)
        m_rows.reset();
    else
        m_rows = m_store.snapshot();
}

const HistorySnapshot& SessionHistory::snapshot() const
{
    if (!m_rows)
        m_rows = m_store.snapshot();
    return *m_rows;
}

const StoredDraws& SessionHistory::storedDraws() const
{
    if (m_rows)
        return *m_rows;
    return m_store.draws();
}

void SessionHistory::startBackgroundWrite(BackgroundWriter::Job job, WriteFinished finished)
{
    waitForWrites();
    m_writeFinished = std::move(finished);
    m_writer.start(m_store.databasePath(), std::move(job), [this](bool, const QString&) {
        // On the writer's thread: tell this thread's event loop.
        QMetaObject::invokeMethod(
            this, [this] { emit writingChanged(false); }, Qt::QueuedConnection);
    });
    emit writingChanged(true);
}

void SessionHistory::waitForWrites()
{
    if (!m_writeFinished && !m_writer.isBusy())
        return;
    QString error;
    const bool ok = m_writer.wait(&error);
    if (WriteFinished finished = std::exchange(m_writeFinished, nullptr))
        finished(ok, error);
}

} // namespace corvinel
