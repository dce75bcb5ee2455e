// The input-file reader: the bytes of a file opened with "Open input data"
// give one character per whole little-endian code unit, which saving writes
// back byte for byte; the batch sort's reader takes the same text from a
// file that starts with FF FE and the instrument's characters otherwise.
#include "core/device/instrument_charset.h"
#include "core/io/text_file.h"
#include "core/sorting/input_file.h"

#include <QByteArray>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QString text = InputTextFromBytes(bytes, InputFileForm::Utf16Le);
    if (text.size() != bytes.size() / 2)
        std::abort();
    if (Utf16LeBytes(text) != bytes.left(text.size() * 2))
        std::abort();
    const QString batch = InputTextFromBytes(bytes);
    if (bytes.startsWith("\xFF\xFE") ? batch != text : batch != InstrumentBytesToText(bytes))
        std::abort();
    return 0;
}
