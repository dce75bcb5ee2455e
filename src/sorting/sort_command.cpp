#include "sorting/sort_command.h"

#include "sorting/sorted_output.h"

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

    for (qsizetype i = 0; i < result.sortedFiles.size(); ++i) {
        const LogFileRecord &record = result.sortedFiles[i];
        if (record.kind == LogKindPlain)
            result.plainLogFiles.append(static_cast<qint32>(i));
        else if (MatchesLogType(record, selection.logType))
            result.logpFiles.append(static_cast<qint32>(i));
    }

    const int list = GraphListOfLogType(selection.logType);
    qint32 first = 0;
    int field = 0;
    switch (selection.logType) {
    case LogTypeQrt03Logp:
        if (result.logpFiles.isEmpty()) {
            result.status = SortStatus::NoFileOfType;
            return result;
        }
        first = result.logpFiles.first();
        field = selection.logpVariable + 2;
        break;
    case LogTypeQrtLog:
        if (result.plainLogFiles.isEmpty()) {
            result.status = SortStatus::NoFileOfType;
            return result;
        }
        first = result.plainLogFiles.first();
        field = selection.plainVariable + 2;
        break;
    case LogTypeQrt31Logp:
        if (result.logpFiles.isEmpty()) {
            result.status = SortStatus::NoFileOfType;
            return result;
        }
        if (selection.logpVariable == kDraughtRatingVariable) {
            result.status = SortStatus::VariableRefused;
            return result;
        }
        first = result.logpFiles.first();
        field = selection.logpVariable + 2;
        break;
    default:
        // The types that pick no file: an index that addresses no entry.
        first = static_cast<qint32>(result.sortedFiles.size());
        field = static_cast<int>(result.sortedFiles.size());
        break;
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
