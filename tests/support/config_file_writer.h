// Writes files in the format of Config.dat for the tests and for the sample
// file in src/core/locale: FF FE, then the lines as UTF-16 little-endian, each
// line followed by CR LF.
#ifndef TAVIX_TESTS_LOCALE_CONFIG_FILE_WRITER_H
#define TAVIX_TESTS_LOCALE_CONFIG_FILE_WRITER_H

#include "core/io/text_file.h"
#include "core/locale/text_table.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

inline const QString kSeparatorLine = QStringLiteral("***");
inline const QString kGroupEndLine = QStringLiteral("*******************");

inline QByteArray ConfigFileBytes(const QStringList &lines)
{
    QString text;
    for (const QString &line : lines)
        text += line + QStringLiteral("\r\n");
    return Utf16LeWithBom(text);
}

// The lines of one group: each text split into its lines (an empty piece, such
// as the one after a final CR LF, is left out), texts separated by
// separator lines, closed by the group end.
inline QStringList GroupLines(const QStringList &texts)
{
    QStringList lines;
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i > 0)
            lines << kSeparatorLine;
        lines << texts[i].split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    }
    lines << kGroupEndLine;
    return lines;
}

// The sample Config.dat: a header group, the language-name group, then one
// group per number of ConfigOrder holding the texts of the two languages
// (slots 0 and 1; slots 0 to 3 for the logging button) of table.
inline QStringList SampleConfigLines(const QStringList &languageNames, const TextTable &table)
{
    QStringList lines;
    lines << QStringLiteral("TavixTerminal 2.0 texts")
          << QStringLiteral("Groups: header, language names, then the captions and messages.")
          << QStringLiteral("Texts within a group are separated by a line of three asterisks,")
          << QStringLiteral("groups end with a line of nineteen asterisks.")
          << kGroupEndLine;
    lines << GroupLines(languageNames);
    for (const int number : LocaleTexts::ConfigOrder()) {
        const qsizetype slotCount = number == LocaleTexts::LoggingButtonNumber ? 4 : 2;
        lines << GroupLines(table.value(number).mid(0, slotCount));
    }
    return lines;
}

#endif
