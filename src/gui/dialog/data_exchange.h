// Data exchange between the dialog's controls and its members. A transfer
// in (save and validate) copies control values into members, a transfer out
// copies members into controls. The first binding that fails shows its
// message, keeps its member and ends the transfer: later bindings are not
// exchanged and the transfer reports failure.
//
// An edit the user is typing into (it has the focus and was changed since
// the last transfer) keeps its text on a transfer out, so that a poll that
// writes every member back while the instrument prints does not overwrite
// a value being typed; a transfer in takes the text and the edit counts as
// unchanged from then on.
#ifndef TAVIX_GUI_DIALOG_DATA_EXCHANGE_H
#define TAVIX_GUI_DIALOG_DATA_EXCHANGE_H

#include "gui/dialog/dialog_builder.h"

#include <QString>

class Prompts;
class QLineEdit;
class QListWidget;

class DataExchange
{
public:
    DataExchange(const DialogTemplate &dialog, const ControlMap &controls, Prompts &prompts,
                 bool saveAndValidate);

    bool SaveAndValidate() const { return m_bSaveAndValidate; }
    bool Failed() const { return m_failed; }

    // The messages of failed bindings in Chinese ("请输入一个数字。") instead
    // of English.
    void SetChinese(bool chinese) { m_chinese = chinese; }
    // Exchanges only the control with identifier id, and quietly: a value
    // that cannot be taken shows no message, moves no focus and keeps the
    // member (the edit the user just left).
    void LimitTo(int id) { m_onlyId = id; }

    // True while edit is being typed into: it has the focus and its text
    // was changed by the user since the program last set or took it.
    static bool IsBeingEdited(const QLineEdit *edit);

    // Binds the control object itself (no value is exchanged).
    void Control(int id, QListWidget *&member);
    // Text of a single-line edit.
    void Text(int id, QString &member);
    // A read-only text window that shows its member: on a transfer out the
    // window is given the member itself, which it reads in place from then
    // on (no copy); never read back (the member holds the exact text).
    void TextView(int id, const QString &member);
    // A signed integer written in decimal; a transfer in that finds no
    // integer fails with "Please enter an integer.".
    void Int(int id, int &member);
    // A radio group: the 0-based index of the checked button among the
    // group's buttons, -1 when none is checked. Writing an index checks that
    // button and clears the others (-1 or an index beyond the group clears all).
    void Radio(int leaderId, int &member);
    // A 32-bit float written with six significant digits; a transfer in that
    // finds no number fails with "Please enter a number." and keeps the member.
    void Float(int id, float &member);

    // The text a float is shown with: six significant digits, no exponent
    // for ordinary values ("1", "2.5", "0.1").
    static QString FormatFloat(float value);
    // Reads a whole text as a number: white space around it is allowed,
    // anything else fails.
    static bool ParseFloat(const QString &text, float *value);

private:
    bool Active() const { return !m_failed; }
    // Whether the binding of id takes part in this transfer.
    bool Takes(int id) const { return Active() && (m_onlyId == 0 || m_onlyId == id); }
    void Fail(int id, const QString &message);
    // A transfer out into an edit that is not being typed into.
    static void SetText(QLineEdit *edit, const QString &text);

    const DialogTemplate &m_dialog;
    const ControlMap &m_controls;
    Prompts &m_prompts;
    bool m_bSaveAndValidate;
    bool m_failed = false;
    bool m_chinese = false;
    int m_onlyId = 0;
};

#endif
