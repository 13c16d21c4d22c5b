#include "pattern.h"

#include "marc.h"
#include "placeholder.h"

#define PCRE2_CODE_UNIT_WIDTH 16
#include <pcre2.h>

#include <algorithm>

namespace bibliora::edit {
namespace {

// Enough for any expression a cataloguer writes over a subfield of at most 9,999 bytes, and
// small enough that "(a+)+$" over such a subfield gives up in well under a second.
constexpr std::uint32_t kMatchLimit = 2'000'000;
constexpr std::uint32_t kDepthLimit = 10'000;
constexpr std::uint32_t kHeapLimitKiB = 32 * 1024;

PCRE2_SPTR units(std::u16string_view text)
{
    return reinterpret_cast<PCRE2_SPTR>(text.data());
}

std::u16string errorText(int code)
{
    char16_t buffer[256];
    const int n = pcre2_get_error_message(code, reinterpret_cast<PCRE2_UCHAR*>(buffer),
                                          sizeof buffer / sizeof buffer[0]);
    return n > 0 ? std::u16string(buffer, static_cast<std::size_t>(n)) : std::u16string();
}

std::u16string number(std::size_t n)
{
    std::u16string digits;
    do
        digits.insert(digits.begin(), char16_t(u'0' + n % 10));
    while ((n /= 10) != 0);
    return digits;
}

// Characters, not code units, before `offset`.
std::size_t charactersBefore(std::u16string_view text, std::size_t offset)
{
    std::size_t n = 0;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i)
        if (text[i] < 0xDC00 || text[i] > 0xDFFF)
            ++n;
    return n;
}

bool hasLoneSurrogate(std::u16string_view text)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            ++i;
            continue;
        }
        if (c >= 0xD800 && c <= 0xDFFF)
            return true;
    }
    return false;
}

struct CalloutState
{
    bool structure = false;
};

// Refuses (and stops at) the first replacement that holds a structure character: the record
// then fails rather than change its shape.
int checkReplacement(pcre2_substitute_callout_block* block, void* data)
{
    const auto* out = reinterpret_cast<const char16_t*>(block->output);
    for (PCRE2_SIZE i = block->output_offsets[0]; i < block->output_offsets[1]; ++i) {
        if (isStructure(out[i])) {
            static_cast<CalloutState*>(data)->structure = true;
            return -1;
        }
    }
    return 0;
}

char16_t lowerAscii(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? char16_t(c - u'A' + u'a') : c;
}

// An ASCII character that ignoring case matches only itself and its other ASCII case: all but
// "K" and "S", which also match the Kelvin sign and the long s.
bool foldsWithinAscii(char16_t c)
{
    return c < 0x80 && lowerAscii(c) != u'k' && lowerAscii(c) != u's';
}

} // namespace

bool isStructure(char16_t c)
{
    return c == kDisplayDelimiter || c == char16_t(kSubfieldDelimiter) ||
           c == char16_t(kFieldTerminator) || c == char16_t(kRecordTerminator) || c == u'\r' ||
           c == u'\n' || isPlaceholder(c);
}

std::unique_ptr<Pattern> Pattern::compile(std::u16string_view text, Kind kind, bool caseSensitive,
                                          std::u16string& error)
{
    if (hasLoneSurrogate(text)) {
        error = u"查找内容含有不成对的代理项，不是有效的文本";
        return nullptr;
    }
    // In UTF mode caseless matching is Unicode's for every character; PCRE2_UCP adds Unicode
    // to \d, \w, \b and the POSIX classes, which a literal has none of (nor accepts).
    std::uint32_t options = PCRE2_UTF | PCRE2_MATCH_INVALID_UTF;
    if (!caseSensitive)
        options |= PCRE2_CASELESS;
    options |= kind == Kind::Expression ? PCRE2_UCP : PCRE2_LITERAL;
    if (kind == Kind::WholeLiteral)
        options |= PCRE2_ANCHORED | PCRE2_ENDANCHORED;
    int code = 0;
    PCRE2_SIZE offset = 0;
    pcre2_code* compiled =
        pcre2_compile(units(text), text.size(), options, &code, &offset, nullptr);
    if (!compiled) {
        error = u"正则表达式有误（第 " + number(charactersBefore(text, offset) + 1) +
                u" 个字符处）：" + errorText(code);
        return nullptr;
    }
    // Without JIT (a platform PCRE2 cannot compile for, or no memory for it) the interpreter
    // matches the same way, only slower.
    pcre2_jit_compile(compiled, PCRE2_JIT_COMPLETE);
    std::unique_ptr<Pattern> pattern(new Pattern);
    pattern->m_code = compiled;
    pattern->m_kind = kind;
    pattern->m_context = pcre2_match_context_create(nullptr);
    if (!pattern->m_context) {
        error = u"内存不足";
        return nullptr;
    }
    pcre2_set_match_limit(pattern->m_context, kMatchLimit);
    pcre2_set_depth_limit(pattern->m_context, kDepthLimit);
    pcre2_set_heap_limit(pattern->m_context, kHeapLimitKiB);
    // An empty literal found anywhere matches between every two characters: PCRE2 says where.
    const bool literal = kind == Kind::WholeLiteral || (kind == Kind::Literal && !text.empty());
    pattern->m_foldAscii =
        !caseSensitive && literal && std::all_of(text.begin(), text.end(), foldsWithinAscii);
    pattern->m_plain = literal && (caseSensitive || pattern->m_foldAscii);
    if (pattern->m_plain) {
        pattern->m_text = text;
        if (pattern->m_foldAscii)
            std::transform(text.begin(), text.end(), pattern->m_text.begin(), lowerAscii);
    }
    return pattern;
}

Pattern::Scratch::~Scratch()
{
    pcre2_match_data_free(m_data);
}

// One pair: only where a match is is read; a substitution of an expression makes its own.
pcre2_match_data* Pattern::Scratch::data()
{
    if (!m_data)
        m_data = pcre2_match_data_create(1, nullptr);
    return m_data;
}

Pattern::~Pattern()
{
    pcre2_match_context_free(m_context);
    pcre2_code_free(m_code);
}

std::size_t Pattern::findPlain(std::u16string_view subject, std::size_t from) const
{
    if (!m_foldAscii) {
        if (m_kind == Kind::WholeLiteral)
            return from == 0 && subject == m_text ? 0 : std::u16string_view::npos;
        return subject.find(m_text, from);
    }
    const auto matchesAt = [&](std::size_t at) {
        for (std::size_t k = 0; k < m_text.size(); ++k)
            if (lowerAscii(subject[at + k]) != m_text[k])
                return false;
        return true;
    };
    if (m_kind == Kind::WholeLiteral)
        return from == 0 && subject.size() == m_text.size() && matchesAt(0)
                   ? 0
                   : std::u16string_view::npos;
    for (std::size_t at = from; at < subject.size() && subject.size() - at >= m_text.size(); ++at)
        if (matchesAt(at))
            return at;
    return std::u16string_view::npos;
}

Pattern::Found Pattern::search(std::u16string_view subject, Scratch& scratch) const
{
    if (m_plain)
        return findPlain(subject, 0) == std::u16string_view::npos ? Found::No : Found::Yes;
    const int rc =
        pcre2_match(m_code, units(subject), subject.size(), 0, 0, scratch.data(), m_context);
    if (rc >= 0)
        return Found::Yes;
    return rc == PCRE2_ERROR_NOMATCH ? Found::No : Found::Limit;
}

Pattern::Count Pattern::count(std::u16string_view subject, Scratch& scratch) const
{
    Count result;
    if (m_plain) {
        // Never empty but for a whole literal, which matches once at most.
        for (std::size_t at = findPlain(subject, 0); at != std::u16string_view::npos;
             at = m_text.empty() ? std::u16string_view::npos
                                 : findPlain(subject, at + m_text.size()))
            ++result.matches;
        return result;
    }
    pcre2_match_data* data = scratch.data();
    const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data);
    PCRE2_SIZE offset = 0;
    std::uint32_t options = 0;
    while (offset <= subject.size()) {
        const int rc =
            pcre2_match(m_code, units(subject), subject.size(), offset, options, data, m_context);
        if (rc == PCRE2_ERROR_NOMATCH) {
            if (options == 0)
                break;
            // No non-empty match where an empty one was: go on one character later.
            options = 0;
            const bool pair = offset + 1 < subject.size() && subject[offset] >= 0xD800 &&
                              subject[offset] <= 0xDBFF && subject[offset + 1] >= 0xDC00 &&
                              subject[offset + 1] <= 0xDFFF;
            offset += pair ? 2 : 1;
            continue;
        }
        // Any other failure is a limit reached (match, depth, heap, JIT stack or memory): the
        // subject is never invalid UTF-16 to a pattern compiled to accept that.
        if (rc < 0) {
            result.limit = true;
            return result;
        }
        ++result.matches;
        offset = ovector[1];
        // After an empty match, the next one must not be empty at the same place.
        options = ovector[0] == ovector[1] ? PCRE2_NOTEMPTY_ATSTART | PCRE2_ANCHORED : 0;
    }
    return result;
}

Pattern::Substituted Pattern::substitute(std::u16string_view subject,
                                         std::u16string_view replacement, std::u16string& out,
                                         Scratch& scratch) const
{
    // Most values do not match: a plain search says so without a substitution's set-up.
    switch (search(subject, scratch)) {
    case Found::No:
        return Substituted::Unchanged;
    case Found::Limit:
        return Substituted::Limit;
    case Found::Yes:
        break;
    }
    if (m_kind != Kind::Expression)
        return substituteLiterally(subject, replacement, out, scratch);
    std::uint32_t options = PCRE2_SUBSTITUTE_GLOBAL | PCRE2_SUBSTITUTE_OVERFLOW_LENGTH;
    options |= m_kind == Kind::Expression ? PCRE2_SUBSTITUTE_UNSET_EMPTY : PCRE2_SUBSTITUTE_LITERAL;
    pcre2_match_context* context = pcre2_match_context_copy(m_context);
    if (!context)
        return Substituted::Limit;
    CalloutState state;
    pcre2_set_substitute_callout(context, checkReplacement, &state);
    out.resize(subject.size() + replacement.size() * 4 + 64);
    int rc = 0;
    for (int attempt = 0; attempt < 2; ++attempt) {
        PCRE2_SIZE length = out.size();
        rc = pcre2_substitute(m_code, units(subject), subject.size(), 0, options, nullptr, context,
                              units(replacement), replacement.size(),
                              reinterpret_cast<PCRE2_UCHAR*>(out.data()), &length);
        if (rc == PCRE2_ERROR_NOMEMORY && attempt == 0) {
            state = CalloutState();
            out.resize(length); // the length it needs
            continue;
        }
        out.resize(rc >= 0 ? length : 0);
        break;
    }
    pcre2_match_context_free(context);
    if (state.structure)
        return Substituted::Structure;
    if (rc < 0)
        return Substituted::Limit;
    return rc == 0 || out == subject ? Substituted::Unchanged : Substituted::Changed;
}

// A literal's matches never overlap and are empty only for an empty whole value, and its
// replacement was checked when the change was made: the pieces are put together here, without
// the set-up of pcre2_substitute().
Pattern::Substituted Pattern::substituteLiterally(std::u16string_view subject,
                                                  std::u16string_view replacement,
                                                  std::u16string& out, Scratch& scratch) const
{
    pcre2_match_data* data = m_plain ? nullptr : scratch.data();
    const PCRE2_SIZE* ovector = data ? pcre2_get_ovector_pointer(data) : nullptr;
    out.clear();
    std::size_t copied = 0;
    for (;;) {
        std::size_t start = 0;
        std::size_t end = 0;
        if (m_plain) {
            start = findPlain(subject, copied);
            if (start == std::u16string_view::npos)
                break;
            end = start + m_text.size();
        } else {
            const int rc =
                pcre2_match(m_code, units(subject), subject.size(), copied, 0, data, m_context);
            if (rc == PCRE2_ERROR_NOMATCH)
                break;
            if (rc < 0)
                return Substituted::Limit;
            start = ovector[0];
            end = ovector[1];
        }
        out.append(subject.substr(copied, start - copied));
        out.append(replacement);
        copied = end;
        if (start == end)
            break;
    }
    out.append(subject.substr(copied));
    return out == subject ? Substituted::Unchanged : Substituted::Changed;
}

std::u16string Pattern::replacementProblem(std::u16string_view replacement) const
{
    if (hasLoneSurrogate(replacement))
        return u"替换内容含有不成对的代理项，不是有效的文本";
    if (m_kind != Kind::Expression)
        return {};
    std::uint32_t groups = 0;
    pcre2_pattern_info(m_code, PCRE2_INFO_CAPTURECOUNT, &groups);
    const auto isNameCharacter = [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') ||
               c == u'_';
    };
    const std::u16string bad = u"替换内容中的 $ 后面应是 $、组号、{组号}、组名或 {组名}";
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        if (replacement[i] != u'$')
            continue;
        if (++i >= replacement.size())
            return bad;
        std::u16string_view name;
        if (replacement[i] == u'$')
            continue;
        if (replacement[i] == u'{') {
            const std::size_t close = replacement.find(u'}', i);
            if (close == std::u16string_view::npos)
                return bad;
            name = replacement.substr(i + 1, close - i - 1);
            i = close;
        } else {
            std::size_t end = i;
            while (end < replacement.size() && isNameCharacter(replacement[end]))
                ++end;
            name = replacement.substr(i, end - i);
            i = end - 1;
        }
        if (name.empty() || !std::all_of(name.begin(), name.end(), isNameCharacter))
            return bad;
        if (name[0] >= u'0' && name[0] <= u'9') {
            if (!std::all_of(name.begin(), name.end(),
                             [](char16_t c) { return c >= u'0' && c <= u'9'; }))
                return bad;
            std::size_t group = 0;
            for (char16_t c : name)
                group = std::min<std::size_t>(group * 10 + (c - u'0'), 100000);
            if (group > groups)
                return u"替换内容引用了第 " + std::u16string(name) + u" 组，但表达式只有 " +
                       number(groups) + u" 组";
            continue;
        }
        const std::u16string terminated(name);
        if (pcre2_substring_number_from_name(m_code, units(terminated)) < 0 &&
            pcre2_substring_number_from_name(m_code, units(terminated)) !=
                PCRE2_ERROR_NOUNIQUESUBSTRING)
            return u"替换内容引用了表达式中没有的组名 " + terminated;
    }
    return {};
}

} // namespace bibliora::edit
