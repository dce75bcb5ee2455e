// The names of the instrument as the device list shows them and as the
// driver's open-by-name call takes them.
#ifndef TAVIX_CORE_DEVICE_DEVICE_NAMES_H
#define TAVIX_CORE_DEVICE_DEVICE_NAMES_H

#include <QByteArray>
#include <QString>

// "Tavix3000 s/n ": put before every serial number in the device lists.
QString DeviceNamePrefix();

// The text the device edit holds until a device is chosen or remembered.
QString DevicePlaceholder();

// The name passed to the driver for a device text: a text longer than the
// prefix loses its first 14 characters, in open mode 0 (by description)
// only when it starts with the prefix; a shorter text is passed whole.
QString DeviceNameToOpen(const QString &text, int openMode);

// The low 8 bits of each character (null-terminated in constData()).
QByteArray NarrowDeviceName(const QString &name);

#endif
