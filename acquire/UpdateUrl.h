#pragma once

#include <QDate>
#include <QString>
#include <QUrl>

namespace corvinel::update {

// Address of one day page of the results site: base + "/lottery/draw/list/" +
// lottery code + "?d=" + YYYY-MM-DD. Trailing slashes of the base are dropped
// so that a base typed as "https://host/" does not produce "//lottery".
QString dayPageAddress(const QString& base, int lotteryCode, const QDate& day);

// The same address as a URL; invalid when the base is empty, has no http or
// https scheme or no host.
QUrl dayPageUrl(const QString& base, int lotteryCode, const QDate& day);

// Whether a base address can be used for the update (http or https with a
// host). `why` receives the reason when it cannot.
bool isUsableBase(const QString& base, QString* why = nullptr);

} // namespace corvinel::update
