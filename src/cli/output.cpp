#include "output.h"

#include "gbk.h"

#include <cstdio>

namespace bibliora::cli {
namespace {

constexpr std::size_t kFlushAt = 1 << 20;

} // namespace

Output::Output()
{
    m_buffer.reserve(kFlushAt);
}

Output::~Output()
{
    flush();
}

void Output::put(std::string_view s)
{
    m_buffer += s;
    if (m_buffer.size() >= kFlushAt)
        flush();
}

void Output::putEscaped(std::u16string_view text)
{
    putEscaped(Gbk::toUtf8(text));
}

void Output::putEscaped(std::string_view utf8)
{
    appendEscaped(m_buffer, utf8);
    if (m_buffer.size() >= kFlushAt)
        flush();
}

bool Output::flush()
{
    m_ok = std::fwrite(m_buffer.data(), 1, m_buffer.size(), stdout) == m_buffer.size() && m_ok;
    m_buffer.clear();
    m_ok = std::fflush(stdout) == 0 && m_ok;
    return m_ok;
}

void appendEscaped(std::string& out, std::string_view utf8)
{
    // Runs between the characters that need escaping go in whole.
    std::size_t from = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const char* escaped = c == '\\'   ? "\\\\"
                              : c == '\t' ? "\\t"
                              : c == '\r' ? "\\r"
                              : c == '\n' ? "\\n"
                                          : nullptr;
        if (!escaped)
            continue;
        out.append(utf8, from, i - from);
        out += escaped;
        from = i + 1;
    }
    out.append(utf8, from, std::string::npos);
}

void complain(const std::string& message)
{
    std::fprintf(stderr, "bibliora-cli: %s\n", message.c_str());
}

} // namespace bibliora::cli
