// The Config.dat reader: any bytes load into a table from which every text
// number, every language and the message texts can be read.
#include "core/locale/text_table.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    LocaleTexts texts;
    texts.LoadConfigBytes(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    const qsizetype languages = texts.LanguageNames().size();
    for (int number : LocaleTexts::AllTextNumbers())
        if (!texts.textTable().contains(number))
            std::abort();
    for (qsizetype slot = 0; slot < qMin<qsizetype>(languages, 8); ++slot) {
        const QList<ControlCaption> captions = texts.ApplyLanguage(int(slot), slot % 2 == 1);
        if (texts.CurrentLanguage() != slot + 1 || captions.isEmpty())
            std::abort();
        (void)texts.LoggingCaption(int(slot), true);
    }
    for (int number : {1051, 4000, 4004, 99999})
        for (int slot : {-1, 0, 1, 5})
            (void)texts.LookupText(number, slot);
    return 0;
}
