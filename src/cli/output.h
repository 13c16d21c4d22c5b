#pragma once

#include <string>
#include <string_view>

namespace bibliora::cli {

// Standard output through one large buffer. Text is UTF-8; the escaped form writes a
// backslash, tab, CR and LF as "\\", "\t", "\r" and "\n", so that a value never breaks the
// tab-separated line it stands in.
class Output final
{
public:
    Output();
    ~Output();
    Output(const Output&) = delete;
    Output& operator=(const Output&) = delete;

    void put(std::string_view s);
    void putEscaped(std::u16string_view text);
    void putEscaped(std::string_view utf8);
    // False when anything written so far could not be written.
    bool flush();

private:
    std::string m_buffer;
    bool m_ok = true;
};

// Appends the escaped form of `utf8` to `out` (for text made away from the Output).
void appendEscaped(std::string& out, std::string_view utf8);

// "bibliora-cli: " and the message on standard error.
void complain(const std::string& message);

} // namespace bibliora::cli
