// The graph window: a window of its own (not modal, any size, its place
// kept in the profile) that shows the file and variable the main window's
// graph shows, follows its browse and variable buttons, and lets the user
// zoom and pan the time axis, read a row's values at the cursor, add
// variables as strips of their own and save or copy a picture of it.
// Closing it changes nothing in the main window.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_WINDOW_H
#define TAVIX_GUI_WIDGETS_GRAPH_WINDOW_H

#include "core/charts/log_series.h"
#include "gui/widgets/graph_window_texts.h"

#include <QList>
#include <QWidget>

#include <functional>
#include <memory>

class GraphStripsView;
class Prompts;
class QCheckBox;
class QHBoxLayout;
class QLabel;
class QMenu;

class GraphWindow : public QWidget
{
    Q_OBJECT

public:
    // The variable of a field of the shown file, computed or kept by the owner.
    using SeriesSource = std::function<std::shared_ptr<const LogSeries>(int field)>;

    GraphWindow(Prompts &prompts, QWidget *parent = nullptr);
    ~GraphWindow() override;

    // Shows field mainField of the file rec. The same file as before
    // (sameFile) keeps the span, the cursor and the other checked variables:
    // the main window's variable takes the place of the one it showed
    // before. A new file is shown whole, with the other variables that it
    // has still checked.
    void ShowFile(const QString &fileName, const QString &logType, const LogFileRecord &rec,
                  std::shared_ptr<const LogTimeline> timeline, SeriesSource series, int mainField, bool sameFile);
    // Nothing to show (the table was cleared).
    void ShowNothing();
    void SetLanguage(bool chinese);

    // The fields shown as strips, in field order.
    QList<int> ShownFields() const;
    QList<QCheckBox *> VariableBoxes() const { return m_boxes; }
    GraphStripsView *View() const { return m_view; }
    QString ReadOut() const;
    // The graph as it is shown, at size, as a picture file's bytes of the format.
    QByteArray Picture(const QString &path, const QSize &size) const;
    // Asks for a file name and writes the picture there (PNG, SVG or PDF by
    // its ending; a name without one gets ".png").
    void SavePicture();
    void CopyPicture();
    // Puts the window where the profile says, at the size it had.
    void RestorePlace();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void RebuildBoxes(const QList<LogVariable> &variables);
    void UpdateStrips();
    void UpdateReadOut();
    void ShowMenu(const QPoint &globalPos);
    void RememberPlace();

    Prompts &m_prompts;
    GraphWindowTexts m_texts;
    bool m_chinese = false;
    QString m_fileName;
    QString m_logType;
    LogFileRecord m_rec;
    SeriesSource m_series;
    int m_mainField = -1;
    QList<LogVariable> m_variables;
    QList<int> m_checked; // fields checked, the main one included
    QWidget *m_boxRow = nullptr;
    QHBoxLayout *m_boxLayout = nullptr;
    QList<QCheckBox *> m_boxes;
    GraphStripsView *m_view = nullptr;
    QLabel *m_readOut = nullptr;
};

#endif
