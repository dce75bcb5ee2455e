#include "gui/widgets/graph_window_texts.h"

GraphWindowTexts GraphTexts(bool chinese)
{
    GraphWindowTexts t;
    if (chinese) {
        t.openWindow = QStringLiteral("打开图形窗口");
        t.savePicture = QStringLiteral("保存图片...");
        t.copyPicture = QStringLiteral("复制图片");
        t.showAll = QStringLiteral("显示整个文件");
        t.windowTitle = QStringLiteral("图形 - %1 - %2");
        t.graphName = QStringLiteral("图形");
        t.graphHelp = QStringLiteral("滚轮：以指针为中心缩放；左键拖动：平移；右键或 Shift 拖动：放大所选时段；"
                                     "+/-：缩放；Shift+左/右、PageUp/PageDown：平移；左/右：逐行移动光标；"
                                     "Home：整个文件；Esc：关闭");
        t.variablesName = QStringLiteral("变量");
        t.variableHelp = QStringLiteral("在单独的条带中显示此变量");
        t.readOutName = QStringLiteral("光标处的数值");
        t.readOutHint = QStringLiteral("将鼠标移到图形上，或按左/右方向键，读取各行的数值。");
        t.noGraph = QStringLiteral("没有图形：请先排序日志文件。");
        t.pictureFilter = QStringLiteral("PNG 图片(*.png)|*.png|SVG 图片(*.svg)|*.svg|PDF 文档(*.pdf)|*.pdf||");
        t.saveFailed = QStringLiteral("无法将图片写入文件“%1”。\n系统说明：%2");
        t.copyFailed = QStringLiteral("无法生成图片。");
        return t;
    }
    t.openWindow = QStringLiteral("Open graph window");
    t.savePicture = QStringLiteral("Save picture...");
    t.copyPicture = QStringLiteral("Copy picture");
    t.showAll = QStringLiteral("Show whole file");
    t.windowTitle = QStringLiteral("Graph - %1 - %2");
    t.graphName = QStringLiteral("Graph");
    t.graphHelp = QStringLiteral("Wheel: zoom about the pointer; drag: pan; right drag or Shift+drag: zoom into a "
                                 "span; +/-: zoom; Shift+Left/Right, Page Up/Down: pan; Left/Right: cursor row by "
                                 "row; Home: whole file; Esc: close");
    t.variablesName = QStringLiteral("Variables");
    t.variableHelp = QStringLiteral("Show this variable in a strip of its own");
    t.readOutName = QStringLiteral("Values at the cursor");
    t.readOutHint = QStringLiteral("Move the mouse over the graph, or press Left or Right, to read a row's values.");
    t.noGraph = QStringLiteral("No graph: sort a log file first.");
    t.pictureFilter = QStringLiteral("PNG picture(*.png)|*.png|SVG picture(*.svg)|*.svg|PDF document(*.pdf)|*.pdf||");
    t.saveFailed = QStringLiteral("The picture could not be written to the file \"%1\".\nThe system says: %2");
    t.copyFailed = QStringLiteral("The picture could not be made.");
    return t;
}
