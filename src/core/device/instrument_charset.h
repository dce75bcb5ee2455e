// The instrument's character table: the bytes it sends are code page 437;
// 0x80 to 0xA5 are replaced by their Latin-1 counterparts (with the
// instrument's own five differences), every other byte is kept, and the
// result is the character of that code (0 to 255).
#ifndef TAVIX_CORE_DEVICE_INSTRUMENT_CHARSET_H
#define TAVIX_CORE_DEVICE_INSTRUMENT_CHARSET_H

#include <QByteArrayView>
#include <QChar>
#include <QString>

quint8 TranslateInstrumentChar(quint8 byte);

// Widens received bytes into text, each through TranslateInstrumentChar;
// a zero byte becomes U+0000.
QString InstrumentBytesToText(QByteArrayView bytes);

#endif
