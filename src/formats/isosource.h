#pragma once

#include "encodingvote.h"
#include "reader.h"
#include "recordsource.h"

#include <filesystem>
#include <string_view>

namespace bibliora::formats {

// An ISO 2709 file read as the codec's RecordReader reads it, each record's encoding decided
// as the file's reading decides it (EncodingVote).
class IsoSource final : public RecordSource
{
public:
    explicit IsoSource(const ReadOptions& options = {});

    bool open(const std::filesystem::path& path);
    void openBytes(std::string_view bytes);

    Step next(MarcRecord& record, Encoding& encoding) override;
    std::uint64_t position() const override { return m_reader.position(); }
    const std::string& error() const override { return m_error; }
    std::uint64_t skipped() const override { return 0; }

private:
    RecordReader m_reader;
    EncodingVote m_vote;
    std::string m_error;
};

} // namespace bibliora::formats
