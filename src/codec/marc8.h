#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>

namespace bibliora {

// MARC-8 (ASCII and ANSEL by default, EACC and the other sets reached by escape sequences),
// converted by yaz, the reference implementation of MARC-8; no table of it lives here.
// One run of text per call: the escape state starts at the default sets and ends there.
class Marc8 final
{
public:
    enum class ByteKind
    {
        Undefined, // no character in the default G1 set (ANSEL)
        Spacing,   // a character of its own ("Ł", "£", "©")
        Combining, // a diacritic: written before the character it sits on
    };
    // What each byte 0x80-0xFF (at index byte - 0x80) is in the default G1 set, as yaz
    // decodes it.
    static const std::array<ByteKind, 128>& highByteKinds();

    // Decodes MARC-8 to UTF-16. A byte yaz cannot read, or skips without a character, becomes
    // its placeholder (U+2800 + byte) and the rest is decoded after it. Escape sequences give
    // no text. Numeric character references stay as the ASCII they are.
    static std::u16string decode(std::string_view bytes);

    // Encodes UTF-16 text as MARC-8; a character MARC-8 cannot hold is written as a numeric
    // character reference ("&#x4E00;"), and a placeholder as its byte.
    static void appendEncoded(std::string& out, std::u16string_view text);

    // The converters (yaz's iconv handles) of one worker thread, opened by the thread and
    // closed by it when the session ends. A thread without a session gets converters that
    // thread-local destructors close at its exit, which MinGW's threads do not always run:
    // threads other than the main one open a session for as long as they decode.
    class Session final
    {
    public:
        Session();
        ~Session();
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;

        struct Converters;

    private:
        std::unique_ptr<Converters> m_converters;
        const Converters* m_outer;
    };
};

} // namespace bibliora
