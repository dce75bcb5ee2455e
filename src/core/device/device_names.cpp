#include "core/device/device_names.h"

QString DeviceNamePrefix()
{
    return QStringLiteral("Tavix3000 s/n ");
}

QString DevicePlaceholder()
{
    return QStringLiteral("Enter device Description or Serial Number here.");
}

QString DeviceNameToOpen(const QString &text, int openMode)
{
    const QString prefix = DeviceNamePrefix();
    if (text.size() <= prefix.size())
        return text;
    // By description only a listed serial-number entry carries the prefix; a
    // description of its own is passed whole.
    if (openMode == 0 && !text.startsWith(prefix))
        return text;
    return text.mid(prefix.size());
}

QByteArray NarrowDeviceName(const QString &name)
{
    // The low 8 bits of each character; QByteArray keeps a terminating zero
    // after its data, so constData() is the null-terminated name.
    QByteArray narrow(name.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < name.size(); ++i)
        narrow[i] = static_cast<char>(name.at(i).unicode() & 0xFF);
    return narrow;
}
