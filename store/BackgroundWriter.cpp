#include "store/BackgroundWriter.h"

#include "store/SqliteDb.h"

namespace corvinel {

BackgroundWriter::~BackgroundWriter()
{
    wait();
}

void BackgroundWriter::start(const QString& databasePath, Job job, Done done)
{
    wait();
    m_busy = true;
    m_thread = std::thread([this, databasePath, job = std::move(job), done = std::move(done)] {
        QString error;
        bool ok = false;
        {
            SqliteDb db;
            if (!db.open(databasePath, false, false)) {
                error = db.lastError();
            } else {
                // The same durability and cache as the window's own connection.
                db.exec("PRAGMA synchronous=FULL");
                db.exec(kCacheSizePragma);
                ok = job(db, &error);
            }
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            m_ok = ok;
            m_error = error;
        }
        if (done)
            done(ok, error);
        m_busy = false;
    });
}

bool BackgroundWriter::wait(QString* error)
{
    if (m_thread.joinable())
        m_thread.join();
    const std::lock_guard<std::mutex> lock(m_mutex);
    const bool ok = m_ok;
    if (!ok && error)
        *error = m_error;
    m_ok = true;
    m_error.clear();
    return ok;
}

} // namespace corvinel
