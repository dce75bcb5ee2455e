// The main dialog of TavixTerminal: it owns the whole state of the program
// (driver binding and device handle, captured text, sort tables, graph
// state, language) and hosts every control. Its handlers are spread over
// one source file per subsystem; this header groups them the same way.
#ifndef TAVIX_APP_COSTRUM_DLG_H
#define TAVIX_APP_COSTRUM_DLG_H

#include "app/dialog_builder.h"
#include "link/d2xx_binding.h"

#include <QByteArray>
#include <QDialog>
#include <QFile>
#include <QIcon>
#include <QList>
#include <QString>
#include <QTimer>

class DataExchange;
class Prompts;
class QListWidget;
class QMenuBar;

// 1 while an instrument is open and answered; the poll runs only then.
extern int g_bDeviceReady;

class COstrumDlg : public QDialog
{
    Q_OBJECT
public:
    // Timers of the dialog: the 10 ms poll, and the poll at the logging interval.
    enum TimerId { TIMER_POLL = 15, TIMER_LOG = 16 };
    // Command of the one menu-bar item.
    enum { ID_ABOUT = 188 };
    static constexpr int kPollPeriodMs = 10;

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

    // ---- D2XX driver binding (link/dlg_driver.cpp) --------------------------
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

    // ---- Input data capture (link/dlg_poll.cpp) -----------------------------
    void PollDevice();
    // Sends one byte to the open device; nothing when no device is open.
    void SendKeyByte(quint8 byte);

    // ---- Device discovery and opening, device list (link/dlg_devices.cpp) ---

    // ---- Input window commands (link/dlg_input.cpp) -------------------------

    // ---- Display-value logging (link/dlg_logging.cpp) -----------------------

    // ---- Firmware upload (link/dlg_firmware.cpp) ----------------------------

    // ---- Sorting and sorted output (sorting/dlg_sort.cpp) -------------------

    // ---- Log-type selection and variable groups (sorting/dlg_log_type.cpp) --
    void ShowLogpVariableButtons();
    void ShowPlainVariableButtons();

    // ---- Log graph view (charts/dlg_graph_view.cpp) -------------------------

    // ---- Language, keyword translation, help (locale/dlg_language.cpp) ------

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

    static QString DevicePlaceholder();

protected:
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
