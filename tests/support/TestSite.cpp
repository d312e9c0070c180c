#include "support/TestSite.h"

#include <QHostAddress>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <numeric>

namespace corvinel::sitetest {

TestSite::TestSite()
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestSite::onConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

TestSite::~TestSite() = default;

QString TestSite::base() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server.serverPort());
}

QString TestSite::dayPath(int code, const QDate& day)
{
    return QStringLiteral("/lottery/draw/list/%1?d=%2").arg(code).arg(day.toString(QStringLiteral("yyyy-MM-dd")));
}

void TestSite::onConnection()
{
    while (QTcpSocket* s = m_server.nextPendingConnection()) {
        s->setParent(this);
        connect(s, &QTcpSocket::readyRead, this, [this, s] { onReadable(s); });
        connect(s, &QTcpSocket::disconnected, this, [this, s] {
            m_buffers.remove(s);
            s->deleteLater();
        });
    }
}

void TestSite::onReadable(QTcpSocket* s)
{
    QByteArray& buf = m_buffers[s];
    buf += s->readAll();
    const int end = buf.indexOf("\r\n\r\n");
    if (end < 0)
        return;
    const QList<QByteArray> requestLine = buf.left(buf.indexOf("\r\n")).split(' ');
    buf.clear();
    const QString target = requestLine.size() >= 2 ? QString::fromLatin1(requestLine[1]) : QString();
    m_requests << target;
    SiteResponse r;
    if (m_pages.contains(target))
        r = m_pages.value(target);
    else
        r = SiteResponse::answer(404, "<html><body>not found</body></html>");
    if (r.hang)
        return;
    QByteArray reason = r.status == 200 ? "OK" : (r.status == 404 ? "Not Found" : "Error");
    QByteArray head = "HTTP/1.1 " + QByteArray::number(r.status) + ' ' + reason + "\r\n";
    head += "Content-Type: " + r.contentType + "\r\n";
    if (!r.noLength)
        head += "Content-Length: " + QByteArray::number(r.body.size()) + "\r\n";
    head += r.extraHeaders;
    head += "Connection: close\r\n\r\n";
    auto send = [s, head, body = r.body] {
        s->write(head);
        s->write(body);
        s->disconnectFromHost();
    };
    if (r.delayMs > 0)
        QTimer::singleShot(r.delayMs, s, send);
    else
        send();
}

QByteArray gzip(const QByteArray& data)
{
    // qCompress gives a 4-byte length, a 2-byte zlib header, the raw deflate
    // stream and a 4-byte Adler-32; gzip wants the raw stream between its own
    // header and a CRC-32 and length trailer.
    const QByteArray z = qCompress(data, 9);
    const QByteArray raw = z.mid(6, z.size() - 10);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= static_cast<std::uint8_t>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    crc ^= 0xFFFFFFFFu;
    QByteArray out("\x1f\x8b\x08\x00\x00\x00\x00\x00\x00\x03", 10);
    out += raw;
    auto le32 = [&out](std::uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    le32(crc);
    le32(static_cast<std::uint32_t>(data.size()));
    return out;
}

std::array<int, 8> drawNumbers(const QDate& day, int sequence)
{
    std::array<int, 20> pool {};
    std::iota(pool.begin(), pool.end(), 1);
    std::uint32_t state = static_cast<std::uint32_t>(day.toJulianDay() * 131 + sequence * 7919);
    std::array<int, 8> out {};
    for (int k = 0; k < 8; ++k) {
        state = state * 1103515245u + 12345u;
        const int j = k + static_cast<int>((state >> 16) % static_cast<std::uint32_t>(20 - k));
        std::swap(pool[k], pool[j]);
        out[k] = pool[k];
    }
    return out;
}

QString numbersText(const std::array<int, 8>& n, const QString& separator)
{
    QStringList parts;
    for (int v : n)
        parts << QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
    return parts.join(separator);
}

QString siteIssue(const QDate& day, int sequence, int digits)
{
    return day.toString(QStringLiteral("yyyyMMdd")) + QStringLiteral("%1").arg(sequence, digits, 10, QLatin1Char('0'));
}

QList<SiteRow> dayRows(const QDate& day, int first, int last, int digits)
{
    QList<SiteRow> rows;
    for (int s = first; s <= last; ++s)
        rows.push_back({ siteIssue(day, s, digits), numbersText(drawNumbers(day, s)) });
    return rows;
}

QByteArray dayPage(const QList<SiteRow>& rows, bool newestFirst)
{
    QList<SiteRow> ordered = rows;
    if (newestFirst)
        std::reverse(ordered.begin(), ordered.end());
    QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>开奖结果</title></head>"
                                  "<body><div class=\"box\"><table id=\"draw_list\" class=\"list\">"
                                  "<tr><th>期号</th><th>开奖时间</th><th>开奖号码</th><th>和值</th></tr>\n");
    int minute = 0;
    for (const SiteRow& r : ordered) {
        html += QStringLiteral("<tr><td>%1</td><td>%2</td><td>%3</td><td>%4</td></tr>\n")
                    .arg(r.issue, QStringLiteral("09:%1").arg(minute++ % 60, 2, 10, QLatin1Char('0')),
                         r.numbers.isEmpty() ? QStringLiteral("等待开奖") : r.numbers,
                         r.numbers.isEmpty() ? QString() : QString::number(r.numbers.size()));
    }
    html += QStringLiteral("</table></div></body></html>\n");
    return html.toUtf8();
}

QByteArray headerOnlyPage()
{
    return dayPage({});
}

} // namespace corvinel::sitetest
