// Every control of the program's dialogs by name, each number once: the
// template (dialog_template.cpp) places them, the main window's handlers and
// the data exchange address them. A control's number is also the number of
// its caption in the text table (core/locale), which speaks in numbers.
#ifndef TAVIX_GUI_DIALOG_CONTROL_IDS_H
#define TAVIX_GUI_DIALOG_CONTROL_IDS_H

// The dialog templates.
enum DialogId : int {
    IDD_ABOUT = 100,
    IDD_MAIN = 102,
};

// The main dialog (template 102), in number order.
enum ControlId : int {
    IDOK_EXIT                   = 1, // EXIT: ends the program (the default button)
    IDC_STATUS                  = 1015, // the status line
    IDC_CLEAR_INPUT             = 1018, // "Clear input data"
    IDC_HIDDEN_DEVICE_LIST      = 1019, // the template's device list, never shown
    IDC_SAVE_INPUT              = 1020, // "Save input data"
    IDC_INFO_VALUE              = 1021, // the number under the input window
    IDC_OPEN_INPUT              = 1022, // "Open input data"
    IDC_COPY_INPUT              = 1023, // "Copy to clipboard" of the input data
    IDC_OPEN                    = 1024, // "Open"
    IDC_TRANSLATE_KEYWORDS      = 1025, // "Translate keywords into chinese and save" (no visible button)
    IDC_DEVICE_TEXT             = 1026, // the device description or serial number
    IDC_MODE_DESCRIPTION        = 1027, // open mode: by description (starts the radio group)
    IDC_MODE_SERIAL             = 1028, // open mode: by serial number
    IDC_MODE_NUMBER             = 1029, // open mode: by device number
    IDC_SEARCH                  = 1030, // "Search"
    IDC_INPUT                   = 1031, // the input window
    IDC_SAVE_SORTED             = 1032, // "Save sorted data"
    IDC_COPY_SORTED             = 1033, // "Copy to clipboard" of the sorted output (hidden)
    IDC_CLEAR_SORTED            = 1034, // "Clear sorted data"
    IDC_SORT                    = 1035, // "Sort"
    IDC_LANGUAGE_LABEL          = 1036, // "Select language:"
    IDC_LANGUAGE                = 1038, // the language list
    IDC_AUTO_SCROLL             = 1039, // "Auto Scroll"
    IDC_DEVICE_GROUP            = 1042, // the frame "Open devices"
    IDC_LOG_QRT03_LOGP          = 1043, // log type 0 "QRT 03 Logp" (starts the radio group)
    IDC_LOG_QRT_LOG             = 1044, // log type 1 "QRT Log"
    IDC_LOG_QRT31_LOGP          = 1045, // log type 2 "QRT 31 Logp"
    IDC_LOG_QRT03_PRESSURE      = 1046, // log type 3 (hidden)
    IDC_LOG_QRT_LOG_NO_INTERVAL = 1047, // log type 4 (hidden)
    IDC_LOG_QRT31_PRESSURE      = 1048, // log type 5 (hidden)
    IDC_LOG_START_DATE          = 1049, // date picker (hidden)
    IDC_LOG_START_TIME          = 1050, // time picker (hidden)
    IDC_LOGGING                 = 1051, // "Start Logging" / "Stop Logging"
    IDC_INTERVAL                = 1053, // the logging interval in seconds
    IDC_SORTED_OUTPUT           = 1054, // the sorted output window
    IDC_VAR_VAVG                = 1055, // Logp variable "Vavg"
    IDC_VAR_VMAX                = 1056, // Logp variable "Vmax"
    IDC_VAR_VMIN                = 1057, // Logp variable "Vmin"
    IDC_VAR_STDD                = 1058, // Logp variable "StdD"
    IDC_VAR_T                   = 1059, // Logp variable "T"
    IDC_VAR_DR                  = 1060, // Logp variable "DR%"
    IDC_LOG_LABEL               = 1061, // "Log:"
    IDC_SAVE_GRAPH              = 1062, // "Save graph" (hidden)
    IDC_VAR1                    = 1063, // plain-log variable "Var1" (starts the radio group)
    IDC_VAR2                    = 1064, // plain-log variable "Var2"
    IDC_TIME                    = 1065, // "Time" (hidden)
    IDC_HOUR                    = 1066, // "Hour" (hidden)
    IDC_COPY_GRAPH              = 1067, // "Copy to clipboard" of the graph (hidden): the first table entry's graph
    IDC_OPEN_LABEL              = 1068, // "Open:" (hidden)
    IDC_DATA_LABEL              = 1069, // "Data"
    IDC_CHARS_LABEL             = 1070, // "chars"
    IDC_LOG_START_LABEL         = 1071, // "Log start time:" (hidden)
    IDC_INTERVAL_LABEL          = 1072, // "Intervals/s"
    IDC_INPUT_GROUP             = 1073, // the frame of the input area
    IDC_SORT_GROUP              = 1074, // the frame of the sort area
    IDC_LOGGING_GROUP           = 1075, // the frame of display-value logging
    IDC_LANGUAGE_GROUP          = 1076, // the frame "Language selection"
    IDC_SORTED_GROUP            = 1077, // the frame of the sorted output
    IDC_GRAPH_GROUP             = 1078, // the frame of the log graph (hidden)
    IDC_GRAPH_PREVIOUS          = 1079, // "<-"
    IDC_GRAPH_NEXT              = 1080, // "->"
    IDC_TIME_GROUP              = 1081, // the frame of "Time" and "Hour" (hidden)
    IDC_VAR3                    = 1082, // plain-log variable "Var3"
    IDC_VAR4                    = 1083, // plain-log variable "Var4"
    IDC_VAR_BAROMETER           = 1084, // Logp variable "Barometer" (starts the radio group)
    IDC_GRAPH_FIRST             = 1089, // "<<"
    IDC_GRAPH_LAST              = 1090, // ">>"
    IDC_SEND_PROGRAM            = 1093, // "Send Program"
    IDC_HELP                    = 1094, // "Help"

    // Windows the dialog creates at run time.
    IDC_CHART                   = 500, // the chart window
    IDC_DEVICE_LIST             = 998, // the visible, owner-drawn device list
    IDC_GRAPH_OBJECT            = 8800, // the hidden graph object over the chart
};

// The About box (template 100).
enum AboutControlId : int {
    IDOK_ABOUT = 1,         // "OK"
    IDC_ABOUT_ICON = 2,     // the program icon
    IDC_ABOUT_VERSION = 3,  // the version line
    IDC_ABOUT_NOTICE = 4,   // the maker's notice
};

#endif
