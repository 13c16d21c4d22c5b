#include "outputformat.h"

#include "csvwriter.h"
#include "isofilewriter.h"
#include "marcxmlwriter.h"
#include "mrkwriter.h"

namespace bibliora::formats {

std::optional<OutputFormat> outputFormatNamed(std::string_view name)
{
    if (name == "iso")
        return OutputFormat::Iso;
    if (name == "iso-lines")
        return OutputFormat::IsoLines;
    if (name == "marcxml")
        return OutputFormat::MarcXml;
    if (name == "mrk")
        return OutputFormat::Mrk;
    if (name == "csv")
        return OutputFormat::Csv;
    return std::nullopt;
}

std::optional<TargetEncoding> targetEncodingNamed(std::string_view name)
{
    if (name == "keep")
        return TargetEncoding::Keep;
    if (name == "utf-8")
        return TargetEncoding::Utf8;
    if (name == "gbk")
        return TargetEncoding::Gbk;
    return std::nullopt;
}

std::optional<Encoding> encodingOf(TargetEncoding target)
{
    switch (target) {
    case TargetEncoding::Utf8:
        return Encoding::Utf8;
    case TargetEncoding::Gbk:
        return Encoding::Gbk;
    case TargetEncoding::Keep:
        break;
    }
    return std::nullopt;
}

std::unique_ptr<RecordWriter> createWriter(OutputFormat format, TargetEncoding target,
                                           const std::vector<std::string>& csvSpecs)
{
    switch (format) {
    case OutputFormat::Iso:
    case OutputFormat::IsoLines:
        return std::make_unique<IsoFileWriter>(format == OutputFormat::IsoLines,
                                               encodingOf(target));
    case OutputFormat::MarcXml:
        return std::make_unique<MarcXmlWriter>();
    case OutputFormat::Mrk:
        return std::make_unique<MrkWriter>();
    case OutputFormat::Csv:
        break;
    }
    return std::make_unique<CsvWriter>(csvSpecs);
}

} // namespace bibliora::formats
