#include "core/device/d2xx_binding.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

namespace {

const char *const kEntryNames[D2xxBinding::EntryCount] = {
    "FT_Open",        "FT_OpenEx",   "FT_ListDevices",    "FT_Close",
    "FT_Read",        "FT_Write",    "FT_ResetDevice",    "FT_Purge",
    "FT_SetTimeouts", "FT_GetQueueStatus", "FT_GetStatus", "FT_SetChars",
    "FT_SetEventNotification",
};

bool g_verbose = false;

} // namespace

void D2xxBinding::SetVerbose(bool verbose)
{
    g_verbose = verbose;
}

bool D2xxBinding::Verbose()
{
    return g_verbose;
}

D2xxBinding::~D2xxBinding()
{
    Unload();
}

QString D2xxBinding::DefaultLibraryName()
{
    return QStringLiteral("ftd2xx");
}

const char *D2xxBinding::EntryName(Entry entry)
{
    return kEntryNames[entry];
}

const std::array<D2xxBinding::Entry, D2xxBinding::EntryCount> &D2xxBinding::LookupOrder()
{
    static const std::array<Entry, EntryCount> order = {
        EntryWrite,    EntryRead,         EntryOpen,       EntryOpenEx,
        EntryListDevices, EntryClose,     EntryResetDevice, EntryPurge,
        EntrySetTimeouts, EntryGetQueueStatus, EntryGetStatus, EntrySetChars,
        EntrySetEventNotification,
    };
    return order;
}

QStringList D2xxBinding::VersionedFtdiLibraries()
{
    QStringList folders = qEnvironmentVariable("LD_LIBRARY_PATH").split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders << QStringLiteral("/usr/local/lib") << QStringLiteral("/usr/local/lib64")
            << QStringLiteral("/usr/lib/x86_64-linux-gnu") << QStringLiteral("/usr/lib/aarch64-linux-gnu")
            << QStringLiteral("/usr/lib") << QStringLiteral("/usr/lib64");
    QStringList files;
    for (const QString &folder : std::as_const(folders)) {
        const QDir dir(folder);
        for (const QString &name : dir.entryList({QStringLiteral("libftd2xx.so.*")}, QDir::Files | QDir::System))
            files << dir.filePath(name);
    }
    SortNewestFirst(files);
    files.removeDuplicates();
    return files;
}

int D2xxBinding::CompareLibraryVersions(const QString &a, const QString &b)
{
    // The parts after "libftd2xx.so." (or whatever the name is up to its
    // ".so."), split at the dots; each pair of parts is compared as numbers
    // when both are digits, else as text. A version with more parts is the
    // newer when the shared ones are equal (1.4.8 after 1.4). No locale is
    // consulted, so the order is the same in every one.
    const auto parts = [](const QString &path) {
        const QString name = QFileInfo(path).fileName();
        const qsizetype so = name.indexOf(QLatin1String(".so."));
        return (so < 0 ? QString() : name.mid(so + 4)).split(QLatin1Char('.'));
    };
    const QStringList left = parts(a), right = parts(b);
    for (qsizetype i = 0; i < qMin(left.size(), right.size()); ++i) {
        bool leftNumber = false, rightNumber = false;
        const qulonglong l = left.at(i).toULongLong(&leftNumber);
        const qulonglong r = right.at(i).toULongLong(&rightNumber);
        if (leftNumber && rightNumber) {
            if (l != r)
                return l < r ? -1 : 1;
        } else if (const int text = left.at(i).compare(right.at(i)); text != 0) {
            return text < 0 ? -1 : 1;
        }
    }
    if (left.size() != right.size())
        return left.size() < right.size() ? -1 : 1;
    return 0;
}

void D2xxBinding::SortNewestFirst(QStringList &files)
{
    // Equal versions keep the order of their folders.
    std::stable_sort(files.begin(), files.end(),
                     [](const QString &a, const QString &b) { return CompareLibraryVersions(a, b) > 0; });
}

QStringList D2xxBinding::Candidates(const QString &path, const QString &programDir, const QStringList &versionedFtdi)
{
    QStringList adapter;
    if (!programDir.isEmpty()) {
        const QDir dir(programDir);
        adapter << QDir::cleanPath(dir.filePath(AdapterFileName()))
                << QDir::cleanPath(dir.filePath(QStringLiteral(TAVIX_ADAPTER_DIR_FROM_PROGRAM "/")
                                                + AdapterFileName()));
        adapter.removeDuplicates();
    }
    if (path == AdapterWord())
        return adapter;
    if (!path.isEmpty())
        return {path};
#ifdef Q_OS_LINUX
    QStringList candidates{QStringLiteral("libftd2xx.so"), QStringLiteral("libftd2xx.so.1")};
    candidates << versionedFtdi << adapter;
#else
    Q_UNUSED(versionedFtdi);
    QStringList candidates{DefaultLibraryName()};
#endif
    return candidates;
}

D2xxBinding::LoadResult D2xxBinding::Load(const QString &path)
{
    Unload();
    const QString programDir = QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    const QStringList candidates =
        Candidates(path, programDir, path.isEmpty() ? VersionedFtdiLibraries() : QStringList());
    LoadResult result;
    for (const QString &candidate : candidates) {
        m_library.setFileName(candidate);
        // A driver library may keep threads and thread-local data of its own
        // (FTDI's does); taking it out of memory while they live would crash,
        // so Unload only lets go of it and it stays mapped until the end.
        m_library.setLoadHints(QLibrary::PreventUnloadHint);
        if (m_library.load()) {
            result.loaded = candidate;
            break;
        }
        // QLibrary also tries decorated names (lib...so); for a path that does
        // not exist its message would name the last of those, so say it plainly.
        const bool missingFile = QFileInfo(candidate).isAbsolute() && !QFileInfo::exists(candidate);
        result.failures << candidate + QStringLiteral(": ")
                               + (missingFile ? QStringLiteral("no such file") : m_library.errorString());
    }
    // The libraries passed over and the one bound are named when binding
    // fails (so that the user learns why) or when asked for (--verbose);
    // a start that binds a library says nothing.
    const auto report = [&result, &path, &candidates] {
        for (const QString &failure : std::as_const(result.failures))
            std::fprintf(stderr, "tavixterminal: driver not loaded: %s\n", qPrintable(failure));
        if (candidates.isEmpty())
            std::fprintf(stderr, "tavixterminal: no driver library to try for \"%s\"\n", qPrintable(path));
        if (!result.loaded.isEmpty())
            std::fprintf(stderr, "tavixterminal: driver library: %s\n", qPrintable(result.loaded));
    };
    if (result.loaded.isEmpty()) {
        report();
        result.message = LoadFailureText(candidates);
        return result;
    }
    // Optional, and independent of the thirteen: bound whatever they give.
    m_lastError = reinterpret_cast<PFN_TavixSerial_LastError>(m_library.resolve("TavixSerial_LastError"));
    m_lastErrorCode = reinterpret_cast<PFN_TavixSerial_LastErrorCode>(m_library.resolve("TavixSerial_LastErrorCode"));

    for (Entry entry : LookupOrder()) {
        QFunctionPointer fn = m_library.resolve(EntryName(entry));
        if (!fn) {
            result.message = QStringLiteral("Error: Can't Find ") + QLatin1String(EntryName(entry));
            report();
            return result;
        }
        m_slots[entry] = fn;
    }
    if (g_verbose)
        report();
    result.ok = true;
    return result;
}

QString D2xxBinding::LoadFailureText(const QStringList &candidates)
{
#ifdef Q_OS_WIN
    Q_UNUSED(candidates);
    return QStringLiteral("Error: Can't Load ft8u245.dll");
#else
    // A library given by path is named as given.
    if (candidates.size() == 1)
        return QStringLiteral("Error: Can't Load ") + candidates.first();
    QStringList names;
    for (const QString &candidate : candidates) {
        const QString name = QFileInfo(candidate).fileName();
        if (!name.isEmpty() && !names.contains(name))
            names << name;
    }
    QString tried = names.isEmpty() ? QStringLiteral("a D2XX driver library") : names.takeLast();
    if (!names.isEmpty())
        tried = names.join(QStringLiteral(", ")) + QStringLiteral(" or ") + tried;
    return QStringLiteral("Error: Can't Load ") + tried;
#endif
}

void D2xxBinding::Unload()
{
    m_slots.fill(nullptr);
    m_lastError = nullptr;
    m_lastErrorCode = nullptr;
    if (m_library.isLoaded())
        m_library.unload();
}

bool D2xxBinding::IsComplete() const
{
    return std::all_of(m_slots.begin(), m_slots.end(), [](QFunctionPointer fn) { return fn != nullptr; });
}

QString D2xxBinding::LastOpenError() const
{
    const char *reason = m_lastError ? m_lastError() : nullptr;
    return reason ? QString::fromUtf8(reason).trimmed() : QString();
}

OpenFailure D2xxBinding::LastOpenFailure() const
{
    return OpenFailure::FromLibrary(m_lastErrorCode ? m_lastErrorCode() : nullptr, LastOpenError());
}

FT_STATUS D2xxBinding::Open(int deviceNumber, FT_HANDLE *handle) const
{
    auto fn = Slot<PFN_FT_Open>(EntryOpen);
    return fn ? fn(deviceNumber, handle) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::OpenEx(void *arg1, DWORD flags, FT_HANDLE *handle) const
{
    auto fn = Slot<PFN_FT_OpenEx>(EntryOpenEx);
    return fn ? fn(arg1, flags, handle) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::ListDevices(void *arg1, void *arg2, DWORD flags) const
{
    auto fn = Slot<PFN_FT_ListDevices>(EntryListDevices);
    return fn ? fn(arg1, arg2, flags) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::Close(FT_HANDLE handle) const
{
    auto fn = Slot<PFN_FT_Close>(EntryClose);
    return fn ? fn(handle) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::Read(FT_HANDLE handle, void *buffer, DWORD count, DWORD *received) const
{
    auto fn = Slot<PFN_FT_Read>(EntryRead);
    return fn ? fn(handle, buffer, count, received) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::Write(FT_HANDLE handle, const void *buffer, DWORD count, DWORD *sent) const
{
    // The D2XX signature takes a non-const buffer; the driver only reads it.
    auto fn = Slot<PFN_FT_Write>(EntryWrite);
    return fn ? fn(handle, const_cast<void *>(buffer), count, sent) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::ResetDevice(FT_HANDLE handle) const
{
    auto fn = Slot<PFN_FT_ResetDevice>(EntryResetDevice);
    return fn ? fn(handle) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::Purge(FT_HANDLE handle, ULONG mask) const
{
    auto fn = Slot<PFN_FT_Purge>(EntryPurge);
    return fn ? fn(handle, mask) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::SetTimeouts(FT_HANDLE handle, ULONG readMs, ULONG writeMs) const
{
    auto fn = Slot<PFN_FT_SetTimeouts>(EntrySetTimeouts);
    return fn ? fn(handle, readMs, writeMs) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::GetStatus(FT_HANDLE handle, DWORD *rx, DWORD *tx, DWORD *events) const
{
    auto fn = Slot<PFN_FT_GetStatus>(EntryGetStatus);
    return fn ? fn(handle, rx, tx, events) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::SetChars(FT_HANDLE handle, UCHAR eventChar, UCHAR eventOn, UCHAR errorChar,
                                UCHAR errorOn) const
{
    auto fn = Slot<PFN_FT_SetChars>(EntrySetChars);
    return fn ? fn(handle, eventChar, eventOn, errorChar, errorOn) : FT_INVALID_HANDLE;
}

FT_STATUS D2xxBinding::SetEventNotification(FT_HANDLE handle, DWORD mask, void *param) const
{
    auto fn = Slot<PFN_FT_SetEventNotification>(EntrySetEventNotification);
    return fn ? fn(handle, mask, param) : FT_INVALID_HANDLE;
}
