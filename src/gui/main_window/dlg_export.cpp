// The export of the sort shown: the sorted output's context menu items
// "Export CSV..." and "Report (PDF)...". The CSV and the report are made by
// core and paint; this file asks for the file and writes it.
#include "gui/main_window/costrum_dlg.h"

#include "core/export/csv_export.h"
#include "core/io/text_file.h"
#include "core/sorting/sorted_output.h"
#include "gui/widgets/prompts.h"
#include "paint/report_writer.h"

#include <QAction>
#include <QDir>
#include <QLocale>
#include <QMenu>

#include <new>

namespace {

QList<qint32> AllOf(const QList<LogFileRecord> &files)
{
    QList<qint32> indexes;
    for (qsizetype i = 0; i < files.size(); ++i)
        indexes.append(qint32(i));
    return indexes;
}

} // namespace

void COstrumDlg::AddExportMenuItems(QMenu *menu)
{
    const bool shown = !m_strSortedOutput.isEmpty() && !m_exportFiles.isEmpty();
    menu->addSeparator();
    QAction *csv = menu->addAction(Pick(QStringLiteral("Export CSV..."), QStringLiteral("导出 CSV...")));
    csv->setObjectName(QStringLiteral("export-csv"));
    csv->setEnabled(shown);
    connect(csv, &QAction::triggered, this, &COstrumDlg::OnExportCsv);
    QAction *report = menu->addAction(Pick(QStringLiteral("Report (PDF)..."), QStringLiteral("报告 (PDF)...")));
    report->setObjectName(QStringLiteral("export-report"));
    report->setEnabled(shown);
    connect(report, &QAction::triggered, this, &COstrumDlg::OnExportReport);
}

void COstrumDlg::OnExportCsv()
{
    if (m_exportFiles.isEmpty()) {
        m_prompts.Message(CurrentMessageTexts().SortFailedText);
        return;
    }
    const QString path = m_prompts.SaveFileName(QStringLiteral("CSV file(*.csv)|*.csv|All Files (*.*)|*.*||"));
    if (path.isEmpty())
        return;
    // A spreadsheet in a decimal-comma locale reads semicolons and decimal
    // commas; the system's locale says which the user's spreadsheet expects.
    const CsvDialect dialect =
        QLocale().decimalPoint() == QLatin1String(",") ? CsvDialect::Semicolon : CsvDialect::Rfc4180;
    try {
        QByteArray bytes;
        WriteCsv(m_exportFiles, AllOf(m_exportFiles), dialect, [&bytes](const QByteArray &piece) {
            bytes += piece;
            return true;
        });
        QString error;
        if (!WriteFileBytes(path, bytes, &error))
            m_prompts.Message(FileFailureText(path, error, true));
    } catch (const std::bad_alloc &) {
        m_prompts.Message(Pick(QStringLiteral("There is not enough memory to export the sorted data."),
                               QStringLiteral("内存不足，无法导出排序数据。")));
    }
}

void COstrumDlg::OnExportReport()
{
    if (m_exportFiles.isEmpty()) {
        m_prompts.Message(CurrentMessageTexts().SortFailedText);
        return;
    }
    const QString path = m_prompts.SaveFileName(QStringLiteral("PDF file(*.pdf)|*.pdf|All Files (*.*)|*.*||"));
    if (path.isEmpty())
        return;
    ReportOptions options;
    options.captureName = m_strInputFileName.isEmpty()
                              ? Pick(QStringLiteral("input window"), QStringLiteral("输入窗口"))
                              : QDir::toNativeSeparators(m_strInputFileName);
    options.logTypeName = LogTypeName(m_nExportLogType);
    options.language = Texts().IsChinese() ? ReportLanguage::Chinese : ReportLanguage::English;
    try {
        const ReportResult report = MakeReport(m_exportFiles, AllOf(m_exportFiles), options);
        QString error = report.problem;
        if (report.pdf.isEmpty() || !WriteFileBytes(path, report.pdf, &error))
            m_prompts.Message(FileFailureText(path, error, true));
    } catch (const std::bad_alloc &) {
        m_prompts.Message(Pick(QStringLiteral("There is not enough memory to export the sorted data."),
                               QStringLiteral("内存不足，无法导出排序数据。")));
    }
}
