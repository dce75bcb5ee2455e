#include "app/batch_sort.h"

#include "app/costrum_dlg.h"
#include "app/log_graph_image.h"
#include "link/instrument_charset.h"
#include "locale/keyword_tables.h"
#include "locale/text_file.h"
#include "sorting/log_parser.h"
#include "sorting/sort_command.h"
#include "sorting/sorted_output.h"
#include "sorting/two_halves.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QFile>
#include <QFileDevice>
#include <QFileInfo>
#include <QIODevice>
#include <QImage>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSysInfo>

#include <cstring>
#include <new>
#include <system_error>
#include <thread>

namespace BatchSort {

namespace {

// The buttons of each usable log type's variable group: 7 for the Logp
// types (Barometer ... DR%; the sort refuses DR% for "QRT 31 Logp"), 4 for
// "QRT Log" (Var1 ... Var4).
int VariableCount(int logType)
{
    return logType == LogTypeQrtLog ? 4 : 7;
}

void WriteLine(QIODevice &device, const QString &text)
{
    device.write(text.toUtf8());
    device.write("\n");
}

int UsageError(QIODevice &err, const QString &message)
{
    WriteLine(err, QStringLiteral("tavixterminal: %1").arg(message));
    WriteLine(err, QStringLiteral("Try 'tavixterminal --help' for more information."));
    return ExitUsage;
}

// A whole decimal integer, or false.
bool ReadInteger(const QString &text, int *value)
{
    bool ok = false;
    *value = text.trimmed().toInt(&ok, 10);
    return ok;
}

int OutOfMemory(QIODevice &err, const QString &inputPath)
{
    WriteLine(err, QStringLiteral("tavixterminal: not enough memory to sort %1").arg(inputPath));
    return ExitSortFailed;
}

// Writes the sorted data of result: to the file at outputPath (FF FE, then
// UTF-16 little-endian) when a path is given, else to out as UTF-8. Both are
// streamed a piece at a time, so the whole output is never built. The file
// is written to a temporary file beside it that replaces it only once every
// byte is written; a failure leaves any old file untouched (there is no
// writing in place). Every write to out is checked, and a buffered file
// behind it is flushed at the end. A failure is reported with the system's
// reason and gives ExitUsage; running out of memory gives ExitSortFailed.
int WriteSortedData(SortResult result, int logType, const QString &outputPath, QIODevice &out, QIODevice &err)
{
    const bool toFile = !outputPath.isEmpty();
    QSaveFile file(outputPath);
    QIODevice &device = toFile ? static_cast<QIODevice &>(file) : out;
    if (toFile) {
        file.setDirectWriteFallback(false);
        if (!file.open(QIODevice::WriteOnly)) {
            WriteLine(err, QStringLiteral("tavixterminal: cannot write %1: %2").arg(outputPath, file.errorString()));
            return ExitUsage;
        }
    }
    bool ok = true;
    auto put = [&](const char *data, qint64 size) {
        if (ok && device.write(data, size) != size)
            ok = false;
        return ok;
    };
    try {
        if (toFile)
            put("\xFF\xFE", 2);
        WriteSortedOutput(result.sortedFiles, PickedFileIndexes(result, logType), AbbreviationRows(), [&](QString piece) {
            QByteArray bytes;
            if (!toFile) {
                bytes = piece.toUtf8();
            } else if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
                // The code units in memory are the file's bytes already.
                return put(reinterpret_cast<const char *>(piece.constData()), piece.size() * 2);
            } else {
                AppendUtf16Le(bytes, piece);
            }
            return put(bytes.constData(), bytes.size());
        });
    } catch (const std::bad_alloc &) {
        if (toFile)
            file.cancelWriting();
        WriteLine(err, QStringLiteral("tavixterminal: not enough memory to write the sorted data"));
        return ExitSortFailed;
    }

    // Every byte is written: the parsed files, many small blocks, are freed
    // on a second thread while the data is committed (synced to the disk and
    // renamed into place), which mostly waits for the disk.
    std::thread freeing;
    try {
        freeing = std::thread([parsed = std::move(result)]() mutable { parsed = SortResult(); });
    } catch (const std::system_error &) {
        // No thread to be had: they were freed here, with the thread's task.
    } catch (const std::bad_alloc &) {
        // No memory for a thread: the same; the commit needs none.
    }
    const auto joinFreeing = qScopeGuard([&freeing]() {
        if (freeing.joinable())
            freeing.join();
    });

    if (toFile) {
        if (ok && file.commit())
            return ExitSorted;
        const QString reason = file.errorString();
        file.cancelWriting();
        WriteLine(err, QStringLiteral("tavixterminal: cannot write %1: %2; the file is left as it was")
                           .arg(outputPath, reason));
        return ExitUsage;
    }
    if (auto *fileDevice = qobject_cast<QFileDevice *>(&out); ok && fileDevice)
        ok = fileDevice->flush();
    if (!ok) {
        WriteLine(err, QStringLiteral("tavixterminal: cannot write the sorted data to standard output: %1")
                           .arg(out.errorString()));
        return ExitUsage;
    }
    return ExitSorted;
}

} // namespace

namespace {

// The instrument's character table for every byte value.
struct WideningTable
{
    char16_t units[256];
    WideningTable()
    {
        for (int b = 0; b < 256; ++b)
            units[b] = TranslateInstrumentChar(quint8(b));
    }
};

// Bytes widened or copied in two halves at once from this many on.
constexpr qsizetype kLargeText = 1 << 20;

// InputTextFromBytes with room for the parse's terminator reserved, so that
// the parse appends it in place. The bytes are widened in two halves at once
// on a large file.
QString TextFromBytes(QByteArrayView bytes)
{
    const bool utf16 = bytes.startsWith("\xFF\xFE");
    const qsizetype units = utf16 ? bytes.size() / 2 : bytes.size();
    QString text;
    text.reserve(units + LogParser::Terminator().size());
    text.resize(units);
    char16_t *out = reinterpret_cast<char16_t *>(text.data());
    const auto *in = reinterpret_cast<const uchar *>(bytes.data());
    if (utf16) {
        // Every whole code unit, little-endian; an odd last byte is dropped
        // and the byte-order mark stays as U+FEFF.
        InTwoHalves(units, kLargeText, [&](qsizetype from, qsizetype to) {
            if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
                std::memcpy(out + from, in + 2 * from, size_t(to - from) * 2);
            } else {
                for (qsizetype i = from; i < to; ++i)
                    out[i] = char16_t(in[2 * i] | (in[2 * i + 1] << 8));
            }
        });
    } else {
        static const WideningTable table;
        InTwoHalves(units, kLargeText, [&](qsizetype from, qsizetype to) {
            for (qsizetype i = from; i < to; ++i)
                out[i] = table.units[in[i]];
        });
    }
    return text;
}

} // namespace

QString InputTextFromBytes(const QByteArray &bytes)
{
    return TextFromBytes(bytes);
}

// The sort's text of the input file at path, read a block at a time
// straight into the text (little-endian code units of a file that starts
// with FF FE go in as they are; instrument bytes are widened in two halves
// at once), so the file's bytes are never held whole beside the text. A
// file that shrinks meanwhile gives the text that was read. A file that is
// empty, too large or not a regular file, or that cannot be opened or read,
// is read as the window reads it, which gives the window's messages.
bool ReadInputText(const QString &path, QString *text, QString *errorText)
{
    QFile file(path);
    if (file.open(QIODevice::ReadOnly) && QFileInfo(file).isFile()) {
        const qint64 length = file.size();
        if (length > 0 && length <= COstrumDlg::kMaxInputFileBytes) {
            const bool utf16 = file.peek(2) == QByteArrayView("\xFF\xFE");
            const qsizetype units = utf16 ? length / 2 : length;
            QString result;
            result.reserve(units + LogParser::Terminator().size());
            result.resize(units);
            char16_t *out = reinterpret_cast<char16_t *>(result.data());
            static const WideningTable table;
            constexpr qsizetype kBlock = qsizetype(4) << 20;
            QByteArray block(kBlock, Qt::Uninitialized);
            const auto *in = reinterpret_cast<const uchar *>(block.constData());
            qsizetype done = 0; // code units in result
            bool failed = false;
            while (done < units) {
                // An odd last byte of a UTF-16 file is never read.
                const qint64 want = utf16 ? 2 * qMin(kBlock / 2, units - done) : qMin(kBlock, units - done);
                const qint64 got = file.read(block.data(), want);
                if (got <= 0) {
                    failed = got < 0;
                    break;
                }
                const qsizetype count = utf16 ? got / 2 : got;
                if (utf16) {
                    if constexpr (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
                        std::memcpy(out + done, in, size_t(count) * 2);
                    } else {
                        for (qsizetype i = 0; i < count; ++i)
                            out[done + i] = char16_t(in[2 * i] | (in[2 * i + 1] << 8));
                    }
                } else {
                    InTwoHalves(count, kLargeText, [&](qsizetype from, qsizetype to) {
                        for (qsizetype i = from; i < to; ++i)
                            out[done + i] = table.units[in[i]];
                    });
                }
                done += count;
                if (utf16 && got % 2)
                    break;
            }
            if (!failed) {
                result.truncate(done);
                *text = std::move(result);
                return true;
            }
        }
    }
    QByteArray bytes;
    if (!COstrumDlg::ReadInputFile(path, &bytes, errorText))
        return false;
    *text = TextFromBytes(bytes);
    return true;
}

QString HelpText()
{
    return QStringLiteral(
        "Usage: tavixterminal [--driver PATH]\n"
        "       tavixterminal --capture OUT [--driver PATH] [--serial S | --description D]\n"
        "                     [--print] [--idle SECONDS] [--max-seconds SECONDS]\n"
        "       tavixterminal --sort FILE [--log-type 0|1|2] [--variable N] [--output OUT]\n"
        "                     [--plot PNG [--file K]]\n"
        "       tavixterminal --help | --version\n"
        "\n"
        "Without --capture or --sort the terminal window opens; it needs a display.\n"
        "  --driver PATH  the D2XX driver library to load: a path, or the word serial\n"
        "                 for the built-in adapter over the kernel's serial driver.\n"
        "                 Without it the D2XX library is looked for in the usual places.\n"
        "\n"
        "With --capture OUT the instrument's print-out is received without a window\n"
        "and written to OUT as \"Save input data\" writes it (FF FE, then UTF-16\n"
        "little-endian), for --sort or the window's \"Open input data\":\n"
        "  --serial S       open the instrument with serial number S (for example\n"
        "                   TX300001); --description D opens it by its description.\n"
        "                   Without either, the instrument last opened in the window\n"
        "                   (remembered in the program's profile) is opened.\n"
        "  --print          send the Print key (0x0D), as Enter does in the window;\n"
        "                   without it, long-press Print on the instrument: the\n"
        "                   capture then waits for the first byte without a limit.\n"
        "  --idle SECONDS   stop when nothing has arrived for SECONDS (default 2).\n"
        "  --max-seconds SECONDS  stop after SECONDS at the latest.\n"
        "  Progress goes to standard error; Ctrl+C ends the capture and still writes\n"
        "  what arrived.\n"
        "\n"
        "With --sort FILE the log files of one log type are picked from FILE and\n"
        "written as sorted data, exactly as the window's Sort button and \"Save\n"
        "sorted data\" do, without opening a window:\n"
        "  FILE           input data: a file saved with \"Save input data\" or written\n"
        "                 by --capture (it starts with the bytes FF FE, UTF-16\n"
        "                 little-endian), or the bytes received from the instrument\n"
        "                 as they came.\n"
        "  --log-type T   0 \"QRT 03 Logp\" (default), 1 \"QRT Log\", 2 \"QRT 31 Logp\".\n"
        "  --variable N   the variable button of that log type, counted from 0\n"
        "                 (default 0). Types 0 and 2: 0 Barometer, 1 Vavg, 2 Vmax,\n"
        "                 3 Vmin, 4 StdD, 5 T, 6 DR% (refused for type 2).\n"
        "                 Type 1: 0 Var1, 1 Var2, 2 Var3, 3 Var4.\n"
        "  --output OUT   write a sorted data file (FF FE, then UTF-16 little-endian);\n"
        "                 without it the sorted data goes to standard output as UTF-8.\n"
        "  --plot PNG     also draw the window's log graph of the variable as a PNG\n"
        "                 image (460 x 292 pixels; no display needed).\n"
        "  --file K       the picked log file to draw, counted from 1 (default 1).\n"
        "\n"
        "  -h, --help     show this text.\n"
        "  -v, --version  show the program's version.\n"
        "\n"
        "Exit status:\n"
        "  0  done\n"
        "  1  --sort: the data cannot be sorted (no log file of the type, no \"File \"\n"
        "     marker, DR% with type 2, a variable the file does not have, sorted\n"
        "     data past 4 times the input's characters plus 32 Mi characters, or not\n"
        "     enough memory)\n"
        "  2  bad arguments; --sort: an input file that cannot be read, an output or\n"
        "     PNG file that cannot be written, or --file beyond the picked files\n"
        "  3  --capture: the D2XX driver library cannot be loaded or lacks a function\n"
        "  4  --capture: the instrument is not found or cannot be opened\n"
        "  5  --capture: nothing was received\n"
        "  6  --capture: the output file cannot be written\n"
        "  7  the window cannot open: there is no display\n");
}

QString LogTypeName(int logType)
{
    switch (logType) {
    case LogTypeQrt03Logp:
        return QStringLiteral("QRT 03 Logp");
    case LogTypeQrtLog:
        return QStringLiteral("QRT Log");
    case LogTypeQrt31Logp:
        return QStringLiteral("QRT 31 Logp");
    default:
        return QStringLiteral("log type %1").arg(logType);
    }
}

QString SortFailureMessage(SortStatus status, const QString &file, int logType)
{
    const QString type = QStringLiteral("%1 (\"%2\")").arg(logType).arg(LogTypeName(logType));
    switch (status) {
    case SortStatus::Sorted:
        return QString();
    case SortStatus::NoFileMarker:
        return QStringLiteral("%1 holds no \"File \" marker, so it holds no log file; capture the "
                              "instrument's log files (long-press Print, or --capture OUT --print)")
            .arg(file);
    case SortStatus::NoFileOfType:
        return QStringLiteral("no log file of log type %1 in %2").arg(type, file);
    case SortStatus::VariableRefused:
        return QStringLiteral("DR% (--variable %1) cannot be shown for log type %2")
            .arg(kDraughtRatingVariable)
            .arg(type);
    case SortStatus::OutputTooLarge:
        return QStringLiteral("%1 is not sorted: its log files would need more than 4 times its characters "
                              "plus 33554432 characters of sorted data")
            .arg(file);
    }
    return QString();
}

namespace {

// Draws the graph of the fileNumber-th picked file (counted from 1) into a
// PNG file, as the window's graph shows it after the sort and the browse
// buttons.
int Plot(const SortResult &result, const QString &inputPath, int logType, int variable, int fileNumber,
         const QString &pngPath, QIODevice &err)
{
    const QList<qint32> &picked = result.graphList == 1 ? result.logpFiles : result.plainLogFiles;
    if (fileNumber > picked.size())
        return UsageError(err, QStringLiteral("--file %1: log type %2 (\"%3\") picked %4 log file%5 in %6")
                                   .arg(fileNumber)
                                   .arg(logType)
                                   .arg(LogTypeName(logType))
                                   .arg(picked.size())
                                   .arg(picked.size() == 1 ? "" : "s")
                                   .arg(inputPath));
    const LogFileRecord &rec = result.sortedFiles.at(picked.at(fileNumber - 1));
    if (!LogGraphHasField(rec, result.graphField)) {
        WriteLine(err, QStringLiteral("tavixterminal: log file %1 (File %2) has no variable %3 (row field %4)")
                           .arg(fileNumber)
                           .arg(rec.fileNumber)
                           .arg(variable)
                           .arg(result.graphField));
        return ExitSortFailed;
    }
    const QImage image = RenderLogGraph(rec, result.graphField);
    if (image.isNull() || !image.save(pngPath, "PNG")) {
        WriteLine(err, QStringLiteral("tavixterminal: cannot write the PNG file %1").arg(pngPath));
        return ExitUsage;
    }
    return ExitSorted;
}

int RunSort(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    const QCommandLineOption sortOption(QStringLiteral("sort"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption typeOption(QStringLiteral("log-type"), QString(), QStringLiteral("T"));
    const QCommandLineOption variableOption(QStringLiteral("variable"), QString(), QStringLiteral("N"));
    const QCommandLineOption outputOption(QStringLiteral("output"), QString(), QStringLiteral("OUT"));
    const QCommandLineOption helpOption(QStringList{QStringLiteral("h"), QStringLiteral("help"),
                                                    QStringLiteral("?")});
    const QCommandLineOption driverOption(QStringLiteral("driver"), QString(), QStringLiteral("PATH"));
    const QCommandLineOption plotOption(QStringLiteral("plot"), QString(), QStringLiteral("PNG"));
    const QCommandLineOption fileOption(QStringLiteral("file"), QString(), QStringLiteral("K"));
    parser.addOptions({sortOption, typeOption, variableOption, outputOption, helpOption, driverOption, plotOption,
                       fileOption});

    if (!parser.parse(arguments))
        return UsageError(err, parser.errorText());
    if (parser.isSet(helpOption)) {
        out.write(HelpText().toUtf8());
        return ExitSorted;
    }
    if (!parser.isSet(sortOption))
        return UsageError(err, QStringLiteral("--sort FILE is missing"));
    if (!parser.positionalArguments().isEmpty())
        return UsageError(err, QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first()));
    for (const QCommandLineOption &option : {sortOption, typeOption, variableOption, outputOption, plotOption,
                                             fileOption}) {
        if (parser.values(option).size() > 1)
            return UsageError(err, QStringLiteral("--%1 is given more than once").arg(option.names().first()));
    }
    if (parser.isSet(driverOption))
        return UsageError(err, QStringLiteral("--driver has no use with --sort"));

    int logType = LogTypeQrt03Logp;
    if (parser.isSet(typeOption)
        && (!ReadInteger(parser.value(typeOption), &logType) || logType < LogTypeQrt03Logp
            || logType > LogTypeQrt31Logp))
        return UsageError(err, QStringLiteral("--log-type must be 0, 1 or 2, not '%1'").arg(parser.value(typeOption)));
    int variable = 0;
    if (parser.isSet(variableOption)
        && (!ReadInteger(parser.value(variableOption), &variable) || variable < 0
            || variable >= VariableCount(logType)))
        return UsageError(err, QStringLiteral("--variable must be 0 to %1 for log type %2, not '%3'")
                                   .arg(VariableCount(logType) - 1)
                                   .arg(logType)
                                   .arg(parser.value(variableOption)));

    int fileNumber = 1;
    if (parser.isSet(fileOption) && !parser.isSet(plotOption))
        return UsageError(err, QStringLiteral("--file chooses the log file of --plot; give --plot PNG too"));
    if (parser.isSet(fileOption) && (!ReadInteger(parser.value(fileOption), &fileNumber) || fileNumber < 1))
        return UsageError(err, QStringLiteral("--file must be a number from 1, not '%1'").arg(parser.value(fileOption)));
    if (parser.isSet(plotOption) && parser.value(plotOption).isEmpty())
        return UsageError(err, QStringLiteral("--plot needs a file name"));

    const QString inputPath = parser.value(sortOption);
    if (inputPath.isEmpty())
        return UsageError(err, QStringLiteral("--sort needs a file name"));
    QString text;
    QString error;
    try {
        if (!ReadInputText(inputPath, &text, &error)) {
            WriteLine(err, error);
            return ExitUsage;
        }
    } catch (const std::bad_alloc &) {
        return OutOfMemory(err, inputPath);
    }

    SortSelection selection;
    selection.logType = logType;
    if (logType == LogTypeQrtLog)
        selection.plainVariable = variable;
    else
        selection.logpVariable = variable;
    SortResult result;
    try {
        // The parse takes over the text, so the capture is held once while
        // it is sorted.
        result = SortFiles(std::move(text), selection);
    } catch (const std::bad_alloc &) {
        return OutOfMemory(err, inputPath);
    }
    if (result.status != SortStatus::Sorted) {
        WriteLine(err, QStringLiteral("tavixterminal: %1").arg(SortFailureMessage(result.status, inputPath, logType)));
        return ExitSortFailed;
    }
    if (parser.isSet(plotOption)) {
        const int status = Plot(result, inputPath, logType, variable, fileNumber, parser.value(plotOption), err);
        if (status != ExitSorted)
            return status;
    }

    if (parser.isSet(outputOption) && parser.value(outputOption).isEmpty())
        return UsageError(err, QStringLiteral("--output needs a file name"));
    return WriteSortedData(std::move(result), logType, parser.value(outputOption), out, err);
}

} // namespace

int Run(const QStringList &arguments, QIODevice &out, QIODevice &err)
{
    // Running out of memory anywhere in the batch sort (reading the file
    // included) becomes a message and status 1, never an abort.
    try {
        return RunSort(arguments, out, err);
    } catch (const std::bad_alloc &) {
        WriteLine(err, QStringLiteral("tavixterminal: not enough memory to sort"));
        return ExitSortFailed;
    }
}

} // namespace BatchSort
