#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkReply;

namespace corvinel::update {

struct FetchResult
{
    QUrl url;
    bool ok = false;
    bool cancelled = false;
    int httpStatus = 0;
    QByteArray body;
    QString error; // why the page could not be loaded
};

// Loads one page at a time over one QNetworkAccessManager: redirects followed
// (at most five, never from https to http), gzip accepted, a timeout for the
// whole page and a size cap, so that a slow, dead or flooding server fails the
// page instead of hanging the program. Asynchronous: fetch() returns at once
// and finished() reports the page.
class DayFetcher : public QObject
{
    Q_OBJECT

public:
    static constexpr int kDefaultTimeoutMs = 15000;
    static constexpr qint64 kDefaultMaxBytes = 8 * 1024 * 1024;

    explicit DayFetcher(QObject* parent = nullptr);
    ~DayFetcher() override;

    void setTimeout(int milliseconds) { m_timeoutMs = milliseconds; }
    void setMaxBytes(qint64 bytes) { m_maxBytes = bytes; }

    // Starts loading `url`; a page still loading is aborted first (without a
    // finished() signal for it).
    void fetch(const QUrl& url);
    // Aborts the page being loaded; finished() reports it as cancelled.
    void cancel();

signals:
    void finished(const corvinel::update::FetchResult& result);

private:
    void onReadyRead();
    void onMetaData();
    void onFinished();
    void failAndAbort(const QString& reason);

    QNetworkAccessManager* m_nam;
    QPointer<QNetworkReply> m_reply;
    QTimer m_timer;
    QUrl m_url;
    QByteArray m_body;
    QString m_failure;
    bool m_cancelled = false;
    int m_timeoutMs = kDefaultTimeoutMs;
    qint64 m_maxBytes = kDefaultMaxBytes;
};

} // namespace corvinel::update
