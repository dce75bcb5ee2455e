// The main dialog of TavixTerminal: it owns the whole state of the program
// (driver binding and device handle, captured text, sort tables, graph
// state, language) and hosts every control. Its handlers are spread over
// one source file per subsystem; this header groups them the same way.
#ifndef TAVIX_GUI_MAIN_WINDOW_COSTRUM_DLG_H
#define TAVIX_GUI_MAIN_WINDOW_COSTRUM_DLG_H

#include "core/charts/chart_model.h"
#include "core/charts/graph_data_cache.h"
#include "core/device/d2xx_binding.h"
#include "core/device/device_names.h"
#include "core/device/link_recovery.h"
#include "core/io/text_file.h"
#include "core/locale/keyword_tables.h"
#include "core/locale/text_table.h"
#include "core/sorting/log_parser.h"
#include "core/util/memory_reserve.h"
#include "gui/dialog/dialog_builder.h"
#include "gui/widgets/qt_translations.h"

#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QFile>
#include <QIcon>
#include <QList>
#include <QString>
#include <QTimer>

class DataExchange;
class Prompts;
class QListWidget;
class QMenu;
class QMenuBar;

// 1 while an instrument is open and answered; the poll runs only then.
extern int g_bDeviceReady;

class COstrumDlg : public QDialog
{
    Q_OBJECT
public:
    // Timers of the dialog: the 10 ms poll, which always runs, and the
    // display request at the logging interval, while logging runs.
    enum TimerId { TIMER_POLL = 15, TIMER_LOG = 16 };
    // Command of the one menu-bar item.
    enum { ID_ABOUT = 188 };
    static constexpr int kPollPeriodMs = 10;
    // While text streams in, the input window is painted at most once in
    // this time (about 30 times a second), not at every poll tick.
    static constexpr int kInputRepaintMs = 33;
    // The chart window and the hidden graph object over it, in client pixels.
    static constexpr ChartRect kChartWindowRect = kLogGraphWindowRect;

    // Creates the window, its controls and the chart, then initialises it
    // (OnInitDialog). driverPath names the D2XX library; empty means the
    // platform's own "ftd2xx".
    explicit COstrumDlg(Prompts &prompts, const QString &driverPath = QString(),
                        QWidget *parent = nullptr);
    ~COstrumDlg() override;

    // ---- Application shell ------------------------------------------------
    bool OnInitDialog();
    // Transfers the controls into the members (true) or the members into the
    // controls (false); false when a binding failed.
    bool UpdateData(bool bSaveAndValidate = true);
    void DoDataExchange(DataExchange &dx);
    void OnOK();
    void OnClose();
    void OnAbout();
    void OnTimer(int id);
    // The key forwarding; true when the key is consumed.
    bool PreTranslateMessage(QObject *receiver, QEvent *event);

    QWidget *GetDlgItem(int id) const { return m_controls.value(id); }
    void ShowControl(int id, bool show);
    void EnableControl(int id, bool enable);
    void SetDlgItemText(int id, const QString &text);
    QString GetDlgItemText(int id) const;
    // Redraws the dialog at once.
    void Repaint();
    void SetTimer(int id, int periodMs);
    void KillTimer(int id);
    bool IsTimerActive(int id) const;
    int TimerPeriod(int id) const;
    const ControlMap &Controls() const { return m_controls; }
    QMenuBar *MenuBar() const { return m_pMenuBar; }
    Prompts &GetPrompts() const { return m_prompts; }

    // ---- Ending, the window's place, the value being typed (costrum_dlg.cpp) -
    // True while the input text holds received or appended text that is in
    // no file: neither written by "Save input data" nor logged to the backup
    // file. Clear and a successful save end it.
    bool m_bInputUnsaved = false;
    // EXIT and the close box: with unsaved input text, asks Save, Discard
    // or Cancel. True when the dialog may end: nothing to lose, Discard, or
    // Save that saved (a cancelled or failed save keeps the dialog open).
    bool ConfirmEndWithUnsavedInput();
    // Keeps the window's frame in the profile; puts the window where the
    // profile says, kept on a screen that is attached now.
    void RememberWindowPlace();
    void RestoreWindowPlace();
    // Takes the text of the edit with identifier id into its member when it
    // holds a value (a number for the interval), silently; the user left
    // the edit after changing it.
    void TakeEditedControl(int id);
    QtTranslations m_qtTranslations;

    // ---- D2XX driver binding (dlg_driver.cpp) -------------------------------
    void LoadDriver();
    FT_STATUS FtOpen(int index);
    FT_STATUS FtOpenEx(const char *name, DWORD flags);
    FT_STATUS FtListDevices(void *arg1, void *arg2, DWORD flags);
    FT_STATUS FtClose();
    FT_STATUS FtRead(void *buffer, DWORD count, DWORD *received);
    FT_STATUS FtWrite(const void *buffer, DWORD count, DWORD *sent);
    FT_STATUS FtResetDevice();
    FT_STATUS FtPurge(ULONG mask);
    FT_STATUS FtSetTimeouts(ULONG readMs, ULONG writeMs);
    FT_STATUS FtGetStatus(DWORD *rx, DWORD *tx, DWORD *events);
    FT_STATUS FtSetChars(UCHAR eventChar, UCHAR eventOn, UCHAR errorChar, UCHAR errorOn);
    FT_STATUS FtSetEventNotification(DWORD mask, void *param);
    // True while a device handle is open.
    bool IsDeviceOpen() const { return m_hDevice != nullptr; }

    // ---- Input data capture (dlg_poll.cpp) ----------------------------------
    void PollDevice();
    // Sends one byte to the open device; nothing when no device is open.
    void SendKeyByte(quint8 byte);
    // Set while the input text has no room for another chunk (memory ran
    // out); the poll then reads nothing and has said so once.
    bool m_bInputMemoryReported = false;
    // The characters the live capture may still append to the input text
    // (up to kMaxCapturedCharacters).
    qsizetype InputRoom() const;
    // After a chunk: says once that the capture passed the warning mark,
    // and once that the input window is full (cut: a chunk did not fit;
    // keptInBackup: the backup file took all of it).
    void NoteInputLength(bool cut, bool keptInBackup);
    bool m_bInputLimitWarned = false;
    bool m_bInputFullReported = false;

    // ---- Device discovery and opening, device list (dlg_devices.cpp) --------
    void OnSearch();
    void OnOpen();
    // Opens the device named by the list selection or m_strDevice; the D2XX status.
    FT_STATUS OpenDevice();
    // Binds the driver, opens the remembered device and probes it.
    void ConnectAtStartup();
    void OnModeDescription();
    void OnModeSerial();
    void OnModeNumber();
    void OnDeviceTextChange();
    void OnDeviceListSelChange();
    // Creates the visible device list (id 998) on the client area.
    void CreateDeviceList();
    // Connects the commands of the device area and of the input area.
    void WireLinkCommands();
    // The visible device list (a child of the client area, which deletes it).
    class CMyListBox *m_pDeviceList = nullptr;
    // The device text as listed or entered, before the prefix was dropped,
    // of the last open attempt.
    QString m_strOpenedDevice;

    // Why the last open failed, as the driver tells it (TavixSerial_LastError
    // and its code); empty when it gives no reason or made no call.
    OpenFailure m_openFailure;
    // What Open does to a device it has opened: reset, purge the receive
    // queue, reset, and the settle time.
    void PrepareOpenedDevice();
    // The reset, purge and reset of PrepareOpenedDevice, without the settle time.
    void ResetOpenedDevice();
    // The probe's first half: reset, 300 ms time-outs, purge, 0x80 out.
    void SendProbe();
    // The readiness probe's byte, answered by the same byte.
    static constexpr quint8 kProbeByte = 0x80;
    // The readiness probe on the open device: reset, 300 ms time-outs, purge,
    // 0x80 out and one byte in (read twice when the first read brings
    // nothing). True when the instrument answered 0x80; otherwise *got is
    // the number of bytes read (0 or 1) and *reply the byte.
    bool ProbeInstrument(quint8 *reply, DWORD *got);

    // ---- Finding the instrument again (dlg_reconnect.cpp) -------------------
    // The poll found the open device gone: closes it ("Device is not open."),
    // closes a backup file that waits for its last chunk, keeps a running
    // log's file open and starts looking for the device, unless an upload
    // ran on it.
    void OnDeviceLost();
    // Starts looking for the device last opened (m_nOpenMode, m_strDevice),
    // when the driver is complete and the device has a name to look for.
    void BeginReconnecting(LinkRecovery::Cause cause);
    // Ends the search (the user's Search, Open or EXIT, an upload); logging
    // that ran meanwhile goes back to its own timer.
    void StopReconnecting();
    // The poll's tick while no device is ready: a look when one is due, or
    // the next stage of the probe of a device a look opened.
    void ReconnectTick();
    // One look: the driver's list, and when the device is listed, an open
    // with the settings of the user's Open and its reset. True when the
    // device was opened; its settle time and the readiness probe follow on
    // later ticks, none of which waits for the device.
    bool TryReconnect();
    // The probe's reply, read once it has arrived: 0x80 makes the device
    // ready (DeviceBack); another byte, a lost device or no reply within the
    // probe's two read time-outs close it until the next look.
    void TakeProbeReply();
    // The device a look opened answered: ready, logging goes on, one notice.
    void DeviceBack();
    // Shows the search's state in the status line (and its tool tip), in the
    // current language; clears the tool tip once the search has ended.
    void ShowReconnectStatus();
    // Logging that runs sends its display request at its interval again
    // (timer 16, beside the 10 ms poll).
    void ResumeLoggingTimer();
    LinkRecovery m_recovery;
    // The monotonic clock of the search and of the backup file's close.
    QElapsedTimer m_linkClock;
    // Set when a program was sent to the open device: the instrument then
    // restarts from its loader, and its loss starts no search.
    bool m_bUploadedSinceOpen = false;

    // ---- Input window commands (dlg_input.cpp) ------------------------------
    void OnClearInput();
    void OnSaveInput();
    void OnOpenInput();
    void OnCopyInput();
    void OnAutoScroll();
    void ScrollInputToEnd();
    // Every change of m_strInput and m_strSortedOutput is told to the window
    // that shows it (id 1031 or 1054): characters appended at its end, or
    // replaced in any other way.
    void TextAppended(int id, qsizetype characters);
    void TextReplaced(int id);
    // True when the memory the prompts' file dialog needs can be had now;
    // otherwise says so and the command ends: a file dialog that runs out
    // of memory ends the program, and the unsaved text with it.
    bool RoomForFileDialog();
    // Saves text to path as the save commands do; a failure, memory that
    // runs out included, is told with the file's name. True when saved.
    bool SaveText(const QString &path, QStringView text);
    // A message about memory that ran short, shown with the reserve given
    // back, so that the message box itself has room.
    void TellOutOfMemory(const QString &text);
    // Address space kept for such messages (never written).
    MemoryReserve m_memoryReserve{std::size_t(16) << 20};

    // ---- Display-value logging (dlg_logging.cpp) ----------------------------
    // Button 1051: starts logging when it is stopped (interval check, backup
    // file, timer 16 at the interval beside the 10 ms poll), stops it when it
    // runs (timer 16 stopped; the file is closed after the next chunk the
    // poll receives).
    void OnStartLogging();
    // Caption of 1051 for the logging state in the current language.
    void ShowLoggingCaption();
    // Ends logging after the backup file failed: stops as the Stop command
    // does and closes the file at once.
    void StopLoggingAfterFailure();
    // Closes the backup file that waited for its last chunk.
    void CloseBackupFile();
    // The tick of timer 16: sends the display request (m_chLogRequest) to a
    // ready device while logging runs and no program is being sent. The
    // reply is read by the 10 ms poll, which runs throughout.
    void SendLogRequest();
    // After Stop Logging the file waits this long at most for the last
    // reply; then the poll closes it even when nothing came.
    static constexpr qint64 kLateReplyMs = 1000;
    qint64 m_nCloseLogDueMs = 0;
    void WireLoggingCommands();

    // ---- Firmware upload (dlg_firmware.cpp) ---------------------------------
    // Button 1093: asks for a program file and sends it on a worker thread;
    // does nothing while an upload runs.
    void OnSendProgram();
    // Asks a running upload to stop, waits for its worker (a bounded time) and
    // ends the upload as failed. Called before the device handle is closed or
    // the driver library released. False when the worker did not end in time.
    bool StopFirmwareUpload();
    bool IsFirmwareUploadRunning() const;
    // The worker's end, handed to this thread; a stale job number is ignored.
    void OnFirmwareFinished(quint64 jobNumber, bool sent);
    // Note removed (sent) or "Send File Fail!"; font, colour and 1093 restored.
    void EndFirmwareUpload(bool sent);
    // Font 20 and red text on 1031 while sending; the previous look otherwise.
    void ShowSendingLook(bool sending);
    void WireFirmwareCommands();
    // Emitted on this thread when an upload has ended, sent or not.
    Q_SIGNAL void FirmwareUploadEnded(bool sent);

    class QThread *m_pFirmwareThread = nullptr;
    class FirmwareWorker *m_pFirmwareWorker = nullptr;
    quint64 m_nFirmwareJob = 0;
    // How long the device may accept nothing while reporting success.
    int m_nFirmwareStallLimitMs = 30000;
    // The progress note as put after the input text, and where it starts.
    QString m_strSendingNote;
    qsizetype m_nSendingNoteAt = 0;
    QFont m_inputFontBeforeSending;
    QPalette m_inputPaletteBeforeSending;

    // ---- Sorting and sorted output (dlg_sort.cpp) ---------------------------
    // Button 1035: parses the input text into the sorted-file table, builds
    // the graph's file lists, writes the files of the log type as the sorted
    // output and shows the graph of the first of them. SortFailedText when
    // the text holds no file marker (nothing changes), when the log type
    // finds no file or "DR%" is chosen with "QRT 31 Logp" (the table and the
    // lists are rebuilt, the position is 0, nothing else changes).
    void OnSort();
    // The body of OnSort, which catches an allocation failure around it.
    void SortCommand();
    // Button 1032: writes the sorted output to the file the user chooses,
    // FF FE and the text as UTF-16 little-endian; a failure is reported
    // with the file's name and the cause.
    void OnSaveSortedData();
    // Button 1034: empties the sorted output and the chart; the table and
    // the file lists stay.
    void OnClearSortedData();
    // The commands 1033, 1065 and 1066, which do nothing.
    void OnUnusedCommand();
    // Connects the commands of the sorting area, the log-type buttons and
    // the graph's buttons.
    void WireSortCommands();

    // ---- Export of the sorted files (sorting/dlg_export.cpp) -----------------
    // The sorted output's context menu items "Export CSV..." and "Report
    // (PDF)...", enabled while a sort is shown.
    void AddExportMenuItems(QMenu *menu);
    // Write the files of the sort shown as a CSV file (semicolons and decimal
    // commas where the system's locale writes decimal commas) or as a PDF
    // report in the window's language, to the file the user chooses, through
    // the same safe writer and messages as "Save sorted data".
    void OnExportCsv();
    void OnExportReport();
    // The picked files of the last successful sort, in order, and its log
    // type: what the sorted output shows. Emptied with the sorted output.
    QList<LogFileRecord> m_exportFiles;
    int m_nExportLogType = 0;
    // The input data file opened into an empty input window, which the
    // report names as its capture; empty when the input came otherwise.
    QString m_strInputFileName;

    // The sorted-file table of the last successful parse, and the state the
    // parse ended with.
    QList<LogFileRecord> m_sortedFiles;
    int m_nFileNumber = 0;
    bool m_bFirstLogEntry = false;


    // ---- Log-type selection and variable groups (dlg_log_type.cpp) ----------
    void ShowLogpVariableButtons();
    void ShowPlainVariableButtons();
    // The log-type buttons 1043 to 1048 (types 0 to 5).
    void OnLogTypeQrt03Logp();
    void OnLogTypeQrtLog();
    void OnLogTypeQrt31Logp();
    void OnLogTypeQrt03Pressure();
    void OnLogTypeQrtLogNoInterval();
    void OnLogTypeQrt31Pressure();
    void WireLogTypeCommands();

    // ---- Log graph view (dlg_graph_view.cpp) --------------------------------
    // Draws field m_nGraphField of every row of the table entry index in the
    // chart, titled "File <n>" and captioned with the field's header. An
    // index that addresses no entry draws nothing; an entry without rows, or
    // whose row 0 lacks the field, shows InvalidVariableText. The chart is
    // cleared first in every case.
    void ShowLogGraph(int index);
    // Moves m_nGraphPos in list 0 (m_plainLogFiles) or 1 (m_logpFiles) by a
    // GraphStep and returns the table index there, or -1 (nothing moved) for
    // an empty or unknown list.
    int StepGraphFile(int list, int step);
    // Clears the chart and every series and segment of the graph object.
    void ResetGraphs();
    // The browse buttons 1079 "<-", 1080 "->", 1089 "<<", 1090 ">>".
    void OnGraphPrevious();
    void OnGraphNext();
    void OnGraphFirst();
    void OnGraphLast();
    // A variable button: plots field of the file at the current position.
    void OnGraphVariable(int field);
    // The hidden button 1067: the graph of the first table entry.
    void OnShowFirstTableEntry();
    void WireGraphCommands();

    // The chart window (id 500) and the hidden graph object (id 8800),
    // children of the dialog's client area, which deletes them.
    class CMyChart *m_pChart = nullptr;
    class CGraphObject *m_pGraphObject = nullptr;

    // ---- Graph window and pictures (charts/dlg_graph_window.cpp) ------------
    // Opens (or raises) the graph window on the file and variable the chart
    // shows: a double-click on the chart, Enter while it has the focus, or
    // its context menu.
    void OpenGraphWindow();
    // The open graph window follows the chart: the file of table index
    // m_nGraphIndex and field m_nGraphField, or nothing.
    void UpdateGraphWindow(bool sameFile);
    // The chart's context menu at a point of the chart.
    void ShowChartMenu(const QPoint &pos);
    // "Save picture..." and "Copy picture" of the chart as it is shown.
    void SaveChartPicture();
    void CopyChartPicture();
    // The chart's picture file bytes for path's ending, at the chart's size.
    QByteArray ChartPicture(const QString &path) const;
    void WireGraphWindow();
    class GraphWindow *m_pGraphWindow = nullptr;
    // What the graphs computed per file and variable, kept for browsing
    // back and switching variables; cleared when the table is rebuilt.
    GraphDataCache m_graphCache;
    // The table index the chart shows (-1: none), and the log type's
    // caption at the last sort, for the graph window's title.
    int m_nGraphIndex = -1;
    QString m_strGraphLogType;


    // ---- Language, keyword translation, help (dlg_language.cpp) -------------
    // Loads Config.dat from the working directory or builds the built-in
    // texts, builds the keyword tables and applies the first language.
    void InitLanguage();
    // Sets every caption of the text table (hidden controls too), the
    // logging button's caption for the logging state, and the message texts.
    void ApplyLanguage(int slot);
    void OnLanguageChange();
    void BuildKeywordTables();
    void OnTranslateKeywords();
    void OnHelp();
    // The text of a number for a language slot, with the table's fallbacks.
    QString LookupText(int number, int slot) const { return m_texts.LookupText(number, slot); }
    const MessageTexts &CurrentMessageTexts() const { return m_texts.CurrentMessageTexts(); }
    const LocaleTexts &Texts() const { return m_texts; }
    // Fills combo box 1038 with the language names, in order.
    void FillLanguageList();
    // A message the window adds to the fixed texts, in the current language.
    QString Pick(const QString &english, const QString &chinese) const { return m_texts.Pick(english, chinese); }
    // A file that could not be written (writing) or read, in the current
    // language: in English the detail as it is (it names the file and the
    // system's reason); in Chinese a sentence naming the file, then the
    // detail as the system gave it.
    QString FileFailureText(const QString &path, const QString &detail, bool writing) const;
    // A save that failed, in the current language: in English the writer's
    // sentence; in Chinese a sentence naming the file, the reason (the
    // system's words from the table of system reasons) and what became of
    // the file.
    QString SaveFailureText(const QString &path, const SaveFailure &failure) const;

    LocaleTexts m_texts;
    ReplacementTable TranslationTable;
    ReplacementTable AbbreviationTable;

    // ---- State: members bound to controls, in exchange order ----------------
    QListWidget *m_listDevices = nullptr;                 // 1019
    QString m_strStatus;                                  // 1015
    int m_nInfoValue = 0;                                 // 1021
    QString m_strDevice = DevicePlaceholder();            // 1026
    int m_nOpenMode = 1;                                  // radio group 1027
    QString m_strInput;                                   // 1031
    int m_nAutoScroll = 0;                                // radio 1039
    int m_nLogType = 0;                                   // radio group 1043
    int m_nLogpVariable = 0;                              // radio group 1084
    QString m_strSortedOutput;                            // 1054
    int m_nPlainVariable = 0;                             // radio group 1063
    float m_fInterval = 1.0f;                             // 1053

    // ---- State: the rest ---------------------------------------------------
    // The name passed to the driver's open-by-name call: the low byte of each
    // character of the device text, then a zero. It grows with the name.
    QByteArray m_szDeviceName;
    QIcon m_hIcon;
    D2xxBinding m_driver;
    FT_HANDLE m_hDevice = nullptr;
    quint8 m_chLogRequest = 0x20;
    bool m_bLogging = false;
    bool m_bCloseLogPending = false;
    QFile m_logFile;
    int CurrentLanguage = 2;
    bool m_bSending = false;
    QList<qint32> m_plainLogFiles;
    QList<qint32> m_logpFiles;
    int m_nGraphList = 0;
    int m_nGraphPos = 0;
    int m_nGraphField = 0;

    // Tab and Shift+Tab: the next (previous) control of the tab order that
    // is a tab stop; the device list and hidden or disabled controls are
    // none, and a radio group is one (see CAutoRadioButton::IsGroupTabStop).
    bool IsTabStop(const QWidget *widget) const;
    // The next tab stop after from (before it when next is false), wrapping
    // around; from itself when it is the only one; null when there is none.
    QWidget *NextTabStop(QWidget *from, bool next) const;

protected:
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void reject() override;

private:
    void OnCreate();
    void CreateMenuBar();
    void WireCommands();
    // Connects a control's command (click, selection change) to a handler.
    void OnCommand(int id, void (COstrumDlg::*handler)());

    Prompts &m_prompts;
    QString m_driverPath;
    QWidget *m_pClient = nullptr;
    QMenuBar *m_pMenuBar = nullptr;
    ControlMap m_controls;
    QTimer m_pollTimer;
    QTimer m_logTimer;
    // Set while a transfer out runs: change notifications are not delivered then.
    bool m_bTransferringOut = false;
};

#endif
