#pragma once

// A results site for the update tests: an HTTP/1.1 server on 127.0.0.1 that
// serves the day pages a test builds, and can answer with an error status,
// hang (for timeouts) or send a body of any size.

#include <QByteArray>
#include <QDate>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

#include <array>
#include <cstdint>
#include <vector>

class QTcpSocket;

namespace corvinel::sitetest {

struct SiteResponse
{
    int status = 200;
    QByteArray body;
    QByteArray contentType = "text/html; charset=utf-8";
    QByteArray extraHeaders; // "Name: value\r\n" lines
    bool hang = false; // accept the request and never answer
    int delayMs = 0; // answer after this long
    bool noLength = false; // no Content-Length: the body ends when the connection closes

    static SiteResponse answer(int status, const QByteArray& body, const QByteArray& type = "text/html; charset=utf-8")
    {
        SiteResponse r;
        r.status = status;
        r.body = body;
        r.contentType = type;
        return r;
    }
    static SiteResponse delayed(const QByteArray& body, int ms)
    {
        SiteResponse r = answer(200, body);
        r.delayMs = ms;
        return r;
    }
    static SiteResponse hanging()
    {
        SiteResponse r;
        r.hang = true;
        return r;
    }
};

// One row of a day page's draw table.
struct SiteRow
{
    QString issue; // as the site writes it, e.g. "20160908001"
    QString numbers; // e.g. "01 05 07 09 11 13 15 20"; empty for a draw not made yet
};

class TestSite : public QObject
{
    Q_OBJECT

public:
    TestSite();
    ~TestSite() override;

    QString base() const;
    // The page path of a day: /lottery/draw/list/<code>?d=YYYY-MM-DD.
    static QString dayPath(int code, const QDate& day);

    void setResponse(const QString& pathAndQuery, const SiteResponse& r) { m_pages[pathAndQuery] = r; }
    void setPage(int code, const QDate& day, const QByteArray& html)
    {
        setResponse(dayPath(code, day), SiteResponse::answer(200, html));
    }
    void setDay(int code, const QDate& day, const SiteResponse& r) { setResponse(dayPath(code, day), r); }

    // Paths with query, in the order they were requested.
    const QStringList& requests() const { return m_requests; }
    void clearRequests() { m_requests.clear(); }

private:
    void onConnection();
    void onReadable(QTcpSocket* s);

    QTcpServer m_server;
    QHash<QString, SiteResponse> m_pages;
    QStringList m_requests;
    QHash<QTcpSocket*, QByteArray> m_buffers;
};

// Eight different numbers 1..20 that depend on the day and sequence only.
// The body in gzip form (RFC 1952), for a Content-Encoding: gzip answer.
QByteArray gzip(const QByteArray& data);

std::array<int, 8> drawNumbers(const QDate& day, int sequence);
QString numbersText(const std::array<int, 8>& n, const QString& separator = QStringLiteral(" "));

// Issue text as the site writes it: "20" + YYMMDD + sequence in `digits` digits.
QString siteIssue(const QDate& day, int sequence, int digits);

// Rows for sequences first..last of a day with drawNumbers().
QList<SiteRow> dayRows(const QDate& day, int first, int last, int digits);

// A day page: a header row, then one row per draw (issue, draw time, numbers,
// sum, as real sites list them). `newestFirst` reverses the rows.
QByteArray dayPage(const QList<SiteRow>& rows, bool newestFirst = false);
QByteArray headerOnlyPage();

} // namespace corvinel::sitetest
