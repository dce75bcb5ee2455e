// The two fixed keyword replacement tables and the replacement rule they share.
// TranslationTable turns the English keywords of the instrument's reports into
// Chinese for the translated save; AbbreviationTable shortens long column
// titles in the sorted output. Neither depends on the interface language.
#ifndef TAVIX_CORE_LOCALE_KEYWORD_TABLES_H
#define TAVIX_CORE_LOCALE_KEYWORD_TABLES_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringView>

// One row: every occurrence of key is replaced by replacement.
struct ReplacementRow
{
    QString key;
    QString replacement;

    friend bool operator==(const ReplacementRow &, const ReplacementRow &) = default;
};

// Rows are applied in list order.
using ReplacementTable = QList<ReplacementRow>;

// The 39 rows of TranslationTable and the 7 rows of AbbreviationTable, in order.
const ReplacementTable &TranslationRows();
const ReplacementTable &AbbreviationRows();

// Appends the rows above to the two tables, TranslationTable first. Called once
// at start-up on empty tables.
void BuildKeywordTables(ReplacementTable &translationTable, ReplacementTable &abbreviationTable);

// For each row in table order, replaces every occurrence of the row's key in
// text by its replacement: exact and case-sensitive, with no regard to word
// boundaries, scanning left to right and resuming after each match, so
// matches never overlap and a replacement is not rescanned by its own row.
// Later rows see what earlier rows produced. A row with an empty key changes
// nothing. Each row is one pass over the text that rebuilds it at most once,
// so the time is linear in the text for a fixed table.
QString ApplyReplacementTable(QString text, const ReplacementTable &table);

// True when a key of the table holds a line feed. A table without one gives
// the same result on a text as on its pieces cut after line feeds, joined:
// no match of any row can cross a line feed of the text, and the rows never
// remove one.
bool ReplacementTableSpansLines(const ReplacementTable &table);

#endif
