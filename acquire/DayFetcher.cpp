#include "acquire/DayFetcher.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace corvinel::update {

namespace {

QString megabytes(qint64 bytes)
{
    return QString::number(static_cast<double>(bytes) / (1024.0 * 1024.0), 'g', 3) + QStringLiteral("MB");
}

} // namespace

DayFetcher::DayFetcher(QObject* parent)
    : QObject(parent)
    , m_nam(new QNetworkAccessManager(this))
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        failAndAbort(QStringLiteral("%1秒内没有载入完成（超时）").arg(m_timeoutMs / 1000.0, 0, 'g', 3));
    });
}

DayFetcher::~DayFetcher()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
        m_reply->deleteLater();
    }
}

void DayFetcher::fetch(const QUrl& url)
{
    if (m_reply) {
        QNetworkReply* old = m_reply;
        m_reply = nullptr;
        old->disconnect(this);
        old->abort();
        old->deleteLater();
    }
    m_url = url;
    m_body.clear();
    m_failure.clear();
    m_cancelled = false;

    QNetworkRequest request(url);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setMaximumRedirectsAllowed(5);
    request.setAttribute(QNetworkRequest::CacheLoadControlAttribute, QNetworkRequest::AlwaysNetwork);
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Corvinel/1.0"));
    // No Accept-Encoding of our own: Qt then asks for gzip/deflate and
    // decompresses the body itself.

    m_reply = m_nam->get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &DayFetcher::onReadyRead);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &DayFetcher::onMetaData);
    connect(m_reply, &QNetworkReply::finished, this, &DayFetcher::onFinished);
    m_timer.start(m_timeoutMs);
}

void DayFetcher::cancel()
{
    if (!m_reply)
        return;
    m_cancelled = true;
    failAndAbort(QStringLiteral("已取消"));
}

void DayFetcher::failAndAbort(const QString& reason)
{
    if (!m_reply)
        return;
    if (m_failure.isEmpty())
        m_failure = reason;
    // abort() may emit finished() at once; onFinished() then reports it.
    QPointer<QNetworkReply> reply = m_reply;
    reply->abort();
    if (reply && m_reply == reply && reply->isFinished())
        onFinished();
}

void DayFetcher::onMetaData()
{
    if (!m_reply)
        return;
    const QVariant length = m_reply->header(QNetworkRequest::ContentLengthHeader);
    bool known = false;
    const qint64 announced = length.toLongLong(&known);
    // A compressed length above the cap means an even larger page.
    if (known && announced > m_maxBytes)
        failAndAbort(QStringLiteral("页面大小%1超过上限%2").arg(megabytes(announced), megabytes(m_maxBytes)));
}

void DayFetcher::onReadyRead()
{
    if (!m_reply)
        return;
    m_body += m_reply->readAll();
    if (m_body.size() > m_maxBytes)
        failAndAbort(QStringLiteral("页面超过大小上限%1").arg(megabytes(m_maxBytes)));
}

void DayFetcher::onFinished()
{
    QNetworkReply* reply = m_reply;
    if (!reply)
        return;
    m_reply = nullptr;
    m_timer.stop();
    reply->disconnect(this);

    FetchResult result;
    result.url = m_url;
    result.httpStatus = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (m_failure.isEmpty() && reply->error() == QNetworkReply::NoError) {
        m_body += reply->readAll();
        if (m_body.size() > m_maxBytes)
            m_failure = QStringLiteral("页面超过大小上限%1").arg(megabytes(m_maxBytes));
    }
    if (!m_failure.isEmpty()) {
        result.error = m_failure;
        result.cancelled = m_cancelled;
    } else if (result.httpStatus >= 300 || (reply->error() != QNetworkReply::NoError && result.httpStatus >= 200)) {
        const QString phrase = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        result.error = QStringLiteral("服务器返回HTTP %1%2")
                           .arg(result.httpStatus)
                           .arg(phrase.isEmpty() ? QString() : QLatin1Char(' ') + phrase);
    } else if (reply->error() != QNetworkReply::NoError) {
        result.error = QStringLiteral("网络错误：") + reply->errorString();
    } else if (result.httpStatus != 0 && (result.httpStatus < 200 || result.httpStatus >= 300)) {
        result.error = QStringLiteral("服务器返回HTTP %1").arg(result.httpStatus);
    } else {
        result.ok = true;
        result.body = m_body;
    }
    m_body.clear();
    m_failure.clear();
    m_cancelled = false;
    reply->deleteLater();
    emit finished(result);
}

} // namespace corvinel::update
