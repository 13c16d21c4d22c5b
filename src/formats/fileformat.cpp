#include "fileformat.h"

#include <string>

namespace bibliora::formats {
namespace {

constexpr std::string_view kSlim = "http://www.loc.gov/MARC21/slim";
constexpr std::string_view kMarcXchange = "info:lc/xmlns/marcxchange-v1";

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// The head as single bytes: UTF-16 (by its byte-order mark, or by "<" and a zero byte) keeps
// the low byte of each unit, which is enough to see ASCII markup.
std::string narrowed(std::string_view head)
{
    if (head.size() < 2)
        return std::string(head);
    const bool le =
        head.rfind("\xFF\xFE", 0) == 0 || head.rfind(std::string_view("<\0", 2), 0) == 0;
    const bool be =
        head.rfind("\xFE\xFF", 0) == 0 || head.rfind(std::string_view("\0<", 2), 0) == 0;
    if (!le && !be) {
        if (head.rfind("\xEF\xBB\xBF", 0) == 0)
            head.remove_prefix(3);
        return std::string(head);
    }
    std::string out;
    for (std::size_t i = (head[0] == '<' || head[1] == '<') ? 0 : 2; i + 1 < head.size(); i += 2)
        out.push_back(head[le ? i : i + 1]);
    return out;
}

bool isMrk(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t end = text.find('\n', i);
        std::string_view line = text.substr(i, end == std::string_view::npos ? end : end - i);
        while (!line.empty() && isBlank(line.front()))
            line.remove_prefix(1);
        if (!line.empty() && line.front() != '#')
            return line.rfind("=LDR", 0) == 0;
        if (end == std::string_view::npos)
            return false;
        i = end + 1;
    }
    return false;
}

bool isMarcXml(std::string_view text)
{
    std::size_t i = 0;
    for (;;) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        if (i >= text.size() || text[i] != '<')
            return false;
        const std::string_view rest = text.substr(i);
        std::string_view close;
        if (rest.rfind("<?", 0) == 0)
            close = "?>";
        else if (rest.rfind("<!--", 0) == 0)
            close = "-->";
        else if (rest.rfind("<!", 0) == 0)
            close = rest.find('[') < rest.find('>') ? "]>" : ">";
        if (close.empty())
            break;
        const std::size_t end = text.find(close, i);
        if (end == std::string_view::npos)
            return false;
        i = end + close.size();
    }
    const std::size_t end = text.find('>', i);
    if (end == std::string_view::npos)
        return false;
    const std::string_view tag = text.substr(i + 1, end - i - 1);
    std::size_t nameEnd = 0;
    while (nameEnd < tag.size() && !isBlank(tag[nameEnd]) && tag[nameEnd] != '/')
        ++nameEnd;
    std::string_view name = tag.substr(0, nameEnd);
    if (const std::size_t colon = name.find(':'); colon != std::string_view::npos)
        name.remove_prefix(colon + 1);
    return (name == "collection" || name == "record") &&
           (tag.find(kSlim) != std::string_view::npos ||
            tag.find(kMarcXchange) != std::string_view::npos);
}

} // namespace

FileFormat formatOf(std::string_view head)
{
    const std::string text = narrowed(head);
    if (isMarcXml(text))
        return FileFormat::MarcXml;
    if (isMrk(text))
        return FileFormat::Mrk;
    return FileFormat::Iso;
}

} // namespace bibliora::formats
