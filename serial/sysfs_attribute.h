// Reading and writing sysfs attributes with bounds: a file is opened
// non-blocking, only a regular file is read or written, and at most
// kAttributeLimit bytes are taken, so a FIFO, a device node or an endless
// file put where an attribute belongs never hangs nor balloons a listing.
// The parsers of attribute texts are pure functions.
#ifndef TAVIXSERIAL_SYSFS_ATTRIBUTE_H
#define TAVIXSERIAL_SYSFS_ATTRIBUTE_H

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavixserial {

constexpr size_t kAttributeLimit = 4096;

// The first line of an attribute's text: cut at the first line feed or NUL,
// without trailing carriage returns, blanks and tabs.
std::string attributeLine(std::string_view raw);

// A hexadecimal number of one to four digits, as idVendor, idProduct and
// bcdDevice hold it ("0403"); nothing for anything else.
std::optional<uint16_t> parseHexId(std::string_view text);

// A decimal number of at most `max` (a bus number, an interface number, a
// latency in milliseconds, a speed in Mbit/s such as "480" or "1.5" (the
// part after a point is ignored)); nothing for anything else.
std::optional<uint32_t> parseDecimal(std::string_view text, uint32_t max);

// The first `limit` bytes of a regular file; nothing when the file is
// missing, cannot be read or is not a regular file.
std::optional<std::string> readAttributeFile(const std::string &path, size_t limit = kAttributeLimit);

// attributeLine of the file; "" when readAttributeFile gives nothing.
std::string readAttribute(const std::string &path);

// Writes the text to an existing regular file; false with errno in *error
// (ENOENT when missing, EINVAL when not a regular file).
bool writeAttribute(const std::string &path, std::string_view text, int *error);

} // namespace tavixserial

#endif
