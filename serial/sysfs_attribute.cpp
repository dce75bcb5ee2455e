// Reading and writing sysfs attributes with bounds.
#include "sysfs_attribute.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace tavixserial {

namespace {

// Opens the file non-blocking (a FIFO opens at once) and keeps it only
// when it is a regular file.
int openRegular(const std::string &path, int flags, int *error)
{
    const int fd = ::open(path.c_str(), flags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        *error = errno;
        return -1;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        *error = EINVAL;
        return -1;
    }
    return fd;
}

// The attribute's first line without the blanks around it.
std::string trimmedNumber(std::string_view text)
{
    const std::string line = attributeLine(text);
    const size_t start = line.find_first_not_of(" \t");
    return start == std::string::npos ? std::string() : line.substr(start);
}

} // namespace

std::string attributeLine(std::string_view raw)
{
    const size_t end = raw.find_first_of(std::string_view("\n\0", 2));
    std::string_view line = raw.substr(0, end);
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    return std::string(line);
}

std::optional<uint16_t> parseHexId(std::string_view text)
{
    const std::string digits = trimmedNumber(text);
    if (digits.empty() || digits.size() > 4)
        return std::nullopt;
    uint16_t value = 0;
    for (char c : digits) {
        int digit;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (c >= 'a' && c <= 'f')
            digit = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            digit = c - 'A' + 10;
        else
            return std::nullopt;
        value = static_cast<uint16_t>(value * 16 + digit);
    }
    return value;
}

std::optional<uint32_t> parseDecimal(std::string_view text, uint32_t max)
{
    std::string digits = trimmedNumber(text);
    const size_t point = digits.find('.');
    if (point != std::string::npos) {
        const std::string fraction = digits.substr(point + 1);
        if (fraction.empty() || fraction.find_first_not_of("0123456789") != std::string::npos)
            return std::nullopt;
        digits.resize(point);
    }
    if (digits.empty() || digits.size() > 10)
        return std::nullopt;
    uint64_t value = 0;
    for (char c : digits) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > max)
        return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<std::string> readAttributeFile(const std::string &path, size_t limit)
{
    int error = 0;
    const int fd = openRegular(path, O_RDONLY, &error);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[512];
    while (text.size() < limit) {
        const size_t want = std::min(sizeof buffer, limit - text.size());
        const ssize_t n = ::read(fd, buffer, want);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    return text;
}

std::string readAttribute(const std::string &path)
{
    const auto text = readAttributeFile(path);
    return text ? attributeLine(*text) : std::string();
}

bool writeAttribute(const std::string &path, std::string_view text, int *error)
{
    *error = 0;
    const int fd = openRegular(path, O_WRONLY | O_TRUNC, error);
    if (fd < 0)
        return false;
    ssize_t n;
    do
        n = ::write(fd, text.data(), text.size());
    while (n < 0 && errno == EINTR);
    if (n != static_cast<ssize_t>(text.size()))
        *error = n < 0 ? errno : EIO;
    ::close(fd);
    return *error == 0;
}

} // namespace tavixserial
