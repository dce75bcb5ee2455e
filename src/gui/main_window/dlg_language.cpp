// The interface language: captions and message texts from the text table,
// the language list, the keyword translation of the input data and the
// help text.
#include "gui/main_window/costrum_dlg.h"

#include "core/device/profile.h"
#include "core/io/text_file.h"
#include "core/locale/keyword_tables.h"
#include "gui/widgets/graph_window.h"
#include "gui/widgets/prompts.h"

#include <QComboBox>

#include <cstdio>

void COstrumDlg::InitLanguage()
{
    // The built-in texts are used when Config.dat cannot be read or gives
    // nothing to show; a file that was there but of no use is named on
    // standard error with the reason, once.
    if (!m_texts.LoadConfigFile()) {
        if (!m_texts.ConfigProblem().isEmpty())
            std::fprintf(stderr, "tavixterminal: %s\n", qUtf8Printable(m_texts.ConfigProblem()));
        m_texts.BuildBuiltInTexts();
    }
    BuildKeywordTables();
    ApplyLanguage(0);
}

void COstrumDlg::ApplyLanguage(int slot)
{
    // Captions in ascending order of numbers; the logging button comes once
    // more at the end with the caption of the logging state, which wins.
    const QList<ControlCaption> captions = m_texts.ApplyLanguage(slot, m_bLogging);
    for (const ControlCaption &caption : captions)
        SetDlgItemText(caption.id, caption.text);
    CurrentLanguage = m_texts.CurrentLanguage();
    // Qt's own texts (file dialogs, message box buttons) follow.
    m_qtTranslations.UseChinese(m_texts.IsChinese());
    // So does the graph window.
    if (m_pGraphWindow)
        m_pGraphWindow->SetLanguage(m_texts.IsChinese());
    // The search for a lost instrument speaks the new language too.
    if (m_recovery.IsSearching())
        ShowReconnectStatus();
}

void COstrumDlg::FillLanguageList()
{
    auto *languages = qobject_cast<QComboBox *>(GetDlgItem(IDC_LANGUAGE));
    if (!languages)
        return;
    languages->clear();
    languages->addItems(m_texts.LanguageNames());
}

void COstrumDlg::OnLanguageChange()
{
    auto *languages = qobject_cast<QComboBox *>(GetDlgItem(IDC_LANGUAGE));
    if (!languages)
        return;
    const int index = languages->currentIndex();
    FillLanguageList();
    ApplyLanguage(index);
    languages->setCurrentIndex(index);
}

void COstrumDlg::BuildKeywordTables()
{
    ::BuildKeywordTables(TranslationTable, AbbreviationTable);
}

void COstrumDlg::OnTranslateKeywords()
{
    UpdateData(true);
    const QString input = m_strInput;
    const QString path = m_prompts.SaveFileName(TextFileFilter());
    if (path.isEmpty())
        return;
    // The whole translated text is written, streamed from the translation
    // itself; the input data stays as it is.
    SaveFailure failure;
    if (!SaveTextFile(path, ApplyReplacementTable(input, TranslationTable), &failure))
        m_prompts.Message(SaveFailureText(path, failure));
}

void COstrumDlg::OnHelp()
{
    m_prompts.Message(CurrentMessageTexts().HelpText);
}
