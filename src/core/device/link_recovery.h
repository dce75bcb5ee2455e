// Finding the instrument again: while the device that was open is lost (or
// the one remembered at start-up is not attached), the window looks for it
// about once a second in the driver's own device list, and opens it only
// once it is listed. This class holds what that search knows: what to look
// for, since when it is missing, when the next look is due, why the last
// open of a listed device failed, and the texts the window shows meanwhile
// and once the instrument is back. The window makes the driver calls.
#ifndef TAVIX_CORE_DEVICE_LINK_RECOVERY_H
#define TAVIX_CORE_DEVICE_LINK_RECOVERY_H

#include "core/device/d2xx_types.h"
#include "core/device/device_listing.h"
#include "core/device/open_failure.h"

#include <QDateTime>
#include <QString>

class LocaleTexts;

class LinkRecovery
{
public:
    // Why the search runs: the open device was lost, or the device
    // remembered at start-up could not be opened.
    enum class Cause { Lost, NotFoundAtStart };

    // The device to open again, as it was opened: by description (mode 0),
    // by serial number (1, the name without the list's prefix) or as the
    // first attached device (2, the name unused).
    struct Target
    {
        int openMode = 1;
        QString name;
    };

    // The time between two looks.
    static constexpr qint64 kLookPeriodMs = 1000;
    // After the reset of a device just opened, the time it needs before it
    // takes commands (Open waits as long).
    static constexpr qint64 kSettleMs = 150;
    // How long the readiness probe waits for its reply: the two 300 ms read
    // time-outs of the probe.
    static constexpr qint64 kProbeReplyMs = 2 * 300;

    // Where a look that found the device listed and opened it stands. The
    // window takes each stage on a later poll tick, so that its thread never
    // waits for the device: Settling until the settle time is over, then
    // AwaitingReply from the probe's 0x80 until its reply or the time-out.
    enum class Stage { Looking, Settling, AwaitingReply };

    // Starts a search (a running one starts over). since is the wall-clock
    // time the device went missing, nowMs the monotonic clock; the first
    // look is due one period later.
    void Begin(const Target &target, Cause cause, const QDateTime &since, qint64 nowMs);
    // Ends the search: the device is back, or the user took over (Search,
    // Open, EXIT) or an upload ran.
    void End()
    {
        m_searching = false;
        m_stage = Stage::Looking;
    }
    bool IsSearching() const { return m_searching; }

    Stage stage() const { return m_stage; }
    // True while a device opened by a look is being probed (Settling or
    // AwaitingReply): its handle is open but not ready.
    bool IsProbing() const { return m_searching && m_stage != Stage::Looking; }
    // The listed device was opened and reset at nowMs: it settles.
    void Opened(qint64 nowMs) { EnterStage(Stage::Settling, nowMs + kSettleMs); }
    // The probe's 0x80 was written at nowMs: its reply is awaited.
    void ProbeSent(qint64 nowMs) { EnterStage(Stage::AwaitingReply, nowMs + kProbeReplyMs); }
    // True when the stage's time is over at nowMs: settled, or no reply in time.
    bool StageOver(qint64 nowMs) const { return nowMs >= m_stageEndMs; }
    // The probe ended without the device being ready (it was closed): the
    // next look is due a period after nowMs.
    void ProbeFailed(qint64 nowMs)
    {
        m_stage = Stage::Looking;
        Looked(nowMs);
    }

    // True when a look is due at nowMs (monotonic milliseconds). Called every
    // poll tick, so it only compares two numbers.
    bool LookDue(qint64 nowMs) const { return m_searching && m_stage == Stage::Looking && nowMs >= m_nextLookMs; }
    // A look was made at nowMs: the next one is due a period later.
    void Looked(qint64 nowMs) { m_nextLookMs = nowMs + kLookPeriodMs; }

    const Target &target() const { return m_target; }
    Cause cause() const { return m_cause; }
    const QDateTime &since() const { return m_since; }

    // The names to ask the driver for: FT_OPEN_BY_DESCRIPTION in mode 0,
    // FT_OPEN_BY_SERIAL_NUMBER in mode 1, 0 (the count alone) otherwise.
    DWORD ListFlags() const;
    // Whether the target is among the devices listed: its name exactly
    // (case-sensitive, as the driver's open compares it), or in mode 2 any
    // device at all. A failed listing lists nothing.
    bool IsListed(const DeviceNameList &listing) const;

    // The last look found the device listed but could not open it, for
    // the library's reason (empty when the driver gives none). True when the
    // reason differs from the last one noted, so that the window changes its
    // status once per cause, not at every look. The text overload is a
    // reason in words only.
    bool NoteOpenFailure(const OpenFailure &failure);
    bool NoteOpenFailure(const QString &reason);
    // The last look opened the device but it did not answer the probe;
    // reply is its answer (" (0x3F)") or empty. True as above.
    bool NoteNoAnswer(const QString &reply);
    // The last look did not find the device listed; true when a failure
    // reason was shown until now (it no longer applies).
    bool NoteNotListed();
    // The reason noted, in the library's words; empty when none.
    QString openFailure() const;

    // The status line while the search runs, short enough for the status
    // box in either language: since when the device is missing, and that it
    // is being searched for, or the kind of the last failed try ("Lost
    // 10:02:11, searching", "Lost 10:02:11: port busy").
    QString StatusText(const LocaleTexts &texts) const;
    // The same said whole, for the status box's tool tip: the status of the
    // moment the device went missing ("Device is not open." after a loss,
    // "Device not responding" at start-up), since when, that it is being
    // searched for, and the last failed try's reason, in the current
    // language.
    QString StatusTip(const LocaleTexts &texts) const;
    // The one message once the device is back at back: from when to when it
    // was missing (HH:MM:SS, with the dates when they differ) and, when
    // loggingResumed, that display-value logging goes on in the same backup
    // file.
    QString BackMessage(const LocaleTexts &texts, const QDateTime &back, bool loggingResumed) const;

private:
    void EnterStage(Stage stage, qint64 endMs)
    {
        m_stage = stage;
        m_stageEndMs = endMs;
    }

    Target m_target;
    Cause m_cause = Cause::Lost;
    QDateTime m_since;
    qint64 m_nextLookMs = 0;
    OpenFailure m_openFailure;
    bool m_noAnswer = false;
    QString m_reply; // the reply of a device that did not answer the probe
    bool m_searching = false;
    Stage m_stage = Stage::Looking;
    qint64 m_stageEndMs = 0;
};

#endif
