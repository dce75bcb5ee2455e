// The call trace of the simulated instrument.
#include "sim_trace.h"

namespace tavixsim {

Trace::~Trace()
{
    setPath({});
}

bool Trace::setPath(const std::string &path)
{
    if (m_file) {
        std::fclose(m_file);
        m_file = nullptr;
    }
    if (path.empty())
        return true;
    m_file = std::fopen(path.c_str(), "ab");
    return m_file != nullptr;
}

void Trace::line(std::string_view text)
{
    if (!m_file)
        return;
    std::fwrite(text.data(), 1, text.size(), m_file);
    std::fputc('\n', m_file);
    std::fflush(m_file);
}

std::string Trace::hex(const uint8_t *bytes, size_t count)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text;
}

std::string Trace::quoted(std::string_view text)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string result = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte > 0x7E || c == '"' || c == '\\') {
            result += "\\x";
            result += digits[byte >> 4];
            result += digits[byte & 0x0F];
        } else {
            result += c;
        }
    }
    return result + "\"";
}

} // namespace tavixsim
