// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/meternames.h"

#include <QUrl>

#include "base/settings.h"

namespace kelvor {

namespace {

// A USB serial may hold '/' or '\', which QSettings takes for groups: the key is the
// serial percent-encoded.
QString keyOf(const QString& serial)
{
    return QStringLiteral("MeterNames/") + QString::fromLatin1(QUrl::toPercentEncoding(serial));
}

}  // namespace

QString CleanMeterName(const QString& name)
{
    QString clean;
    for (QChar c : name)
        if (!c.isNonCharacter() && c.category() != QChar::Other_Control && c.category() != QChar::Other_Format)
            clean += c;
    return clean.trimmed().left(kMaxMeterNameLength).trimmed();
}

QString ReadMeterName(QSettings& settings, const QString& serial)
{
    if (serial.isEmpty() || settings.status() != QSettings::NoError)
        return {};
    return CleanMeterName(settings.value(keyOf(serial)).toString());
}

QString WriteMeterName(QSettings& settings, const QString& serial, const QString& name)
{
    if (serial.isEmpty())
        return QStringLiteral("a meter without a serial cannot keep a name");
    if (!settings.isWritable())
        return syncSettings(settings);
    const QString clean = CleanMeterName(name);
    if (clean.isEmpty())
        settings.remove(keyOf(serial));
    else
        settings.setValue(keyOf(serial), clean);
    return syncSettings(settings);
}

QString MeterLabel(const QString& name, const QString& serial, int index)
{
    if (!name.isEmpty())
        return name;
    if (!serial.isEmpty())
        return serial;
    return QStringLiteral("Meter %1").arg(index + 1);
}

QString MeterHeading(const QString& name, const QString& serial, int index)
{
    if (!name.isEmpty() && !serial.isEmpty())
        return name + QStringLiteral(" (") + serial + QLatin1Char(')');
    return MeterLabel(name, serial, index);
}

}  // namespace kelvor
