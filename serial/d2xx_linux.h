// The one type of FTDI's Linux D2XX library that its prototypes do not
// name: the event handle FT_SetEventNotification takes (as void *) in place
// of a Windows event. The library broadcasts the condition, holding the
// mutex, when an event of the mask occurs; the caller initialises both and
// waits on them. POSIX only, so it lives here and not among the program's
// portable D2XX types.
#ifndef TAVIXSERIAL_D2XX_LINUX_H
#define TAVIXSERIAL_D2XX_LINUX_H

#include <pthread.h>

extern "C" {

typedef struct _EVENT_HANDLE {
    pthread_cond_t eCondVar;
    pthread_mutex_t eMutex;
    int iVar;
} EVENT_HANDLE;

} // extern "C"

#endif
