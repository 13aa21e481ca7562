// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/settings.h"

#include <QDir>

namespace kelvor {

namespace {
const QString kRateKey = QStringLiteral("RealTimeRate");
const QString kColorKey = QStringLiteral("AnnoColor");

int readInt(QSettings& settings, const QString& key, int fallback)
{
    const QVariant v = settings.value(key);
    if (!v.isValid())
        return fallback;
    bool ok = false;
    // Strings like "75" count (INI files store text); "7.5" or "fast" do not.
    const int n = v.toString().trimmed().toInt(&ok);
    return ok ? n : fallback;
}
}  // namespace

StoredSettings readSettings(QSettings& settings)
{
    StoredSettings s;
    if (settings.status() != QSettings::NoError)
        return s;
    // A value the windows cannot show or use (a rate the two rate lists cannot hold, a
    // colour with bits beyond 0x00BBGGRR) counts as unreadable: a negative rate would
    // show a negative recording period and a rate of 0 would make Start do nothing.
    const int rate = readInt(settings, kRateKey, s.RealTimeRate);
    if (rate >= kMinRealTimeRate && rate <= kMaxRealTimeRate)
        s.RealTimeRate = rate;
    const int colour = readInt(settings, kColorKey, s.AnnoColor);
    if (colour >= 0 && colour <= 0xFFFFFF)
        s.AnnoColor = colour;
    return s;
}

QString writeSettings(QSettings& settings, const StoredSettings& values)
{
    if (!settings.isWritable())
        return syncSettings(settings);
    settings.setValue(kRateKey, values.RealTimeRate);
    settings.setValue(kColorKey, values.AnnoColor);
    return syncSettings(settings);
}

QString syncSettings(QSettings& settings)
{
    settings.sync();
    if (settings.status() == QSettings::NoError && settings.isWritable())
        return {};
    const QString where = QDir::toNativeSeparators(settings.fileName());
    if (settings.status() == QSettings::FormatError)
        return QStringLiteral("%1 is not a settings file the program can read").arg(where);
    return QStringLiteral("%1 can not be written").arg(where);
}

std::unique_ptr<QSettings> openProgramSettings(const QString& iniFile)
{
    if (!iniFile.isEmpty())
        return std::make_unique<QSettings>(iniFile, QSettings::IniFormat);
#ifdef Q_OS_WIN
    return std::make_unique<QSettings>(QStringLiteral("HKEY_LOCAL_MACHINE\\SOFTWARE\\TOVRA"), QSettings::NativeFormat);
#else
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("TOVRA"));
#endif
}

}  // namespace kelvor
