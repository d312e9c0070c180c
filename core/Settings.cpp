#include "core/Settings.h"

#include <QSettings>
#include <QStringList>

namespace corvinel {

namespace {
const QString kGroup = QStringLiteral("IniSetting/");
}

Settings::Settings()
    : m_store(std::make_unique<QSettings>(QStringLiteral("Corvinel"), QStringLiteral("Corvinel")))
{
}

Settings::Settings(const QString& iniFile)
    : m_store(std::make_unique<QSettings>(iniFile, QSettings::IniFormat))
{
}

Settings::~Settings() = default;

std::optional<bool> Settings::toBool(const QString& text)
{
    const QString t = text.trimmed();
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
        return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
        return false;
    bool ok = false;
    const double v = t.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return v != 0.0;
}

std::optional<int> Settings::toInt16(const QString& text)
{
    // QString::toInt stops at an embedded NUL and reports success.
    if (text.contains(QChar(u'\0')))
        return std::nullopt;
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < -32768 || v > 32767)
        return std::nullopt;
    return v;
}

std::optional<QString> Settings::rawText(const QString& key) const
{
    const QVariant v = m_store->value(kGroup + key);
    if (!v.isValid())
        return std::nullopt;
    return v.toString();
}

std::optional<bool> Settings::read(const BoolKey& key) const
{
    const auto raw = rawText(QString::fromLatin1(key.name));
    if (!raw)
        return key.def;
    return toBool(*raw);
}

std::optional<int> Settings::read(const IntKey& key) const
{
    const auto raw = rawText(QString::fromLatin1(key.name));
    if (!raw)
        return key.def;
    return toInt16(*raw);
}

QString Settings::readText(const char* key, const QString& def) const
{
    return rawText(QString::fromLatin1(key)).value_or(def);
}

void Settings::write(const BoolKey& key, bool value)
{
    writeRaw(QString::fromLatin1(key.name), value ? QStringLiteral("True") : QStringLiteral("False"));
}

void Settings::write(const IntKey& key, int value)
{
    writeRaw(QString::fromLatin1(key.name), QString::number(value));
}

void Settings::writeText(const char* key, const QString& value)
{
    writeRaw(QString::fromLatin1(key), value);
}

void Settings::writeRaw(const QString& key, const QString& text)
{
    m_store->setValue(kGroup + key, text);
    m_store->sync();
}

void Settings::sync()
{
    m_store->sync();
}

QStringList Settings::keyNames()
{
    return { QStringLiteral("bolZyw"),        QStringLiteral("bolSq"),       QStringLiteral("GsZl"),
             QStringLiteral("intLei"),        QStringLiteral("bolZuxuan"),   QStringLiteral("intConsqSort"),
             QStringLiteral("intXianshiLei"), QStringLiteral("DsIni"),       QStringLiteral("SxIni"),
             QStringLiteral("SxSetup"),       QStringLiteral("bolZhpm"),     QStringLiteral("intPreQi"),
             QStringLiteral("intZhWSetup"),   QStringLiteral("IniSerchDay"), QStringLiteral("UpdateBase") };
}

} // namespace corvinel
