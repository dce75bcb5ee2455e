// Run-time binding of the D2XX driver library: finds and loads it, looks
// up its thirteen entry points and calls them. A missing entry point
// answers FT_INVALID_HANDLE (1) without calling anything; reporting it to
// the user is the caller's business.
//
// Which library: a path given by the user (--driver PATH), or the word
// "serial" for the serial adapter libtavixserial.so; otherwise FTDI's own
// library by its Linux names (libftd2xx.so, libftd2xx.so.1, then versioned
// files such as libftd2xx.so.1.4.27 in the usual library folders, newest
// first); otherwise the serial adapter beside the program (in the build
// tree, or where the installation puts it). The first that loads is used.
// When binding fails, or when verbose reports are asked for, standard error
// gets one line per library that failed to load, with the loader's reason,
// and one naming the library bound; a start that binds says nothing.
//
// Besides the thirteen D2XX entry points, a library may export
// TavixSerial_LastError and TavixSerial_LastErrorCode (the serial adapter
// does; FTDI's library and the simulated instrument do not): why the last
// failed open on the calling thread failed, in words for the user and as a
// code the program words in its own language. They are bound when present
// and change nothing when absent.
#ifndef TAVIX_CORE_DEVICE_D2XX_BINDING_H
#define TAVIX_CORE_DEVICE_D2XX_BINDING_H

#include "core/device/d2xx_types.h"
#include "core/device/open_failure.h"

#include <QLibrary>
#include <QString>
#include <QStringList>

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
        QString message;     // empty when every entry point was found
        QString loaded;      // the candidate that loaded; empty when none did
        QStringList failures; // "NAME: the loader's reason", one per candidate that did not load
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

    // The word that names the serial adapter in place of a path.
    static QString AdapterWord() { return QStringLiteral("serial"); }
    static QString AdapterFileName() { return QStringLiteral("libtavixserial.so"); }
    // The libraries tried, in order, for a path as given to Load; programDir
    // is the program's folder (empty: the adapter is not searched beside it).
    // versionedFtdi lists versioned FTDI library files found on the system.
    static QStringList Candidates(const QString &path, const QString &programDir,
                                  const QStringList &versionedFtdi = QStringList());
    // libftd2xx.so.* files in the usual library folders (LD_LIBRARY_PATH's
    // first), newest version first.
    static QStringList VersionedFtdiLibraries();
    // The order of two versioned library files by the numbers after ".so.":
    // negative when a is older, 0 for the same version, positive when newer.
    // Numbers compare as numbers (1.10 is newer than 1.9) in every locale.
    static int CompareLibraryVersions(const QString &a, const QString &b);
    // files sorted newest version first; equal versions keep their order.
    static void SortNewestFirst(QStringList &files);

    // Whether Load names every library it passed over and the one it bound
    // on standard error even when binding succeeds (--verbose). Process-wide.
    static void SetVerbose(bool verbose);
    static bool Verbose();

    // Loads the first candidate library that loads (see above; an empty path
    // is the default search) and binds the entry points in lookup order.
    // Stops at the first missing name: the slots bound before it stay usable,
    // the later ones stay empty. Messages: "Error: Can't Find NAME", or when
    // no candidate loads "Error: Can't Load " and what was tried
    // (LoadFailureText).
    LoadResult Load(const QString &path = QString());
    // The message when none of the candidates loads. On Windows the one
    // library looked for is FTDI's, and the message is the program's
    // historic "Error: Can't Load ft8u245.dll"; elsewhere it names the files
    // tried ("Error: Can't Load libftd2xx.so, libftd2xx.so.1 or
    // libtavixserial.so", each file name once; a single library given by
    // path as given).
    static QString LoadFailureText(const QStringList &candidates);
    // Releases the library; every slot becomes empty.
    void Unload();

    bool IsLoaded() const { return m_library.isLoaded(); }
    bool IsBound(Entry entry) const { return m_slots[entry] != nullptr; }
    // True when all thirteen entry points are bound.
    bool IsComplete() const;
    // True when the library exports TavixSerial_LastError.
    bool HasOpenErrorReason() const { return m_lastError != nullptr; }
    // Why the last FT_Open or FT_OpenEx on this thread failed, as the library
    // words it (UTF-8); empty when the library gives no reason.
    QString LastOpenError() const;
    // The same with its code, when the library gives one.
    OpenFailure LastOpenFailure() const;
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
    PFN_TavixSerial_LastError m_lastError = nullptr;
    PFN_TavixSerial_LastErrorCode m_lastErrorCode = nullptr;
};

#endif
