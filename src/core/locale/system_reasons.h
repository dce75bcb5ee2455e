// The system's reasons for a failure (the words of strerror: "No space
// left on device") in the program's languages: a table of the common error
// numbers with their Chinese words. In English the system's own words are
// kept as the system gives them.
#ifndef TAVIX_CORE_LOCALE_SYSTEM_REASONS_H
#define TAVIX_CORE_LOCALE_SYSTEM_REASONS_H

#include <QString>

class LocaleTexts;

// The reason for error number error in the current language: the system's
// words in English; in Chinese the table's words, or the system's words for
// a number the table does not hold.
QString SystemReasonText(int error, const LocaleTexts &texts);

// A reason as a file writer gives it (the system's words, or a sentence of
// the program's own that holds them), in the current language: in English
// unchanged; in Chinese the table's words when the reason is the system's
// words of a number in the table, otherwise the reason followed by the
// Chinese words of the first such system reason it holds, in brackets.
QString SystemReasonText(const QString &reason, const LocaleTexts &texts);

#endif
