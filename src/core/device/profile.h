// The program's private profile: section "MyOstrumAp" of an INI file named
// after the program ("tavixterminal.ini") in the user's configuration
// folder. It keeps the device selection: the device text of each open mode
// ("DescString", "SerialString", "DevNmbr") and the last chosen mode
// ("SerDesc"); and the window's place ("WindowRect") and the graph
// window's ("GraphWindowRect"). The language chosen
// is not kept: every run starts with the first. Every write reaches the
// file at once.
#ifndef TAVIX_CORE_DEVICE_PROFILE_H
#define TAVIX_CORE_DEVICE_PROFILE_H

#include <QRect>
#include <QString>

namespace Profile {

// The default of every string read: the device placeholder text.
QString DefaultDeviceText();

// The key of the device text of an open mode: 0 "DescString",
// 1 "SerialString", 2 "DevNmbr"; empty for any other mode.
QString DeviceKey(int openMode);

QString GetProfileString(const QString &key, const QString &defaultValue);
void WriteProfileString(const QString &key, const QString &value);
int GetProfileInt(const QString &key, int defaultValue);
void WriteProfileInt(const QString &key, int value);

// The device text remembered for an open mode (the placeholder when none
// is, or when the mode has no key).
QString ReadDeviceText(int openMode);
// Remembers the device text of an open mode; nothing for a mode without a key.
void WriteDeviceText(int openMode, const QString &text);

// The window's frame (position and size, in screen pixels) at the end of
// the last run, kept as "x,y,width,height"; an invalid rectangle when none
// is remembered or the value is unreadable.
// The graph window keeps its frame the same way under "GraphWindowRect".
QRect ReadWindowRect(const QString &key = QStringLiteral("WindowRect"));
void WriteWindowRect(const QRect &frame, const QString &key = QStringLiteral("WindowRect"));

// The path of the INI file.
QString FilePath();

} // namespace Profile

#endif
