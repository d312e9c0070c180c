#pragma once

#include "store/BackgroundWriter.h"
#include "store/DrawEncoder.h"
#include "store/HistorySnapshot.h"
#include "store/HistoryStore.h"
#include "core/ZodiacTables.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>

namespace corvinel {

// The stored history as the session holds it: the store, the complete copy of
// its rows (or none, when rows are read on demand), the zodiac tables and the
// encoder that classify new draws, and the background writer every database
// operation waits for.
class SessionHistory : public QObject
{
    Q_OBJECT

public:
    explicit SessionHistory(QObject* parent = nullptr);
    // The write ends while the history is whole; its completion is dropped
    // (whoever asked for it may be gone).
    ~SessionHistory() override;

    // The rows are read when first asked for (snapshot()) instead of at
    // opening: for commands that show no rows. Until then every question
    // about the stored draws goes to the database.
    void setRowsOnDemand(bool onDemand) { m_rowsOnDemand = onDemand; }
    bool rowsLoaded() const { return m_rows.has_value(); }

    // Opens the database of `dataFolder` (closing the one open), runs
    // `prepare` on it and, unless rows are on demand, reads its rows.
    bool open(const QString& dataFolder, const std::function<void(HistoryStore&)>& prepare = {});
    // Closes the database (after any write still running); no rows held.
    void close();
    // A fresh copy of the rows (or, with rows on demand, the copy dropped).
    void reload();

    // Waits for a background write first: every database operation comes after it.
    HistoryStore& store()
    {
        waitForWrites();
        return m_store;
    }
    // The complete stored history (read now when rows are on demand and not
    // yet read).
    const HistorySnapshot& snapshot() const;
    // Questions about what is stored, answered for the whole history: by the
    // rows held when they are, otherwise by the database.
    const StoredDraws& storedDraws() const;
    DrawEncoder& encoder() { return m_encoder; }
    ZodiacTables& zodiac() { return m_zodiac; }
    const ZodiacTables& zodiac() const { return m_zodiac; }

    using WriteFinished = std::function<void(bool ok, const QString& error)>;
    // Starts `job` on a connection of its own, off this thread, after any
    // write still running. `finished` runs on this thread in the
    // waitForWrites() after the job has ended.
    void startBackgroundWrite(BackgroundWriter::Job job, WriteFinished finished);
    // Waits for the running write and runs its completion.
    void waitForWrites();
    bool isWriting() const { return m_writer.isBusy(); }

signals:
    // A background write started (true) or ended (false; call waitForWrites()
    // to run its completion).
    void writingChanged(bool writing);

private:
    bool m_rowsOnDemand = false;
    // mutable: rows on demand are read by the first const reader.
    mutable HistoryStore m_store;
    mutable std::optional<HistorySnapshot> m_rows;
    ZodiacTables m_zodiac;
    DrawEncoder m_encoder;
    BackgroundWriter m_writer;
    WriteFinished m_writeFinished;
};

} // namespace corvinel
