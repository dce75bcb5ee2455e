// The texts of the graph window and of the graph's context menu, in English
// and Chinese.
#ifndef TAVIX_GUI_WIDGETS_GRAPH_WINDOW_TEXTS_H
#define TAVIX_GUI_WIDGETS_GRAPH_WINDOW_TEXTS_H

#include <QString>

struct GraphWindowTexts
{
    QString openWindow;      // context menu: open the graph window
    QString savePicture;     // context menu: save a picture of the graph
    QString copyPicture;     // context menu: copy a picture of the graph
    QString showAll;         // context menu: the whole file
    QString windowTitle;     // "%1": the file, "%2": the log type
    QString graphName;       // accessible name of the graph
    QString graphHelp;       // tool tip of the graph: mouse and keys
    QString variablesName;   // accessible name of the check boxes' row
    QString variableHelp;    // tool tip of a check box
    QString readOutName;     // accessible description of the read-out
    QString readOutHint;     // the read-out before the cursor is placed
    QString noGraph;         // the read-out when no file is shown
    QString pictureFilter;   // the save dialog's filter
    QString saveFailed;      // "%1": the file, "%2": the system's reason
    QString copyFailed;      // the picture could not be made
};

GraphWindowTexts GraphTexts(bool chinese);

#endif
