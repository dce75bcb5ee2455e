#include "core/sorting/sort_command.h"

#include "core/sorting/sorted_output.h"
#include "core/util/two_halves.h"

#include <vector>

QList<qint32> PickedFileIndexes(const SortResult &result, int logType)
{
    // The same files as PickedFiles gives: "QRT Log" takes every plain log,
    // the Logp types the Logp files that match them (the Logp list holds
    // just those), the other types nothing.
    if (logType == LogTypeQrtLog)
        return result.plainLogFiles;
    if (logType == LogTypeQrt03Logp || logType == LogTypeQrt31Logp)
        return result.logpFiles;
    return {};
}

namespace {

constexpr quint8 kNoList = 0;
constexpr quint8 kPlainLogList = 1;
constexpr quint8 kLogpList = 2;

// The list each file goes to: the plain logs, the Logp files of the log
// type, or neither. The headers read for it lie all over the parse text, so
// a large table is read in two halves at once.
std::vector<quint8> FileLists(const QList<LogFileRecord> &files, int logType)
{
    std::vector<quint8> lists(size_t(files.size()), kNoList);
    auto classify = [&files, &lists, logType](qsizetype from, qsizetype to) {
        for (qsizetype i = from; i < to; ++i) {
            const LogFileRecord &record = files[i];
            if (record.kind == LogKindPlain)
                lists[size_t(i)] = kPlainLogList;
            else if (MatchesLogType(record, logType))
                lists[size_t(i)] = kLogpList;
        }
    };
    InTwoHalves(files.size(), 1 << 14, classify);
    return lists;
}

} // namespace

qsizetype SortedOutputLimit(qsizetype inputCharacters)
{
    return 4 * inputCharacters + (qsizetype(32) << 20);
}

SortResult SortFiles(QString input, const SortSelection &selection, qsizetype limit)
{
    SortResult result;
    if (limit < 0)
        limit = SortedOutputLimit(input.size());
    LogParser parser;
    parser.SetCharacterLimit(limit);
    if (!parser.ParseOwnedText(std::move(input), result.sortedFiles)) {
        result.status = parser.LimitExceeded() ? SortStatus::OutputTooLarge : SortStatus::NoFileMarker;
        return result;
    }
    result.fileNumber = parser.FileNumber();
    result.firstLogEntry = parser.FirstLogEntry();

    const std::vector<quint8> lists = FileLists(result.sortedFiles, selection.logType);
    for (qsizetype i = 0; i < qsizetype(lists.size()); ++i) {
        if (lists[size_t(i)] == kPlainLogList)
            result.plainLogFiles.append(static_cast<qint32>(i));
        else if (lists[size_t(i)] == kLogpList)
            result.logpFiles.append(static_cast<qint32>(i));
    }

    const int list = GraphListOfLogType(selection.logType);
    qint32 first = 0;
    int field = 0;
    const bool logp = selection.logType == LogTypeQrt03Logp || selection.logType == LogTypeQrt31Logp;
    if (logp || selection.logType == LogTypeQrtLog) {
        const QList<qint32> &picked = logp ? result.logpFiles : result.plainLogFiles;
        if (picked.isEmpty()) {
            result.status = SortStatus::NoFileOfType;
            return result;
        }
        if (selection.logType == LogTypeQrt31Logp && selection.logpVariable == kDraughtRatingVariable) {
            result.status = SortStatus::VariableRefused;
            return result;
        }
        first = picked.first();
        // Row fields 0 and 1 are the date and the time; the variables follow.
        field = (logp ? selection.logpVariable : selection.plainVariable) + 2;
    } else {
        // The types that pick no file: an index that addresses no entry.
        first = static_cast<qint32>(result.sortedFiles.size());
        field = static_cast<int>(result.sortedFiles.size());
    }

    if (SortedOutputSize(result.sortedFiles, PickedFileIndexes(result, selection.logType)) > limit) {
        result = SortResult();
        result.status = SortStatus::OutputTooLarge;
        return result;
    }

    result.status = SortStatus::Sorted;
    result.graphList = list;
    result.graphField = field;
    result.firstIndex = first;
    return result;
}

SortResult SortInputText(QStringView input, const SortSelection &selection,
                         const ReplacementTable &abbreviations, const QString &previousOutput)
{
    QString text;
    text.reserve(input.size() + LogParser::Terminator().size());
    text.append(input);
    SortResult result = SortFiles(std::move(text), selection);
    if (result.status != SortStatus::Sorted)
        return result;
    result.sortedOutput = previousOutput;
    BuildSortedOutput(result.sortedFiles, PickedFileIndexes(result, selection.logType), abbreviations,
                      result.sortedOutput);
    return result;
}
