#include "opensource.h"

#include "byteinput.h"
#include "isosource.h"
#include "marcxmlsource.h"
#include "mrksource.h"

namespace bibliora::formats {
namespace {

template <typename Open>
std::unique_ptr<RecordSource> sourceFor(FileFormat format, const ReadOptions& options, Open open)
{
    switch (format) {
    case FileFormat::MarcXml: {
        auto source = std::make_unique<MarcXmlSource>(options);
        return open(*source) ? std::move(source) : nullptr;
    }
    case FileFormat::Mrk: {
        auto source = std::make_unique<MrkSource>(options);
        return open(*source) ? std::move(source) : nullptr;
    }
    case FileFormat::Iso:
        break;
    }
    auto source = std::make_unique<IsoSource>(options);
    return open(*source) ? std::move(source) : nullptr;
}

} // namespace

std::unique_ptr<RecordSource> openRecordSource(const std::filesystem::path& path,
                                               FileFormat* format, const ReadOptions& options)
{
    std::string head;
    {
        ByteInput input(kRecognitionBytes);
        if (!input.open(path))
            return nullptr;
        head = input.read();
    }
    const FileFormat found = formatOf(head);
    if (format)
        *format = found;
    return sourceFor(found, options, [&](auto& source) { return source.open(path); });
}

std::unique_ptr<RecordSource> recordSourceFor(std::string_view bytes, FileFormat* format,
                                              const ReadOptions& options)
{
    const FileFormat found = formatOf(bytes.substr(0, kRecognitionBytes));
    if (format)
        *format = found;
    return sourceFor(found, options, [&](auto& source) {
        source.openBytes(bytes);
        return true;
    });
}

} // namespace bibliora::formats
