#include "core/locale/built_in_texts.h"

#include "core/locale/help_texts.h"

namespace {

// Slot 0 English, slot 1 Chinese, slot 2 empty or the slot 0 text again where
// a caption is the same in every language. The quotes of 4002 are typographic;
// the English text opens "Clear input data" with U+201D, not U+201C, and is
// kept exactly so. The logging button 1051 and the help texts 4000 are added
// in BuiltInTextTable.
struct BuiltInRow
{
    int number;
    const char16_t *texts[3];
};

const BuiltInRow kBuiltInRows[] = {
    {1068, {u"Open:", u"打开:", u""}}, // read-only label (edit)
    {1030, {u"Search", u"搜索", u""}}, // button
    {1024, {u"Open", u"打开", u""}}, // button
    {1027, {u"Description", u"设备描述", u""}}, // radio button (device identification by description)
    {1028, {u"Serial Number", u"设备码", u""}}, // radio button
    {1029, {u"Dev #", u"设备号", u""}}, // radio button
    {1018, {u"Clear input data", u"清空", u""}}, // button
    {1020, {u"Save input data", u"保存", u""}}, // button
    {1022, {u"Open input data", u"打开", u""}}, // button
    {1023, {u"Copy to clipboard", u"复制", u""}}, // button (input data)
    {1025, {u"Translate keywords into chinese and save", u"译成中文保存", u""}}, // button
    {1069, {u"Data", u"数据", u""}}, // read-only label (edit)
    {1039, {u"Auto Scroll", u"滚屏", u""}}, // radio button
    {1070, {u"chars", u"字节", u""}}, // read-only label (edit)
    {1071, {u"Log start time:", u"记录开始时间", u""}}, // read-only label (edit)
    {1035, {u"Sort", u"排序", u""}}, // button
    {1043, {u"QRT 03 Logp", u"QRT 03 Logp", u"QRT 03 Logp"}}, // radio button (log type)
    {1044, {u"QRT Log", u"QRT Log", u"QRT Log"}}, // radio button (log type)
    {1045, {u"QRT 31 Logp", u"QRT 31 Logp", u"QRT 31 Logp"}}, // radio button (log type)
    {1046, {u"QRT 03 Logp pressure setup", u"QRT 03 Logp pressure setup", u"QRT 03 Logp pressure setup"}}, // radio button (log type)
    {1047, {u"QRT Log no interval", u"QRT Log no interval", u"QRT Log no interval"}}, // radio button (log type)
    {1048, {u"QRT 31 Logp pressure setup", u"QRT 31 Logp pressure setup", u"QRT 31 Logp pressure setup"}}, // radio button (log type)
    {1072, {u"Intervals/s", u"Intervals/s", u""}}, // read-only label (edit)
    {1036, {u"Select language:", u"选择语言:", u""}}, // read-only label (edit)
    {1, {u"EXIT", u"退出", u""}}, // button (closes the program)
    {1032, {u"Save sorted data", u"保存", u""}}, // button
    {1033, {u"Copy to clipboard", u"拷贝", u""}}, // button (sorted data)
    {1034, {u"Clear sorted data", u"清空", u""}}, // button
    {1084, {u"Barometer", u"Barometer", u"Barometer"}}, // radio button (graph variable)
    {1055, {u"Vavg", u"Vavg", u"Vavg"}}, // radio button (graph variable)
    {1056, {u"Vmax", u"Vmax", u"Vmax"}}, // radio button (graph variable)
    {1057, {u"Vmin", u"Vmin", u"Vmin"}}, // radio button (graph variable)
    {1058, {u"StdD", u"StdD", u"StdD"}}, // radio button (graph variable)
    {1059, {u"T", u"T", u"T"}}, // radio button (graph variable)
    {1060, {u"DR%", u"DR%", u"DR%"}}, // radio button (graph variable)
    {1061, {u"Log:", u"记录:", u""}}, // read-only label (edit)
    {1063, {u"Var1", u"Var1", u"Var1"}}, // radio button (graph variable)
    {1064, {u"Var2", u"Var2", u"Var2"}}, // radio button (graph variable)
    {1065, {u"Time", u"Time", u"Time"}}, // radio button
    {1066, {u"Hour", u"Hour", u"Hour"}}, // radio button
    {1062, {u"Save graph", u"保存", u""}}, // button
    {1067, {u"Copy to clipboard", u"拷贝", u""}}, // button (graph)
    {1042, {u"Open devices", u"打开设备", u""}}, // group box
    {1073, {u"Input data from Tavix instrument", u"Tavix设备输入数据", u""}}, // group box
    {1074, {u"Sort data from Tavix3000", u"对Tavix3000数据排序", u""}}, // group box (sort options)
    {1075, {u"Read display data by sending space", u"实时读取数据", u""}}, // group box
    {1076, {u"Language selection", u"语言选择(Language)", u""}}, // group box
    {1077, {u"Sorted output data from Tavix3000", u"Tavix3000排序后输出数据", u""}}, // group box
    {1078, {u"Tavix3000 Log Graph", u"Tavix3000日志图示", u""}}, // group box (graph)
    {1093, {u"Send Program", u"写入程序", u""}}, // button
    {1094, {u"Help", u"帮助", u""}}, // button
    {4001, {u"Sending program,\r\nplease be patient!\r\n", u"写程序中,\r\n请耐心等待!\r\n", u""}}, // progress note while firmware is sent
    {4002, {u"Data can not be sorted, it maybe caused by uncompleted file transfer. Please \u201DClear input data\u201D and transfer all file with long press \u201Cprint\u201D button on Tavix 3000 again!", u"数据不能排序，可能由于不完整的数据传输所造成。请单击\u201C清空\u201D并长按Tavix3000仪器上的\u201Cprint\u201D按钮再次传送数据!", u""}}, // message box when the input data cannot be sorted
    {4003, {u"The interval should be bigger than 0.1s!", u"最小时间间隔应大于0.1s!", u""}}, // message box when the logging interval is below 0.1 s
    {4004, {u"No corresponding variation, please choose Variation again!", u"无效选项，请重选！", u""}}, // message box when the chosen graph variable does not exist
};

} // namespace

QStringList BuiltInLanguageNames()
{
    return {QStringLiteral("English"), QStringLiteral("中文")};
}

TextTable BuiltInTextTable()
{
    TextTable table;
    for (const BuiltInRow &row : kBuiltInRows) {
        QStringList texts;
        for (const char16_t *text : row.texts)
            texts.append(QString::fromUtf16(text));
        table.insert(row.number, texts);
    }
    // The logging button holds a start and a stop caption per language:
    // slot 2i while logging is stopped, slot 2i+1 while it runs.
    table.insert(1051,
                 {QStringLiteral("Start Logging"), QStringLiteral("Stop Logging"),
                  QStringLiteral("开始记录"), QStringLiteral("停止记录")});
    table.insert(4000, {EnglishHelpText(), ChineseHelpText(), QString()});
    return table;
}
