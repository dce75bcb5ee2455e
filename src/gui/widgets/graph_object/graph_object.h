// The graph object window: one bar, pie or line graph under a title and a
// subtitle, painted through an off-screen buffer over a plain or gradient
// background, with an animated build-up driven by a timer.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_OBJECT_GRAPH_OBJECT_H
#define TAVIX_GUI_WIDGETS_GRAPH_OBJECT_GRAPH_OBJECT_H

#include "core/charts/chart_layout.h"
#include "core/charts/graph_geometry.h"
#include "paint/chart_painter.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

class C2DBarGraph;
class C2DLineGraph;
class C2DPieGraph;
class QPainter;

// Like a bordered child window, the widget draws a 1-pixel black frame at its
// edge and paints its client area inside it: client (0, 0) is widget pixel
// (1, 1). The off-screen buffers have the full window size W x H; the client
// sized part of the back buffer is what shows.
//
// Messages (the two out-of-bounds texts) go to a message sink, by default
// the program's message box through QtPrompts; the dialog routes them
// through its own prompts and tests record them.
class CGraphObject : public QWidget
{
    Q_OBJECT

public:
    using MessageSink = std::function<void(const QString &)>;

    // The timer that drives the animation, as the window knows it.
    static constexpr int kAnimationTimerId = 50000;
    static constexpr int kAnimationPeriodMs = 5;
    static constexpr int kBorderWidth = kWindowBorderWidth;

    explicit CGraphObject(QWidget *parent = nullptr);
    ~CGraphObject() override;

    void SetMessageSink(MessageSink sink) { m_messageSink = std::move(sink); }

    // Places the window at rect (parent client pixels; right and bottom lie
    // just outside it), widened and raised to at least 200 x 200, as a
    // visible child of parent with the given control id, and makes the title
    // and subtitle fonts from its size. Fails without a parent.
    bool Create(const ChartRect &rect, QWidget *parent, int id);
    // Builds the graph of kind (GraphKindBar, GraphKindPie or GraphKindLine;
    // another kind builds none) and the two off-screen buffers.
    void CreateGraph(int kind);

    // The line graph's series or segment count when the kind is line (0
    // before a graph is built); otherwise kind - 2, negative, so loops over
    // them do nothing.
    int GetSeriesCount() const;
    int GetSegmentCount() const;
    // Both act on the line graph. Out of range (or no line graph): the
    // message "Series index is out of bounds..." / "Index is out of
    // bounds..." and nothing changes.
    void DeleteSeries(int n);
    void DeleteSegment(int n);

    // Sets up the current graph's animation and takes its first step; mode 1
    // starts the animation timer (restarting it when it runs), any other
    // mode stops it.
    void SetAnimation(int mode, int type);
    bool isAnimationTimerActive() const { return m_animationTimer.isActive(); }

    // One timer tick: stops the timer when the progress has not grown since
    // the last tick, steps the animation, clears the graph area of the back
    // buffer once the progress reaches 100, and repaints without erase.
    void OnTimer();
    // Fills the window and the back buffer with the background colour and
    // marks the texts to be drawn again.
    void OnEraseBkgnd(QPainter &windowPainter);
    // Draws background, graph and (when due) the texts into the back buffer,
    // then shows the back buffer.
    void OnPaint(QPainter &windowPainter);
    // Schedules a repaint; with erase the background is erased first.
    void Invalidate(bool erase);

    void SetTitle(const QString &text) { m_strTitle = text; }
    void SetSubtitle(const QString &text) { m_strSubtitle = text; }
    void SetBackgroundStyle(int style) { m_nBackgroundStyle = style; }

    int GraphKindValue() const { return m_nGraphKind; }
    int WindowWidth() const { return m_nWidth; }
    int WindowHeight() const { return m_nHeight; }
    int WindowLeft() const { return m_nLeft; }
    int WindowTop() const { return m_nTop; }
    const GraphFontRequest &TitleFontRequest() const { return m_titleFontRequest; }
    const GraphFontRequest &SubtitleFontRequest() const { return m_subtitleFontRequest; }
    const QString &Title() const { return m_strTitle; }
    const QString &Subtitle() const { return m_strSubtitle; }
    bool TextsPending() const { return m_bTextsPending; }
    int AnimationMode() const { return m_nAnimation; }
    int LastProgress() const { return m_nLastProgress; }
    // The current graph's progress; 100 when there is no graph.
    int CurrentProgress() const;
    const QImage &BackBuffer() const { return m_backBuffer; }
    const QImage &GradientBuffer() const { return m_gradientBuffer; }
    C2DLineGraph *LineGraph() const { return m_pLineGraph.get(); }
    C2DBarGraph *BarGraph() const { return m_pBarGraph.get(); }
    C2DPieGraph *PieGraph() const { return m_pPieGraph.get(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void ShowMessage(const QString &text);
    void StepCurrentGraph();
    void DrawTexts(QPainter &painter);

    int m_nLegend = 1;
    QColor m_crSubtitle{0, 0, 0};
    QColor m_crTitle{0, 0, 0};
    bool m_bSubtitleShadow = false;
    bool m_bTitleShadow = false;
    int m_nGradientDirection = 1; // vertical
    QColor m_crGradientBottom{0, 0, 216};
    QColor m_crGradientTop{0, 0, 64};
    int m_nBackgroundStyle = BackgroundPlain;
    int m_nAnimation = 0;
    GraphFontRequest m_subtitleFontRequest;
    QFont m_fontSubtitle;
    QString m_strSubtitle = QStringLiteral("Add graph subtitle here");
    QImage m_gradientBuffer;
    QImage m_backBuffer;
    bool m_bTextsPending = false;
    GraphFontRequest m_titleFontRequest;
    QFont m_fontTitle;
    QString m_strTitle = QStringLiteral("Add graph title here");
    QColor m_crBackground{255, 255, 255};
    int m_nGraphKind = GraphKindNone;
    int m_nWidth = 0;
    int m_nHeight = 0;
    int m_nLeft = 0;
    int m_nTop = 0;
    std::unique_ptr<C2DLineGraph> m_pLineGraph;
    std::unique_ptr<C2DBarGraph> m_pBarGraph;
    std::unique_ptr<C2DPieGraph> m_pPieGraph;
    int m_nLastProgress = -1;

    QTimer m_animationTimer;
    bool m_bErasePending = true;
    MessageSink m_messageSink;
};

#endif // TAVIX_GUI_WIDGETS_GRAPH_OBJECT_GRAPH_OBJECT_H
