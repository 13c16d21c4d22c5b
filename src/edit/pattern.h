#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

struct pcre2_real_code_16;
struct pcre2_real_match_context_16;
struct pcre2_real_match_data_16;

namespace bibliora::edit {

// A compiled PCRE2 pattern over UTF-16 text (UTF and Unicode properties on, so a Chinese
// character is one character and \p{Han} works; JIT-compiled where PCRE2 can). Every match
// runs under a match limit, a depth limit and a heap limit, so an expression that backtracks
// without end gives up with Limit instead of hanging.
//
// Const use is thread-safe: the compiled code and the match context are only read; the match
// data of each call is the caller's (a Scratch, one per thread at a time). JIT code runs on
// PCRE2's own stack of 32 KiB: an expression that needs more gives up with Limit.
//
// A literal whose case counts is matched by comparing code units, without PCRE2: in UTF mode
// PCRE2 matches such a literal exactly where its code units stand, and a valid text's code
// units can only stand at whole characters of any subject, however invalid the rest of it is.
// So is a literal of ASCII characters other than K and S whose case is ignored, comparing
// ASCII letters in either case: Unicode gives the others no other case outside ASCII.
class Pattern final
{
public:
    enum class Kind
    {
        Literal,      // the text itself, found anywhere
        WholeLiteral, // the text itself, as the whole subject
        Expression,   // a regular expression
    };

    // The pattern, or null with `error` saying why (Chinese, with PCRE2's own message).
    static std::unique_ptr<Pattern> compile(std::u16string_view text, Kind kind, bool caseSensitive,
                                            std::u16string& error);
    ~Pattern();
    Pattern(const Pattern&) = delete;
    Pattern& operator=(const Pattern&) = delete;

    // Where matches are written: made on first use, kept for the calls one caller makes in
    // turn (the values of a record), freed with it.
    class Scratch final
    {
    public:
        Scratch() = default;
        ~Scratch();
        Scratch(const Scratch&) = delete;
        Scratch& operator=(const Scratch&) = delete;
        pcre2_real_match_data_16* data();

    private:
        pcre2_real_match_data_16* m_data = nullptr;
    };

    enum class Found
    {
        No,
        Yes,
        Limit,
    };
    Found search(std::u16string_view subject, Scratch& scratch) const;

    // Non-overlapping matches in `subject`, or Limit when the count could not be finished.
    struct Count
    {
        std::size_t matches = 0;
        bool limit = false;
    };
    Count count(std::u16string_view subject, Scratch& scratch) const;

    enum class Substituted
    {
        Unchanged, // no match, or every match replaced by what it was
        Changed,
        Limit,
        Structure, // a replacement would hold a character that is structure (see isStructure)
    };
    // Every match in `subject` replaced: by `replacement` as it is for the literal kinds, by
    // the expansion of its $n, ${name} and $$ for an expression. The result is in `out` when
    // Changed.
    Substituted substitute(std::u16string_view subject, std::u16string_view replacement,
                           std::u16string& out, Scratch& scratch) const;

    // Checks an expression's replacement before any record sees it: every $ must start $$,
    // $n or ${n} naming a group the expression has, or ${name} / $name naming one. Empty when
    // it is good, else the message (Chinese).
    std::u16string replacementProblem(std::u16string_view replacement) const;

    Kind kind() const { return m_kind; }

private:
    Pattern() = default;
    Substituted substituteLiterally(std::u16string_view subject, std::u16string_view replacement,
                                    std::u16string& out, Scratch& scratch) const;
    // The first match of a plain literal at or after `from`: its start, or npos. A whole
    // literal matches only the whole subject, from 0.
    std::size_t findPlain(std::u16string_view subject, std::size_t from) const;

    pcre2_real_code_16* m_code = nullptr;
    pcre2_real_match_context_16* m_context = nullptr;
    Kind m_kind = Kind::Literal;
    bool m_plain = false;     // findPlain() stands for PCRE2
    bool m_foldAscii = false; // plain, ASCII letters of either case
    std::u16string m_text;    // the literal, when plain; lower case when folding
};

// Characters no value may gain from a replacement: "■" (the display's subfield delimiter), the
// subfield delimiter, field and record terminators, CR, LF and the byte placeholders
// U+2800-U+28FF. Each would change the record's structure when it is saved.
bool isStructure(char16_t c);

} // namespace bibliora::edit
