#include "gui/main_window/costrum_dlg.h"

#include "core/device/profile.h"
#include "core/locale/help_texts.h"
#include "core/locale/system_reasons.h"
#include "core/util/window_placement.h"
#include "gui/dialog/data_exchange.h"
#include "gui/widgets/about_dlg.h"
#include "gui/widgets/auto_radio_button.h"
#include "gui/widgets/graph_object/graph_object.h"
#include "gui/widgets/my_chart.h"
#include "gui/widgets/program_icon.h"
#include "gui/widgets/prompts.h"
#include "gui/widgets/text_view.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QComboBox>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QScreen>
#include <QVBoxLayout>

#include <optional>

int g_bDeviceReady = 0;

COstrumDlg::COstrumDlg(Prompts &prompts, const QString &driverPath, QWidget *parent)
    : QDialog(parent), m_prompts(prompts), m_driverPath(driverPath)
{
    const DialogTemplate &dialog = MainDialogTemplate();
    m_hIcon = ProgramIcon();
    setWindowTitle(QString::fromUtf16(dialog.title));
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinMaxButtonsHint | Qt::WindowCloseButtonHint);
    setSizeGripEnabled(false);
    setFont(DialogFont());

    // The client area holds the controls at their template positions; the
    // menu bar sits above it. Resizing moves no control.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_pMenuBar = new QMenuBar(this);
    layout->setMenuBar(m_pMenuBar);
    m_pClient = new QWidget(this);
    m_pClient->setObjectName(QStringLiteral("client"));
    m_pClient->setMinimumSize(DialogUnits::ToPixelsX(dialog.width), DialogUnits::ToPixelsY(dialog.height));
    layout->addWidget(m_pClient, 0, Qt::AlignLeft | Qt::AlignTop);
    m_controls = BuildControls(dialog, m_pClient);
    // The text windows copy through the prompts, as the copy command does,
    // and say so when there was no memory to show a text whole.
    for (int id : {IDC_INPUT, IDC_SORTED_OUTPUT}) {
        if (auto *view = qobject_cast<TextView *>(GetDlgItem(id))) {
            view->SetCopyHandler([this](const QString &text) { m_prompts.SetClipboardText(text); });
            connect(view, &TextView::OutOfMemory, this, [this] {
                m_prompts.Message(Texts().Pick(
                    QStringLiteral("There is not enough memory to show the whole text in the window. The text "
                                   "is kept; please save it and clear it."),
                    QStringLiteral("内存不足，窗口无法显示全部文本。文本已保留，请先保存再清除。")));
            });
        }
    }

    m_linkClock.start();
    m_pollTimer.setTimerType(Qt::PreciseTimer);
    m_logTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_pollTimer, &QTimer::timeout, this, [this] { OnTimer(TIMER_POLL); });
    connect(&m_logTimer, &QTimer::timeout, this, [this] { OnTimer(TIMER_LOG); });

    OnCreate();
    WireCommands();
    qApp->installEventFilter(this);
    OnInitDialog();
    RestoreWindowPlace();
}

COstrumDlg::~COstrumDlg()
{
    // The worker writes through the binding and handle owned here.
    const bool workerEnded = StopFirmwareUpload();
    qApp->removeEventFilter(this);
    m_pollTimer.stop();
    m_logTimer.stop();
    // A device still open (the dialog ended by the close box, or by its
    // owner) is closed, so that its port is free for other programs at once.
    if (workerEnded && m_hDevice && m_driver.IsBound(D2xxBinding::EntryClose)) {
        m_driver.Close(m_hDevice);
        m_hDevice = nullptr;
    }
    if (m_logFile.isOpen())
        m_logFile.close();
}

void COstrumDlg::OnCreate()
{
    // The chart window (id 500) is created here, with the dialog window,
    // before the controls are initialised.
    m_pChart = new CMyChart;
    if (!m_pChart->Create(kChartWindowRect, m_pClient, IDC_CHART)) {
        delete m_pChart;
        m_pChart = nullptr;
    }
}

void COstrumDlg::OnCommand(int id, void (COstrumDlg::*handler)())
{
    QWidget *control = GetDlgItem(id);
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        connect(button, &QAbstractButton::clicked, this, handler);
    } else if (auto *combo = qobject_cast<QComboBox *>(control)) {
        // Only a selection the user makes is a command; filling the list is not.
        connect(combo, &QComboBox::activated, this, handler);
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        connect(edit, &QLineEdit::textChanged, this, [this, handler] {
            if (!m_bTransferringOut)
                (this->*handler)();
        });
    }
}

void COstrumDlg::WireCommands()
{
    OnCommand(IDOK_EXIT, &COstrumDlg::OnOK);
    WireLinkCommands();
    WireLoggingCommands(); WireFirmwareCommands();
    WireSortCommands();
    OnCommand(IDC_LANGUAGE, &COstrumDlg::OnLanguageChange);
    OnCommand(IDC_HELP, &COstrumDlg::OnHelp);
    OnCommand(IDC_TRANSLATE_KEYWORDS, &COstrumDlg::OnTranslateKeywords);
}

bool COstrumDlg::OnInitDialog()
{
    // 1. The base initialisation transfers the members into the controls.
    UpdateData(false);

    // 2. The fixed-pitch font of the input and sorted output windows.
    const QFont courier = CourierFont(16);
    GetDlgItem(IDC_INPUT)->setFont(courier);
    GetDlgItem(IDC_SORTED_OUTPUT)->setFont(courier);
    if (auto *input = qobject_cast<TextView *>(GetDlgItem(IDC_INPUT)))
        input->SetRepaintInterval(kInputRepaintMs);

    // 3. Parse state and the display request byte.
    m_bFirstLogEntry = true;
    m_chLogRequest = 0x20;

    // 4. The interface language: text table, keyword tables, first language.
    InitLanguage();

    // 5.
    m_nAutoScroll = 0;

    // 6. The language names, entry 0 selected.
    FillLanguageList();
    if (auto *languages = qobject_cast<QComboBox *>(GetDlgItem(IDC_LANGUAGE)))
        languages->setCurrentIndex(languages->count() > 0 ? 0 : -1);

    // 7. The translate command has no visible button; the first log type's variables show.
    ShowControl(IDC_TRANSLATE_KEYWORDS, false);
    ShowLogpVariableButtons();

    // 8. Controls that are never used.
    for (int id : {IDC_GRAPH_GROUP, IDC_COPY_GRAPH, IDC_SAVE_GRAPH, IDC_LOG_START_LABEL, IDC_LOG_START_DATE,
                   IDC_LOG_START_TIME, IDC_MODE_SERIAL, IDC_MODE_NUMBER, IDC_TIME_GROUP, IDC_TIME, IDC_HOUR,
                   IDC_LOG_QRT03_PRESSURE, IDC_LOG_QRT_LOG_NO_INTERVAL, IDC_LOG_QRT31_PRESSURE, IDC_MODE_DESCRIPTION,
                   IDC_HOUR, IDC_DEVICE_TEXT, IDC_OPEN_LABEL})
        ShowControl(id, false);

    // 9. The hidden graph object (id 8800) over the chart's rectangle; its
    //    messages go through the dialog's prompts.
    m_pGraphObject = new CGraphObject;
    m_pGraphObject->SetMessageSink([this](const QString &text) { m_prompts.Message(text); });
    if (m_pGraphObject->Create(kChartWindowRect, m_pClient, IDC_GRAPH_OBJECT)) {
        m_pGraphObject->CreateGraph(GraphKindLine);
        m_pGraphObject->hide();
    } else {
        delete m_pGraphObject;
        m_pGraphObject = nullptr;
    }

    // 10-11. The About entry: a one-item menu bar. (Window managers offer no
    //        way to extend a window's system menu, so the menu bar carries it.)
    CreateMenuBar();

    // 12. The program icon.
    setWindowIcon(m_hIcon);

    // 13-14. No device yet; the poll runs every 10 ms.
    g_bDeviceReady = 0;
    SetTimer(TIMER_POLL, kPollPeriodMs);

    // 15. The device text remembered for the open mode.
    if (!Profile::DeviceKey(m_nOpenMode).isEmpty())
        m_strDevice = Profile::ReadDeviceText(m_nOpenMode);

    // 16.
    UpdateData(false);

    // 17. "Send Program" waits for an open device; the sorted output has no copy command.
    EnableControl(IDC_SEND_PROGRAM, false);
    ShowControl(IDC_COPY_SORTED, false);

    // 18. The visible device list (id 998).
    CreateDeviceList();

    // 19. The start-up connection: bind the driver library, open the
    //     remembered device and probe it.
    ConnectAtStartup();

    // 20. The focus starts on the first control of the tab order that can
    //     take it, as in any dialog; never on EXIT, the default button.
    if (QWidget *first = NextTabStop(this, true))
        first->setFocus(Qt::OtherFocusReason);
    return true;
}

bool COstrumDlg::IsTabStop(const QWidget *widget) const
{
    if (!widget || widget == this || widget->window() != this || widget->focusProxy())
        return false;
    if ((widget->focusPolicy() & Qt::TabFocus) != Qt::TabFocus || !widget->isEnabled()
        || !widget->isVisibleTo(this))
        return false;
    // A radio group is one tab stop.
    if (auto *radio = qobject_cast<const CAutoRadioButton *>(widget))
        return radio->IsGroupTabStop();
    return true;
}

QWidget *COstrumDlg::NextTabStop(QWidget *from, bool next) const
{
    QWidget *widget = from;
    for (;;) {
        widget = next ? widget->nextInFocusChain() : widget->previousInFocusChain();
        if (!widget || widget == from)
            return IsTabStop(from) ? from : nullptr;
        if (IsTabStop(widget))
            return widget;
    }
}

bool COstrumDlg::focusNextPrevChild(bool next)
{
    QWidget *from = focusWidget() ? focusWidget() : this;
    QWidget *target = NextTabStop(from, next);
    if (!target)
        return false;
    if (target != from)
        target->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void COstrumDlg::CreateMenuBar()
{
    const QString text = AboutMenuText();
    if (text.isEmpty())
        return;
    QAction *about = m_pMenuBar->addAction(text);
    about->setData(static_cast<int>(ID_ABOUT));
    connect(about, &QAction::triggered, this, &COstrumDlg::OnAbout);
}

bool COstrumDlg::UpdateData(bool bSaveAndValidate)
{
    DataExchange dx(MainDialogTemplate(), m_controls, m_prompts, bSaveAndValidate);
    dx.SetChinese(Texts().IsChinese());
    const bool previous = m_bTransferringOut;
    if (!bSaveAndValidate)
        m_bTransferringOut = true;
    DoDataExchange(dx);
    m_bTransferringOut = previous;
    return !dx.Failed();
}

void COstrumDlg::DoDataExchange(DataExchange &dx)
{
    dx.Control(IDC_HIDDEN_DEVICE_LIST, m_listDevices);
    dx.Text(IDC_STATUS, m_strStatus);
    dx.Int(IDC_INFO_VALUE, m_nInfoValue);
    dx.Text(IDC_DEVICE_TEXT, m_strDevice);
    dx.Radio(IDC_MODE_DESCRIPTION, m_nOpenMode);
    dx.TextView(IDC_INPUT, m_strInput);
    dx.Radio(IDC_AUTO_SCROLL, m_nAutoScroll);
    dx.Radio(IDC_LOG_QRT03_LOGP, m_nLogType);
    dx.Radio(IDC_VAR_BAROMETER, m_nLogpVariable);
    dx.TextView(IDC_SORTED_OUTPUT, m_strSortedOutput);
    dx.Radio(IDC_VAR1, m_nPlainVariable);
    dx.Float(IDC_INTERVAL, m_fInterval);
}

void COstrumDlg::TakeEditedControl(int id)
{
    DataExchange dx(MainDialogTemplate(), m_controls, m_prompts, true);
    dx.LimitTo(id);
    DoDataExchange(dx);
}

bool COstrumDlg::ConfirmEndWithUnsavedInput()
{
    if (!m_bInputUnsaved)
        return true;
    switch (m_prompts.AskSaveDiscardCancel(
        Pick(QStringLiteral("The input data has not been saved. Save it before the program ends?"),
             QStringLiteral("输入数据尚未保存。是否在退出前保存？")))) {
    case Prompts::SaveAnswer::Save:
        OnSaveInput();
        return !m_bInputUnsaved;
    case Prompts::SaveAnswer::Discard:
        return true;
    case Prompts::SaveAnswer::Cancel:
        break;
    }
    return false;
}

QString COstrumDlg::FileFailureText(const QString &path, const QString &detail, bool writing) const
{
    if (!Texts().IsChinese())
        return detail;
    const QString file = QDir::toNativeSeparators(path);
    return (writing ? QStringLiteral("无法写入文件“%1”。") : QStringLiteral("无法读取文件“%1”。")).arg(file)
           + QStringLiteral("\n系统说明：") + detail;
}

QString COstrumDlg::SaveFailureText(const QString &path, const SaveFailure &failure) const
{
    if (!Texts().IsChinese())
        return failure.text;
    return QStringLiteral("无法写入文件“%1”。\n系统说明：%2；%3")
        .arg(QDir::toNativeSeparators(path), SystemReasonText(failure.reason, Texts()),
             failure.fileKept ? QStringLiteral("文件保持原样。") : QStringLiteral("未写入任何内容。"));
}

void COstrumDlg::RememberWindowPlace()
{
    Profile::WriteWindowRect(frameGeometry());
}

void COstrumDlg::RestoreWindowPlace()
{
    QList<QRect> screens;
    for (const QScreen *screen : QGuiApplication::screens())
        screens.append(screen->availableGeometry());
    if (const std::optional<QPoint> place = PlaceRememberedWindow(Profile::ReadWindowRect(), screens))
        move(*place);
}

void COstrumDlg::OnOK()
{
    // The controls are taken in first: when that fails (the interval holds
    // no number) the dialog stays open with the device and library as they
    // were; so it does when unsaved input data is not let go.
    if (!UpdateData(true) || !ConfirmEndWithUnsavedInput())
        return;
    StopReconnecting();
    // A running upload stops before the handle and the library go; a worker
    // that did not end in time may still return into the library.
    const bool workerEnded = StopFirmwareUpload();
    FtClose();
    if (workerEnded)
        m_driver.Unload();
    RememberWindowPlace();
    done(1);
}

void COstrumDlg::OnClose()
{
    if (UpdateData(true) && ConfirmEndWithUnsavedInput()) {
        RememberWindowPlace();
        done(1);
    }
}

void COstrumDlg::closeEvent(QCloseEvent *event)
{
    event->ignore();
    OnClose();
}

void COstrumDlg::reject()
{
    // Escape never closes the dialog.
}

void COstrumDlg::OnAbout()
{
    CAboutDlg about(m_hIcon, this);
    about.exec();
}

void COstrumDlg::OnTimer(int id)
{
    // The logging interval only sends the display request; every reply is
    // read by the 10 ms poll as soon as it arrives.
    if (id == TIMER_LOG)
        SendLogRequest();
    else
        PollDevice();
}

bool COstrumDlg::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && PreTranslateMessage(watched, event))
        return true;
    // An edit the user changed and now leaves: its value is taken in, so
    // that the next transfer out shows it instead of the old member.
    if (event->type() == QEvent::FocusOut) {
        if (auto *edit = qobject_cast<QLineEdit *>(watched); edit && edit->isModified()) {
            const int id = ControlIdOf(edit);
            if (GetDlgItem(id) == edit)
                TakeEditedControl(id);
        }
    }
    return QDialog::eventFilter(watched, event);
}

bool COstrumDlg::PreTranslateMessage(QObject *receiver, QEvent *event)
{
    auto *widget = qobject_cast<QWidget *>(receiver);
    if (!widget || widget->window() != this)
        return false;
    // A key travels from the focus widget up through its parents; it is
    // forwarded once, where it starts. Enter is consumed wherever it is met,
    // so that it never presses a button.
    QWidget *first = QApplication::focusWidget();
    const bool start = first ? widget == first : widget == this;

    auto *key = static_cast<QKeyEvent *>(event);
    // A key held with Ctrl or Alt is a shortcut (Ctrl+V, Alt+Space ...): it
    // is never forwarded to the instrument.
    const bool shortcut = key->modifiers() & (Qt::ControlModifier | Qt::AltModifier);
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        // Enter on the focused chart opens the graph window instead.
        if (start && !shortcut && m_pChart && widget == m_pChart) {
            OpenGraphWindow();
            return true;
        }
        if (start && !shortcut) {
            UpdateData(false);
            SendKeyByte(0x0D);
        }
        return true;
    }
    if (!start)
        return false;
    switch (key->key()) {
    case Qt::Key_Space:
        if (!shortcut) {
            UpdateData(false);
            SendKeyByte(0x20);
        }
        // Space then does what it does to the focused control, except to
        // EXIT: a press that ends the program and discards the captured
        // text is never made by the key the dialog asks to press for a
        // display reading. A mouse click on EXIT still ends it.
        return ControlIdOf(widget) == IDOK_EXIT;
    case Qt::Key_V:
    case Qt::Key_F7:
        if (!shortcut) {
            UpdateData(false);
            SendKeyByte(0x76);
        }
        return false;
    default:
        return false; // other keys send nothing
    }
}

void COstrumDlg::ShowControl(int id, bool show)
{
    if (QWidget *control = GetDlgItem(id))
        control->setVisible(show);
}

void COstrumDlg::EnableControl(int id, bool enable)
{
    if (QWidget *control = GetDlgItem(id))
        control->setEnabled(enable);
}

void COstrumDlg::SetDlgItemText(int id, const QString &text)
{
    SetControlCaption(GetDlgItem(id), text);
}

QString COstrumDlg::GetDlgItemText(int id) const
{
    return GetControlCaption(GetDlgItem(id));
}

void COstrumDlg::Repaint()
{
    // Paints now what is waiting to be painted, as the platform's window
    // update does: the controls a transfer out changed, not the whole dialog.
    QCoreApplication::sendPostedEvents(window(), QEvent::UpdateRequest);
}

void COstrumDlg::SetTimer(int id, int periodMs)
{
    QTimer &timer = id == TIMER_LOG ? m_logTimer : m_pollTimer;
    timer.start(periodMs);
}

void COstrumDlg::KillTimer(int id)
{
    (id == TIMER_LOG ? m_logTimer : m_pollTimer).stop();
}

bool COstrumDlg::IsTimerActive(int id) const
{
    return (id == TIMER_LOG ? m_logTimer : m_pollTimer).isActive();
}

int COstrumDlg::TimerPeriod(int id) const
{
    return (id == TIMER_LOG ? m_logTimer : m_pollTimer).interval();
}
