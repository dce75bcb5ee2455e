// Loads a build of the simulated instrument with QLibrary and resolves its
// entry points by name, as the program does with the driver library. Shared
// by the simulator's tests.
#ifndef TAVIX_TESTS_SIM_SIM_LIBRARY_H
#define TAVIX_TESTS_SIM_SIM_LIBRARY_H

#include "core/device/d2xx_types.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QLibrary>
#include <QString>
#include <QThread>

#include <memory>

using PFN_TavixSim_Control = int (*)(const char *);
using PFN_TavixSim_ProgramBytes = unsigned long long (*)();

struct SimLibrary {
    std::unique_ptr<QLibrary> library;
    PFN_FT_Open open = nullptr;
    PFN_FT_OpenEx openEx = nullptr;
    PFN_FT_ListDevices listDevices = nullptr;
    PFN_FT_Close close = nullptr;
    PFN_FT_Read read = nullptr;
    PFN_FT_Write write = nullptr;
    PFN_FT_ResetDevice resetDevice = nullptr;
    PFN_FT_Purge purge = nullptr;
    PFN_FT_SetTimeouts setTimeouts = nullptr;
    PFN_FT_GetQueueStatus getQueueStatus = nullptr; // missing in the no-queue build
    PFN_FT_GetStatus getStatus = nullptr;
    PFN_FT_SetChars setChars = nullptr;
    PFN_FT_SetEventNotification setEventNotification = nullptr;
    PFN_TavixSim_Control control = nullptr;
    PFN_TavixSim_ProgramBytes programBytes = nullptr;

    // Loads the library; false (with the reason in error) when it cannot be
    // loaded or an entry point other than FT_GetQueueStatus is missing.
    bool load(const QString &path, QString *error)
    {
        library = std::make_unique<QLibrary>(path);
        if (!library->load()) {
            *error = library->errorString();
            return false;
        }
        bool complete = true;
        auto bind = [&](auto &slot, const char *name, bool required = true) {
            slot = reinterpret_cast<std::remove_reference_t<decltype(slot)>>(library->resolve(name));
            if (!slot && required) {
                *error += QString::fromLatin1(name) + QLatin1Char(' ');
                complete = false;
            }
        };
        bind(open, "FT_Open");
        bind(openEx, "FT_OpenEx");
        bind(listDevices, "FT_ListDevices");
        bind(close, "FT_Close");
        bind(read, "FT_Read");
        bind(write, "FT_Write");
        bind(resetDevice, "FT_ResetDevice");
        bind(purge, "FT_Purge");
        bind(setTimeouts, "FT_SetTimeouts");
        bind(getQueueStatus, "FT_GetQueueStatus", false);
        bind(getStatus, "FT_GetStatus");
        bind(setChars, "FT_SetChars");
        bind(setEventNotification, "FT_SetEventNotification");
        bind(control, "TavixSim_Control");
        bind(programBytes, "TavixSim_ProgramBytes");
        return complete;
    }

    int set(const QByteArray &setting) const { return control(setting.constData()); }

    // Opens the instrument with the given serial number; null on failure.
    FT_HANDLE openSerial(const char *serial, FT_STATUS *status = nullptr) const
    {
        FT_HANDLE handle = nullptr;
        const FT_STATUS result = openEx(const_cast<char *>(serial), FT_OPEN_BY_SERIAL_NUMBER, &handle);
        if (status)
            *status = result;
        return result == FT_OK ? handle : nullptr;
    }

    FT_STATUS writeByte(FT_HANDLE handle, unsigned char byte, DWORD *sent = nullptr) const
    {
        DWORD accepted = 0;
        const FT_STATUS result = write(handle, &byte, 1, &accepted);
        if (sent)
            *sent = accepted;
        return result;
    }

    // Bytes waiting in the receive queue, or -1 when the status query fails.
    qint64 waiting(FT_HANDLE handle) const
    {
        DWORD rx = 0, tx = 0, events = 0;
        return getStatus(handle, &rx, &tx, &events) == FT_OK ? qint64(rx) : -1;
    }

    // Polls like the program does (status query, then a read of at most 600
    // bytes) until at least `atLeast` bytes came or `timeoutMs` passed, or a
    // call failed.
    QByteArray collect(FT_HANDLE handle, qsizetype atLeast, int timeoutMs) const
    {
        QByteArray received;
        QElapsedTimer timer;
        timer.start();
        while (received.size() < atLeast && timer.elapsed() < timeoutMs) {
            const qint64 rx = waiting(handle);
            if (rx < 0)
                break;
            if (rx == 0) {
                QThread::msleep(2);
                continue;
            }
            char buffer[600];
            DWORD got = 0;
            const FT_STATUS status = read(handle, buffer, DWORD(qMin<qint64>(rx, 600)), &got);
            received.append(buffer, got);
            if (status != FT_OK && status != FT_IO_ERROR)
                break;
        }
        return received;
    }
};

#endif
