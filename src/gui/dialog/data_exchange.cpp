#include "gui/dialog/data_exchange.h"

#include "gui/widgets/prompts.h"
#include "gui/widgets/text_view.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QListWidget>

#include <cstring>

DataExchange::DataExchange(const DialogTemplate &dialog, const ControlMap &controls, Prompts &prompts,
                           bool saveAndValidate)
    : m_dialog(dialog), m_controls(controls), m_prompts(prompts), m_bSaveAndValidate(saveAndValidate)
{
}

bool DataExchange::IsBeingEdited(const QLineEdit *edit)
{
    return edit && edit->hasFocus() && edit->isModified();
}

void DataExchange::Fail(int id, const QString &message)
{
    m_failed = true;
    if (m_onlyId != 0)
        return;
    m_prompts.Message(message);
    if (QWidget *control = m_controls.value(id)) {
        control->setFocus();
        if (auto *edit = qobject_cast<QLineEdit *>(control))
            edit->selectAll();
    }
}

void DataExchange::Control(int id, QListWidget *&member)
{
    if (Takes(id))
        member = qobject_cast<QListWidget *>(m_controls.value(id));
}

void DataExchange::Text(int id, QString &member)
{
    auto *edit = qobject_cast<QLineEdit *>(m_controls.value(id));
    if (!Takes(id) || !edit)
        return;
    if (m_bSaveAndValidate) {
        member = edit->text();
        edit->setModified(false);
    } else {
        SetText(edit, member);
    }
}

void DataExchange::SetText(QLineEdit *edit, const QString &text)
{
    // An edit that already shows the text is left alone: the poll transfers
    // out at every tick, and setting an edit lays it out and paints it again.
    if (!IsBeingEdited(edit) && edit->text() != text)
        edit->setText(text);
}

void DataExchange::TextView(int id, const QString &member)
{
    auto *view = qobject_cast<::TextView *>(m_controls.value(id));
    if (Takes(id) && view && !m_bSaveAndValidate)
        view->Attach(&member);
}

void DataExchange::Int(int id, int &member)
{
    auto *edit = qobject_cast<QLineEdit *>(m_controls.value(id));
    if (!Takes(id) || !edit)
        return;
    if (!m_bSaveAndValidate) {
        SetText(edit, QString::number(member));
        return;
    }
    bool ok = false;
    const int value = edit->text().trimmed().toInt(&ok);
    if (!ok) {
        Fail(id, m_chinese ? QStringLiteral("请输入一个整数。") : QStringLiteral("Please enter an integer."));
        return;
    }
    member = value;
    edit->setModified(false);
}

void DataExchange::Radio(int leaderId, int &member)
{
    if (!Takes(leaderId))
        return;
    const QList<int> group = RadioGroup(m_dialog, leaderId);
    if (m_bSaveAndValidate) {
        member = -1;
        for (qsizetype i = 0; i < group.size(); ++i) {
            auto *button = qobject_cast<QAbstractButton *>(m_controls.value(group.at(i)));
            if (button && button->isChecked()) {
                member = static_cast<int>(i);
                break;
            }
        }
        return;
    }
    for (qsizetype i = 0; i < group.size(); ++i) {
        if (auto *button = qobject_cast<QAbstractButton *>(m_controls.value(group.at(i))))
            button->setChecked(i == member);
    }
}

QString DataExchange::FormatFloat(float value)
{
    // The poll transfers the same interval out at every tick: its text is
    // made once.
    thread_local float last = 0.0f;
    thread_local QString text = QStringLiteral("0");
    if (std::memcmp(&value, &last, sizeof value) != 0) {
        text = QString::asprintf("%.*g", 6, static_cast<double>(value));
        last = value;
    }
    return text;
}

bool DataExchange::ParseFloat(const QString &text, float *value)
{
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return false;
    bool ok = false;
    const double number = trimmed.toDouble(&ok);
    if (!ok)
        return false;
    *value = static_cast<float>(number);
    return true;
}

void DataExchange::Float(int id, float &member)
{
    auto *edit = qobject_cast<QLineEdit *>(m_controls.value(id));
    if (!Takes(id) || !edit)
        return;
    if (!m_bSaveAndValidate) {
        SetText(edit, FormatFloat(member));
        return;
    }
    float value = 0.0f;
    if (!ParseFloat(edit->text(), &value)) {
        Fail(id, m_chinese ? QStringLiteral("请输入一个数字。") : QStringLiteral("Please enter a number."));
        return;
    }
    member = value;
    edit->setModified(false);
}
