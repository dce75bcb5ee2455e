// Why a driver library could not open a device, as the serial adapter
// tells it: its own words (English) and the same as a code (the kind of
// failure, the port's path, the system's error number, the processes that
// hold a busy port), which the program words in the language chosen.
// FTDI's library and the simulated instrument tell nothing: no words, kind
// TAVIXSERIAL_OPEN_OTHER.
#ifndef TAVIX_CORE_DEVICE_OPEN_FAILURE_H
#define TAVIX_CORE_DEVICE_OPEN_FAILURE_H

#include "core/device/d2xx_types.h"

#include <QList>
#include <QString>

class LocaleTexts;

struct OpenFailure
{
    struct Holder
    {
        qint64 pid = 0;
        QString name; // empty when unknown
    };

    int kind = TAVIXSERIAL_OPEN_OTHER;
    int error = 0;
    int detail = 0;
    QString name;
    QList<Holder> holders;
    QString words; // the library's own words; empty when it gives none

    bool IsEmpty() const { return words.isEmpty(); }
    // The failure from a library's code and words (code may be null).
    static OpenFailure FromLibrary(const TAVIXSERIAL_OPEN_ERROR *code, const QString &words);
};

// The failure in the current language: the library's own words in English;
// in Chinese the code's words, or the library's words for a kind the code
// does not tell. Empty when the library gave no reason.
QString OpenFailureText(const OpenFailure &failure, const LocaleTexts &texts);

#endif
