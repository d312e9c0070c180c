#include "acquire/UpdateUrl.h"

namespace corvinel::update {

namespace {

QString trimmedBase(const QString& base)
{
    QString b = base.trimmed();
    while (b.endsWith(QLatin1Char('/')))
        b.chop(1);
    return b;
}

} // namespace

QString dayPageAddress(const QString& base, int lotteryCode, const QDate& day)
{
    return trimmedBase(base) + QStringLiteral("/lottery/draw/list/") + QString::number(lotteryCode)
        + QStringLiteral("?d=") + day.toString(QStringLiteral("yyyy-MM-dd"));
}

bool isUsableBase(const QString& base, QString* why)
{
    auto fail = [why](const QString& text) {
        if (why)
            *why = text;
        return false;
    };
    const QString b = trimmedBase(base);
    if (b.isEmpty())
        return fail(QStringLiteral("没有设置在线更新网址"));
    const QUrl url(b, QUrl::StrictMode);
    if (!url.isValid())
        return fail(QStringLiteral("在线更新网址无效：") + b);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return fail(QStringLiteral("在线更新网址必须以 http:// 或 https:// 开头：") + b);
    if (url.host().isEmpty())
        return fail(QStringLiteral("在线更新网址没有主机名：") + b);
    if (url.hasQuery() || url.hasFragment())
        return fail(QStringLiteral("在线更新网址不能带查询或锚点：") + b);
    return true;
}

QUrl dayPageUrl(const QString& base, int lotteryCode, const QDate& day)
{
    if (!isUsableBase(base) || !day.isValid())
        return {};
    return QUrl(dayPageAddress(base, lotteryCode, day), QUrl::StrictMode);
}

} // namespace corvinel::update
