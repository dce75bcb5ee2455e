// The graph window beside the main window, and the pictures of the graph:
// the chart opens the window on a double-click, on Enter while it has the
// focus and from its context menu, which also saves and copies the chart's
// picture. The window follows what the chart shows.
#include "gui/main_window/costrum_dlg.h"

#include "core/charts/log_graph.h"
#include "core/io/safe_file_writer.h"
#include "gui/widgets/graph_window.h"
#include "gui/widgets/graph_window_texts.h"
#include "gui/widgets/my_chart.h"
#include "gui/widgets/prompts.h"
#include "paint/chart_painter.h"
#include "paint/fonts.h"
#include "paint/graph_picture.h"

#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QPainter>

void COstrumDlg::WireGraphWindow()
{
    if (!m_pChart)
        return;
    m_pChart->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_pChart, &QWidget::customContextMenuRequested, this, &COstrumDlg::ShowChartMenu);
    connect(m_pChart, &CMyChart::OpenRequested, this, &COstrumDlg::OpenGraphWindow);
}

void COstrumDlg::OpenGraphWindow()
{
    if (!m_pGraphWindow) {
        m_pGraphWindow = new GraphWindow(m_prompts, this);
        m_pGraphWindow->SetLanguage(m_texts.IsChinese());
        m_pGraphWindow->RestorePlace();
    }
    // A closed window followed nothing: it opens on the chart's file, whole.
    if (!m_pGraphWindow->isVisible()) {
        m_pGraphWindow->show();
        UpdateGraphWindow(false);
    }
    m_pGraphWindow->raise();
    m_pGraphWindow->activateWindow();
}

void COstrumDlg::UpdateGraphWindow(bool sameFile)
{
    // A closed window reads nothing; it is brought up to date when it opens.
    if (!m_pGraphWindow || !m_pGraphWindow->isVisible())
        return;
    if (m_nGraphIndex < 0 || m_nGraphIndex >= m_sortedFiles.size()
        || !LogGraphHasField(m_sortedFiles[m_nGraphIndex], m_nGraphField)) {
        m_pGraphWindow->ShowNothing();
        return;
    }
    const int index = m_nGraphIndex;
    const LogFileRecord &rec = m_sortedFiles[index];
    GraphWindow::SeriesSource series = [this, index](int field) {
        return m_graphCache.Series(index, m_sortedFiles[index], field);
    };
    m_pGraphWindow->ShowFile(QStringLiteral("File %1").arg(rec.fileNumber), m_strGraphLogType, rec,
                             m_graphCache.Timeline(index, rec), series, m_nGraphField, sameFile);
}

void COstrumDlg::ShowChartMenu(const QPoint &pos)
{
    if (!m_pChart)
        return;
    const GraphWindowTexts texts = GraphTexts(m_texts.IsChinese());
    QMenu menu(this);
    menu.addAction(texts.openWindow, this, &COstrumDlg::OpenGraphWindow);
    menu.addSeparator();
    menu.addAction(texts.savePicture, this, &COstrumDlg::SaveChartPicture);
    menu.addAction(texts.copyPicture, this, &COstrumDlg::CopyChartPicture);
    menu.exec(m_pChart->mapToGlobal(pos));
}

QByteArray COstrumDlg::ChartPicture(const QString &path) const
{
    if (!m_pChart)
        return QByteArray();
    const ChartModel &chart = *m_pChart;
    const QSize size = m_pChart->size();
    return RenderPicture(PictureFormatOf(path), size, DialogFont(), chart.Title(),
                         [&chart, size](QPainter &painter, const QRect &) {
                             BeginBorderedClientPaint(painter, size.width(), size.height());
                             EraseChartBackground(painter, chart);
                             PaintChart(painter, chart);
                         });
}

void COstrumDlg::SaveChartPicture()
{
    const GraphWindowTexts texts = GraphTexts(m_texts.IsChinese());
    QString path = m_prompts.SaveFileName(texts.pictureFilter);
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    const QByteArray bytes = ChartPicture(path);
    SafeFileWriter writer(path);
    QString reason;
    if (bytes.isEmpty())
        reason = texts.copyFailed;
    else if (!writer.Open() || !writer.Write(bytes) || !writer.Commit())
        reason = writer.Problem();
    if (!reason.isEmpty())
        m_prompts.Message(texts.saveFailed.arg(QDir::toNativeSeparators(path), reason));
}

void COstrumDlg::CopyChartPicture()
{
    if (m_pChart)
        m_prompts.SetClipboardImage(m_pChart->grab().toImage());
}
