// The numbers behind the log graph: the conversion of a value field of a
// sorted log file into the value the chart plots, and the stepping through
// the graph's file lists by the browse buttons.
#ifndef TAVIX_CORE_CHARTS_GRAPH_VALUES_H
#define TAVIX_CORE_CHARTS_GRAPH_VALUES_H

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

// The value a field plots as. Every "," (U+002C) is first replaced by ".",
// then each UTF-16 code unit counts by its low byte (as the field narrowed
// to 8 bits; so U+042C, whose low byte is a comma, ends the number while
// U+012E, whose low byte is a point, acts as one), and the longest
// leading decimal number is read: C white space (blank, tab, line feed,
// vertical tab, form feed, carriage return) skipped, then an optional sign,
// digits with an optional fraction, and an optional exponent that is taken
// only when it has digits. A field that does not start with a number (after
// the white space) gives 0; a zero byte ends the text. The number is rounded
// once to double precision and then to single precision, as a C reading
// followed by a float store would; a magnitude beyond single precision gives
// an infinity and one below it 0. A field of any length is read whole.
// "12,5" -> 12.5, "abc" -> 0, "1.2.3" -> 1.2, "-0.2" -> -0.2, "1e3x" -> 1000,
// "1e" -> 1.
float GraphValueFromField(QStringView field);

// The steps of the browse buttons and of the variable buttons.
enum GraphStep : int {
    GraphStepPrevious = 0, // "<-": back one, the first entry steps to the last
    GraphStepNext = 1,     // "->": on one, the last entry steps to the first
    GraphStepFirst = 2,    // "<<": to the first entry
    GraphStepLast = 3,     // ">>": the last entry, the position stays where it was
    GraphStepCurrent = 4,  // the entry at the position
};

// Moves position in list by step and returns the table index stored at the
// resulting place, or -1 (position unchanged) when the list is empty.
// Previous and Next compute (position - 1 + size) mod size and
// (position + 1) mod size on unsigned 32-bit values, so they always land
// inside the list. Last returns the last entry and keeps the position, so a
// following Previous or Next steps from the position held before it.
// Current with a position outside the list, and an unknown step, give -1
// and change nothing.
qint32 StepGraphPosition(const QList<qint32> &list, int step, int &position);

// Field number field of a row, or an empty text when the row has no such
// field (a negative number included).
QString RowField(const QStringList &row, qint64 field);

#endif // TAVIX_CORE_CHARTS_GRAPH_VALUES_H
