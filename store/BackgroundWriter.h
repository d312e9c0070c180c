#pragma once

#include <QString>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace corvinel {

class SqliteDb;

// Runs database writes off the caller's thread, one at a time, each on a
// connection of its own to the history file. The owner calls wait() before
// any other database work of its own, so a write never meets another one (or
// a reader of half its work); the destructor finishes the running write.
class BackgroundWriter
{
public:
    // The write: runs on the writer's thread with its own open connection;
    // returns false with the reason when it wrote nothing.
    using Job = std::function<bool(SqliteDb& db, QString* error)>;
    // Called on the writer's thread once the job has ended.
    using Done = std::function<void(bool ok, const QString& error)>;

    BackgroundWriter() = default;
    ~BackgroundWriter();
    BackgroundWriter(const BackgroundWriter&) = delete;
    BackgroundWriter& operator=(const BackgroundWriter&) = delete;

    // Waits for the running write, then starts `job` on `databasePath`.
    void start(const QString& databasePath, Job job, Done done = {});
    // Blocks until no write runs. False with the reason when the last write
    // failed (reported once).
    bool wait(QString* error = nullptr);
    // Whether a write is running now (for the status bar).
    bool isBusy() const { return m_busy.load(); }

private:
    std::thread m_thread;
    std::atomic<bool> m_busy { false };
    std::mutex m_mutex; // guards m_ok and m_error
    bool m_ok = true;
    QString m_error;
};

} // namespace corvinel
