// Run-time binding of the D2XX driver library: loads it by name or path,
// looks up its thirteen entry points and calls them. A missing entry point
// answers FT_INVALID_HANDLE (1) without calling anything; reporting it to
// the user is the caller's business.
#ifndef TAVIX_LINK_D2XX_BINDING_H
#define TAVIX_LINK_D2XX_BINDING_H

#include "link/d2xx_types.h"

#include <QLibrary>
#include <QString>

#include <array>

class D2xxBinding
{
public:
    // Entry-point slots, in the order the binding keeps them.
    enum Entry {
        EntryOpen,
        EntryOpenEx,
        EntryListDevices,
        EntryClose,
        EntryRead,
        EntryWrite,
        EntryResetDevice,
        EntryPurge,
        EntrySetTimeouts,
        EntryGetQueueStatus,
        EntryGetStatus,
        EntrySetChars,
        EntrySetEventNotification,
        EntryCount
    };

    struct LoadResult {
        bool ok = false;
        QString message; // empty when every entry point was found
    };

    D2xxBinding() = default;
    ~D2xxBinding();
    D2xxBinding(const D2xxBinding &) = delete;
    D2xxBinding &operator=(const D2xxBinding &) = delete;

    // The library's base name: QLibrary makes libftd2xx.so or ftd2xx.dll of it.
    static QString DefaultLibraryName();
    // The exported name of a slot ("FT_Open" ...).
    static const char *EntryName(Entry entry);
    // The order in which the names are looked up; the first missing one stops the binding.
    static const std::array<Entry, EntryCount> &LookupOrder();

    // Loads the library (an empty path means the default name, searched the
    // platform's way) and binds the entry points in lookup order. Stops at the
    // first missing name: the slots bound before it stay usable, the later
    // ones stay empty. Messages: "Error: Can't Load ft8u245.dll" or
    // "Error: Can't Find NAME".
    LoadResult Load(const QString &path = QString());
    // Releases the library; every slot becomes empty.
    void Unload();

    bool IsLoaded() const { return m_library.isLoaded(); }
    bool IsBound(Entry entry) const { return m_slots[entry] != nullptr; }
    QString LoadedFileName() const { return m_library.fileName(); }

    FT_STATUS Open(int deviceNumber, FT_HANDLE *handle) const;
    FT_STATUS OpenEx(void *arg1, DWORD flags, FT_HANDLE *handle) const;
    FT_STATUS ListDevices(void *arg1, void *arg2, DWORD flags) const;
    FT_STATUS Close(FT_HANDLE handle) const;
    FT_STATUS Read(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received) const;
    FT_STATUS Write(FT_HANDLE handle, const void *buffer, DWORD count, DWORD *sent) const;
    FT_STATUS ResetDevice(FT_HANDLE handle) const;
    FT_STATUS Purge(FT_HANDLE handle, ULONG mask) const;
    FT_STATUS SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) const;
    FT_STATUS GetStatus(FT_HANDLE handle, DWORD *rx, DWORD *tx, DWORD *events) const;
    FT_STATUS SetChars(FT_HANDLE handle, UCHAR eventChar, UCHAR eventOn, UCHAR errorChar,
                       UCHAR errorOn) const;
    FT_STATUS SetEventNotification(FT_HANDLE handle, DWORD mask, void *param) const;

private:
    template<typename Fn>
    Fn Slot(Entry entry) const { return reinterpret_cast<Fn>(m_slots[entry]); }

    QLibrary m_library;
    std::array<QFunctionPointer, EntryCount> m_slots{};
};

#endif
