// The CSV export of a sort: every picked log file, row by row, for a
// spreadsheet or a data tool. UTF-8 with a byte-order mark, CR LF line
// ends, fields quoted only where they must be (RFC 4180).
//
// Columns: "file" (the file's number), "date" and "time" as printed,
// "datetime" (ISO 8601, from the date in the file's own order; blank when
// unreadable), "seconds" (since the file's first row; blank when either
// time is unreadable), then one column per variable titled as LogVariable
// titles it. Files whose variables differ share the union of the columns,
// in order of first appearance; a file's cell of a column it lacks is empty.
// Values that are numbers are written with the dialect's decimal sign;
// anything else is written as printed.
#ifndef TAVIX_CORE_EXPORT_CSV_EXPORT_H
#define TAVIX_CORE_EXPORT_CSV_EXPORT_H

#include "core/sorting/log_record.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Rfc4180: comma and decimal point. Semicolon: semicolon and decimal comma,
// as spreadsheets in decimal-comma locales read a CSV file.
enum class CsvDialect { Rfc4180, Semicolon };

// The dialect of a command-line name ("rfc4180", "semicolon"); false for
// any other.
bool CsvDialectFromName(const QString &name, CsvDialect *dialect);

// The header line's column titles for the records at picked (table indexes).
QStringList CsvColumns(const QList<LogFileRecord> &records, const QList<qint32> &picked);

// One field as the dialect writes it: quoted (quotes doubled) when it holds
// the separator, a quote, CR or LF, or starts or ends with a blank.
QString CsvField(const QString &text, CsvDialect dialect);

// Where WriteCsv hands its pieces (UTF-8 bytes); false stops the writing.
using CsvSink = std::function<bool(const QByteArray &piece)>;

// Writes the CSV text of the picked records to sink in pieces of about
// pieceSize bytes, each ending with a line end: the byte-order mark and the
// header line first. Returns false when the sink refused a piece.
bool WriteCsv(const QList<LogFileRecord> &records, const QList<qint32> &picked, CsvDialect dialect,
              const CsvSink &sink, qsizetype pieceSize = 1 << 16);

#endif
