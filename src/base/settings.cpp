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
    s.RealTimeRate = readInt(settings, kRateKey, s.RealTimeRate);
    s.AnnoColor = readInt(settings, kColorKey, s.AnnoColor);
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
