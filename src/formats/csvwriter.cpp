#include "csvwriter.h"

#include "fieldtext.h"
#include "gbk.h"
#include "marc.h"
#include "reader.h"
#include "recordfields.h"

namespace bibliora::formats {
namespace {

void appendCell(std::string& out, std::string_view utf8)
{
    if (utf8.find_first_of(",\"\r\n") == std::string_view::npos) {
        out += utf8;
        return;
    }
    out.push_back('"');
    for (char c : utf8) {
        if (c == '"')
            out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

std::u16string valuesOf(const RecordParts& parts, std::string_view spec, Encoding encoding)
{
    const std::string_view tag = spec.substr(0, 3);
    const bool whole = spec.size() == 3;
    std::u16string joined;
    const auto add = [&](std::string_view bytes) {
        if (!joined.empty())
            joined += u"; ";
        joined += FieldText::value(encoding, bytes);
    };
    for (const RecordField& field : parts.fields) {
        if (field.tag != tag)
            continue;
        const std::string_view data = field.data;
        if (whole) {
            add(data);
            continue;
        }
        for (std::size_t i = data.find(kSubfieldDelimiter); i != std::string_view::npos;) {
            const std::size_t end = data.find(kSubfieldDelimiter, i + 1);
            if (i + 1 < data.size() && data[i + 1] == spec[4])
                add(data.substr(i + 2, end == std::string_view::npos ? end : end - i - 2));
            i = end;
        }
    }
    return joined;
}

} // namespace

bool CsvWriter::validSpec(std::string_view spec)
{
    const auto tagChar = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
    };
    if (spec.size() != 3 && spec.size() != 5)
        return false;
    if (!tagChar(spec[0]) || !tagChar(spec[1]) || !tagChar(spec[2]))
        return false;
    return spec.size() == 3 || (spec[3] == '$' && spec[4] > ' ' && spec[4] < 0x7F);
}

CsvWriter::CsvWriter(std::vector<std::string> specs) : m_specs(std::move(specs)) {}

void CsvWriter::begin(std::string& out)
{
    out += "\xEF\xBB\xBF序号,题名,ISBN/ISSN";
    for (const std::string& spec : m_specs) {
        out.push_back(',');
        appendCell(out, spec);
    }
    out += "\r\n";
}

bool CsvWriter::write(std::string& out, std::int64_t number, std::string_view record,
                      Encoding encoding)
{
    const RowTexts row = rowTextsFor(number, record, encoding);
    appendCell(out, Gbk::toUtf8(row.sequence));
    out.push_back(',');
    appendCell(out, Gbk::toUtf8(row.title));
    out.push_back(',');
    appendCell(out, Gbk::toUtf8(row.standardNumber));
    RecordParts parts;
    const bool readable = readParts(record, parts);
    for (const std::string& spec : m_specs) {
        out.push_back(',');
        if (readable)
            appendCell(out, Gbk::toUtf8(valuesOf(parts, spec, encoding)));
    }
    out += "\r\n";
    ++m_counts.written;
    return true;
}

} // namespace bibliora::formats
