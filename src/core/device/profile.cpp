#include "core/device/profile.h"

#include "core/device/device_names.h"

#include <QSettings>
#include <QStringList>

namespace {

const char kSection[] = "MyOstrumAp";

QSettings OpenProfile()
{
    return QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("tavixterminal"),
                     QStringLiteral("tavixterminal"));
}

QString SectionKey(const QString &key)
{
    return QLatin1String(kSection) + QLatin1Char('/') + key;
}

} // namespace

namespace Profile {

QString DefaultDeviceText()
{
    return DevicePlaceholder();
}

QString DeviceKey(int openMode)
{
    switch (openMode) {
    case 0:
        return QStringLiteral("DescString");
    case 1:
        return QStringLiteral("SerialString");
    case 2:
        return QStringLiteral("DevNmbr");
    default:
        return QString();
    }
}

QString GetProfileString(const QString &key, const QString &defaultValue)
{
    const QSettings settings = OpenProfile();
    return settings.value(SectionKey(key), defaultValue).toString();
}

void WriteProfileString(const QString &key, const QString &value)
{
    QSettings settings = OpenProfile();
    settings.setValue(SectionKey(key), value);
    settings.sync();
}

int GetProfileInt(const QString &key, int defaultValue)
{
    const QSettings settings = OpenProfile();
    bool ok = false;
    const int value = settings.value(SectionKey(key)).toString().trimmed().toInt(&ok);
    return ok ? value : defaultValue;
}

void WriteProfileInt(const QString &key, int value)
{
    QSettings settings = OpenProfile();
    settings.setValue(SectionKey(key), value);
    settings.sync();
}

QString ReadDeviceText(int openMode)
{
    const QString key = DeviceKey(openMode);
    return key.isEmpty() ? DefaultDeviceText() : GetProfileString(key, DefaultDeviceText());
}

void WriteDeviceText(int openMode, const QString &text)
{
    const QString key = DeviceKey(openMode);
    if (!key.isEmpty())
        WriteProfileString(key, text);
}

QRect ReadWindowRect(const QString &key)
{
    const QStringList parts = GetProfileString(key, QString()).split(QLatin1Char(','));
    if (parts.size() != 4)
        return QRect();
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts.at(i).trimmed().toInt(&ok);
        if (!ok)
            return QRect();
    }
    return QRect(values[0], values[1], values[2], values[3]);
}

void WriteWindowRect(const QRect &frame, const QString &key)
{
    WriteProfileString(key, QStringLiteral("%1,%2,%3,%4")
                                                         .arg(frame.x())
                                                         .arg(frame.y())
                                                         .arg(frame.width())
                                                         .arg(frame.height()));
}

QString FilePath()
{
    return OpenProfile().fileName();
}

} // namespace Profile
