// The entry points libtavixserial.so exports, declared through the
// prototypes of core/device/d2xx_types.h: a definition whose signature
// differs from FTDI's is a compile error, so the two cannot drift apart.
#ifndef TAVIXSERIAL_D2XX_EXPORTS_H
#define TAVIXSERIAL_D2XX_EXPORTS_H

#include "core/device/d2xx_types.h"

#define TAVIXSERIAL_DECLARE_EXPORT(name) extern "C" __attribute__((visibility("default"))) FN_##name name;
TAVIX_D2XX_ENTRY_POINTS(TAVIXSERIAL_DECLARE_EXPORT)
TAVIXSERIAL_DECLARE_EXPORT(TavixSerial_LastError)
TAVIXSERIAL_DECLARE_EXPORT(TavixSerial_LastErrorCode)
#undef TAVIXSERIAL_DECLARE_EXPORT

#endif
