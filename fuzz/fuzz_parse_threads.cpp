// One thread against two: the log parser with the two-part threshold at 0,
// so that every text with a file marker past its middle is parsed in two
// parts at once, must give exactly what one thread gives: the result, the
// files, the number of the last file marker, the first-entry flag and
// whether the character limit was passed. The first byte chooses the limit
// (0: none, else 16 characters per unit), the rest is a capture's bytes.
#include "core/sorting/input_file.h"
#include "core/sorting/log_parser.h"

#include <QByteArrayView>
#include <QList>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const qsizetype limit = data[0] == 0 ? -1 : qsizetype(data[0]) * 16;
    const QString input = InputTextFromBytes(QByteArrayView(data + 1, qsizetype(size - 1)));
    LogParser one;
    LogParser two;
    one.SetThreads(1);
    two.SetThreads(2);
    two.SetTwoPartThreshold(0);
    one.SetCharacterLimit(limit);
    two.SetCharacterLimit(limit);
    // Both start from the same table, which a refused parse leaves as it is.
    QList<LogFileRecord> alone(1);
    QList<LogFileRecord> inTwo(1);
    const bool parsedAlone = one.ParseInputText(input, alone);
    const bool parsedInTwo = two.ParseInputText(input, inTwo);
    if (parsedAlone != parsedInTwo || alone != inTwo || one.FileNumber() != two.FileNumber()
        || one.FirstLogEntry() != two.FirstLogEntry() || one.LimitExceeded() != two.LimitExceeded())
        std::abort();
    return 0;
}
