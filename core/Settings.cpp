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

std::optional<int> Settings::allowed(const IntKey& key) const
{
    const auto v = read(key);
    if (v && !key.allows(*v))
        return std::nullopt;
    return v;
}

QString Settings::readText(const TextKey& key, const QString& def) const
{
    return rawText(QString::fromLatin1(key.name)).value_or(def);
}

void Settings::write(const BoolKey& key, bool value)
{
    writeRaw(QString::fromLatin1(key.name), value ? QStringLiteral("True") : QStringLiteral("False"));
}

void Settings::write(const IntKey& key, int value)
{
    writeRaw(QString::fromLatin1(key.name), QString::number(value));
}

void Settings::writeText(const TextKey& key, const QString& value)
{
    writeRaw(QString::fromLatin1(key.name), value);
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

const char* Settings::nameOf(const AnyKey& key)
{
    return std::visit([](const auto* k) { return k->name; }, key);
}

std::optional<Settings::AnyKey> Settings::find(const QString& name)
{
    for (const AnyKey& key : kTable) {
        if (name == QLatin1String(nameOf(key)))
            return key;
    }
    return std::nullopt;
}

QStringList Settings::keyNames()
{
    QStringList names;
    for (const AnyKey& key : kTable)
        names << QString::fromLatin1(nameOf(key));
    return names;
}

} // namespace corvinel
