#include "core/locale/help_texts.h"

#include <cstddef>
#include <initializer_list>

namespace {

// The help texts are kept line by line; they are joined with CR LF so that the
// message box shows the line breaks. No line is blank and none starts or ends
// with white space, except the title's second line of two blanks, so the texts
// read the same from Config.dat, whose reader trims lines and drops blank ones
// (the two-blank line is the one line that does not survive the file).
// U+2018/U+2019 quote names of buttons, files and messages; 'Print' (step 2)
// and the English 'Log' of step 5 keep the ASCII apostrophe. U+2022 marks the bullets of the firmware section.
// Two passages depend on the platform: where the USB driver comes from, and
// (English only) how the decimal sign of the data is read. On Windows that
// is FTDI's installer and the Control Panel's language settings; elsewhere
// the kernel's driver, the access to the port, and the program's own reading.

const char16_t *const kEnglishIntro[] = {
    u"TavixTerminal 2.0",
    u"  ",
    u"TavixTerminal 2.0 is free software that can be downloaded from the Tavix web site.",
    u"The program reads data and reports from the Tavix 3000 through the USB port, sorts the data",
    u"of the log files and presents the sorted data as a diagram. With TavixTerminal 2.0 the",
    u"Tavix 3000 can also log data on the two variables shown on the LCD of the instrument.",
    u"Before the first use:",
};

// Where the driver comes from differs by platform.
const char16_t *const kEnglishDriverWindows[] = {
    u"Install the USB driver by double-clicking \u2018CDM_Setup.exe\u2019 and wait for the message",
    u"\u2018FTDI CDM drivers have been successfully installed\u2019.",
};

const char16_t *const kEnglishDriverLinux[] = {
    u"On Linux no driver has to be installed: the driver of the kernel (ftdi_sio) serves the USB",
    u"port of the instrument. Give yourself access to the port once, in one of two ways: install",
    u"the udev rule that comes with the program (60-tavixterminal.rules) and plug the instrument",
    u"in again, or join the \u2018dialout\u2019 group (sudo usermod -aG dialout $USER) and log in again.",
};

const char16_t *const kEnglishSetUp[] = {
    u"Setting up the Tavix 3000:",
    u"The communication of the Tavix 3000 must be set to USB in Menu 2 of the instrument.",
    u"Please see the manual of the Tavix 3000 for more information.",
    u"How to use TavixTerminal 2.0:",
    u"1. Connect the Tavix 3000 to the PC with the USB cable.",
    u"2. Turn on the Tavix 3000 and press \u2018search\u2019; \u2018tavix 3000 s/n xxxxxx\u2019 is listed in the text",
    u"box below. Select it and click \u2018Open\u2019, and the text box to the right shows \u2018Device is ready\u2019.",
    u"A long press of the 'Print' button on the instrument sends its data to the PC. The data is",
    u"added at the bottom of the text window on the left, where it can be saved, copied to the",
    u"clipboard or cleared.",
    u"3. Data recorded in the \u2018Log\u2019 and \u2018LogP\u2019 modes can be sorted by the choices in the boxes",
};

// How the decimal sign of the data is read differs by platform.
const char16_t *const kEnglishDecimalWindows[] = {
    u"below. The sorted data can be saved, copied to the clipboard or cleared. The decimal sign",
    u"used in the data must match the language settings of Windows in the Control Panel.",
};

const char16_t *const kEnglishDecimalLinux[] = {
    u"below. The sorted data can be saved, copied to the clipboard or cleared. The program reads",
    u"a decimal comma and a decimal point in the data alike; no system setting has to match them.",
};

const char16_t *const kEnglishGraphsAndLogging[] = {
    u"4. Graphs are made from the sorted data. Use the arrow buttons to step through the files;",
    u"the number of the file shown is written in the graph.",
    u"A right click on the sorted data offers \u2018Export CSV...\u2019, a file for spreadsheets, and",
    u"\u2018Report (PDF)...\u2019, a report with the statistics and the graph of every variable.",
    u"5. The 'Log' button in the lower left corner makes the instrument send its display values",
    u"at the interval given in the box beside it. The highest reading rate is 10 Hz, that is an",
    u"interval of at least 0.1 s. The number of readings that can be taken depends on the",
    u"computer and on the operating system. Each start of a log asks for the name of a backup",
    u"file, into which the readings are also written. For more comprehensive logging we",
    u"recommend the separate multi-point logging program from Tavix.",
    u"Update the software inside Tavix 3000 with TavixTerminal 2.0:",
    u"\u2022 Download the firmware file \u2018XXXXXXX.PRO\u2019 from the Tavix web site and save it on the PC.",
    u"\u2022 Connect and open the Tavix 3000 as described in steps 1 and 2 above.",
    u"\u2022 Click \u2018Send Program\u2019 in the upper right corner, browse to the firmware file and press open.",
    u"\u2022 Wait until the instrument turns itself off and an OK message is shown in the program",
    u"window.",
    u"\u2022 WARNING!! Never turn off your PC or disconnect the instrument while updating the firmware,",
    u"and always wait until the instrument has turned itself off, even if the status bar of the",
    u"program is not updated.",
    u"\u2022 Turn on the instrument again: its display shows the version number of the new firmware.",
};

const char16_t *const kChineseIntro[] = {
    u"TavixTerminal 2.0",
    u"  ",
    u"TavixTerminal 2.0是一款免费软件，可以从Tavix中国网站下载。本软件通过电脑的USB端口读取Tavix 3000",
    u"仪器中的测量数据和报告，对记录文件中的数据进行排序，并自动将排序结果绘制成图形，便于查看和分析。",
    u"此外，本软件还可以使Tavix 3000按设定的时间间隔，对仪器液晶屏上显示的两个变量进行实时数据记录。",
    u"本软件的界面提供英文和中文两种语言，可以随时切换。",
};

const char16_t *const kChineseDriverWindows[] = {
    u"首次使用前安装驱动程序：",
    u"第一次使用本软件之前，请双击\u2018CDM_Setup.exe\u2019安装USB驱动程序，并等待屏幕上出现",
    u"\u2018FTDI CDM drivers have been successfully installed\u2019提示信息，表示驱动程序已安装成功。",
};

const char16_t *const kChineseDriverLinux[] = {
    u"首次使用前：",
    u"在Linux上无需安装驱动程序：Linux内核自带的ftdi_sio驱动程序即可支持仪器的USB端口。",
    u"首次使用前，请用以下任一方法获得访问端口的权限：安装本软件附带的udev规则",
    u"（60-tavixterminal.rules）后重新插入仪器；或将用户加入\u2018dialout\u2019组",
    u"（sudo usermod -aG dialout $USER）后重新登录。",
};

const char16_t *const kChineseRest[] = {
    u"仪器设置：",
    u"必须在Tavix 3000的菜单2中将通讯方式设置为USB，否则电脑无法与仪器通讯。",
    u"具体设置方法详见仪器用户手册第27页。",
    u"使用方法：",
    u"1. 用USB电缆将Tavix 3000连接到电脑。如需使用中文界面，请在右上角的语言选择框中选择\u2018中文\u2019，",
    u"所有按钮和提示信息即切换为中文。",
    u"2. 打开仪器电源，单击\u2018搜索\u2019按钮，下方文本框中将列出\u2018tavix 3000 s/n xxxxxx\u2019。选中该设备后",
    u"单击\u2018打开\u2019按钮，右侧文本框显示\u2018Device is ready\u2019，表示仪器已准备就绪。",
    u"按仪器上的\u2018Menu1\u2019键可进入Note Book和LogBook报告（详见用户手册第24页）。长按仪器上的",
    u"'Print'键，仪器即开始发送数据。接收到的数据添加在左侧文本窗口的末尾，可以保存、复制到剪贴板",
    u"或清空。",
    u"3. 在\u2018Log\u2019和\u2018LogP\u2019模式下记录的数据，可以按下方选择框中的选项进行排序：先选择记录类型和",
    u"变量，再单击\u2018排序\u2019按钮。排序后的数据显示在输出窗口中，可以保存、复制到剪贴板或清空。",
    u"4. 排序完成后，排序结果自动绘制成图形。用箭头按钮可以逐个浏览各个记录文件，图中显示当前",
    u"文件的编号。选择不同的变量按钮，可以查看同一记录文件中其它变量的变化曲线。",
    u"在排序数据上单击右键，可选择\u2018导出 CSV...\u2019（供电子表格使用）或\u2018报告 (PDF)...\u2019",
    u"（含各变量的统计数据和曲线图）。",
    u"5. 单击左下角的\u2018开始记录\u2019按钮，仪器将按右侧框中设定的时间间隔发送显示屏上的数值，数值同时",
    u"显示在左侧文本窗口中。最高读取频率为10 Hz，即interval/s=0.1。实际能够读取的数据数量取决于",
    u"电脑的性能和操作系统。如需更全面的数据记录功能，建议使用Tavix另外提供的多点记录软件。",
    u"用TavixTerminal 2.0更新Tavix 3000内部的软件：",
    u"\u2022 从Tavix网站或Tavix中国网站下载固件文件\u2018XXXXXXX.PRO\u2019，并保存到电脑上。",
    u"\u2022 按上述第1步和第2步连接并打开Tavix 3000，确认右侧文本框显示\u2018Device is ready\u2019。",
    u"\u2022 单击右上角的\u2018写入程序\u2019按钮，找到已下载的固件文件后单击\u2018打开\u2019，开始传送固件。",
    u"\u2022 等待仪器自动关机，并在程序窗口中显示OK信息，表示固件已更新完毕。",
    u"\u2022 警告！！更新固件期间切勿关闭电脑或断开仪器连接。即使状态栏没有更新，也必须耐心等待，",
    u"直到仪器自动关机为止，否则仪器可能无法正常工作。",
    u"\u2022 重新开启仪器，显示屏上将显示新固件的版本号。",
};

// A piece of a help text: consecutive lines.
struct Lines
{
    const char16_t *const *lines;
    std::size_t count;
    template <std::size_t N>
    Lines(const char16_t *const (&array)[N]) : lines(array), count(N) {}
};

QString JoinLines(std::initializer_list<Lines> pieces)
{
    QString text;
    for (const Lines &piece : pieces) {
        for (std::size_t i = 0; i < piece.count; ++i) {
            if (!text.isEmpty())
                text += QStringLiteral("\r\n");
            text += QString::fromUtf16(piece.lines[i]);
        }
    }
    return text;
}

} // namespace

HelpPlatform RunningHelpPlatform()
{
#ifdef Q_OS_WIN
    return HelpPlatform::Windows;
#else
    return HelpPlatform::Linux;
#endif
}

QString EnglishHelpText(HelpPlatform platform)
{
    const bool windows = platform == HelpPlatform::Windows;
    return JoinLines({kEnglishIntro, windows ? Lines(kEnglishDriverWindows) : Lines(kEnglishDriverLinux),
                      kEnglishSetUp, windows ? Lines(kEnglishDecimalWindows) : Lines(kEnglishDecimalLinux),
                      kEnglishGraphsAndLogging});
}

QString ChineseHelpText(HelpPlatform platform)
{
    const bool windows = platform == HelpPlatform::Windows;
    return JoinLines({kChineseIntro, windows ? Lines(kChineseDriverWindows) : Lines(kChineseDriverLinux),
                      kChineseRest});
}

QString AboutBoxTitle()
{
    return QStringLiteral("About TavixTerminal2.0");
}

QString AboutVersionText()
{
    return QStringLiteral("TavixTerminal Version 2.0");
}

QString AboutNoticeText()
{
    return QStringLiteral("Copyright (C) Tavix. All rights reserved.");
}

QString AboutMenuText()
{
    return QStringLiteral("&TavixTerminal...");
}
