// The PDF report of a sort, on A4 pages: a first page with the title, the
// capture, the log type, the instruments' serial numbers, the report's date
// and a summary table of every picked file (continued on the next pages
// when it is long); then per file its heading, the statistics of each
// variable and the log graph of each variable, drawn by PaintLogGraph as
// the window draws it. Every page is numbered; the texts are English or
// Chinese; the fonts are embedded.
#ifndef TAVIX_PAINT_REPORT_WRITER_H
#define TAVIX_PAINT_REPORT_WRITER_H

#include "core/sorting/log_record.h"

#include <QByteArray>
#include <QDate>
#include <QList>
#include <QString>

enum class ReportLanguage { English, Chinese };

// The language of a command-line name ("en", "zh"); false for any other.
bool ReportLanguageFromName(const QString &name, ReportLanguage *language);

// Per-file pages are given to at most this many files unless told otherwise.
constexpr int kDefaultReportFileLimit = 200;

struct ReportOptions
{
    QString captureName;  // the input data file's name, as the user gave it
    QString logTypeName;  // "QRT 03 Logp", ...
    ReportLanguage language = ReportLanguage::English;
    // Files past the limit get no pages of their own; the summary table
    // lists every file and the first page says how many were left out.
    int fileLimit = kDefaultReportFileLimit;
    QDate date;           // the report's date; today when not valid
};

struct ReportResult
{
    QByteArray pdf;   // empty on failure
    int pages = 0;
    QString problem;  // why there is no PDF
};

// Makes the report of the records at picked (table indexes). Needs a
// QGuiApplication (the offscreen platform will do) for its fonts.
ReportResult MakeReport(const QList<LogFileRecord> &records, const QList<qint32> &picked,
                        const ReportOptions &options);

#endif
