#pragma once

#include "byteinput.h"
#include "recordsource.h"

#include <deque>
#include <filesystem>
#include <string>
#include <string_view>

namespace bibliora::formats {

// What the readers of text forms (MARCXML, MARC text) share: their input, read a buffer a
// step, and the UTF-8 records a step finished, handed on one at a time.
class TextSource : public RecordSource
{
public:
    bool open(const std::filesystem::path& path) { return m_input.open(path); }
    // The bytes must outlive the reader.
    void openBytes(std::string_view bytes) { m_input.openBytes(bytes); }

    std::uint64_t position() const override { return m_input.position(); }
    const std::string& error() const override { return m_error; }
    std::uint64_t skipped() const override { return m_skipped; }

protected:
    explicit TextSource(std::size_t bufferBytes) : m_input(bufferBytes) {}

    // The oldest finished record, in UTF-8; false when none is waiting.
    bool takeReady(MarcRecord& record, Encoding& encoding)
    {
        if (m_ready.empty())
            return false;
        record.swap(m_ready.front());
        m_ready.pop_front();
        encoding = Encoding::Utf8;
        return true;
    }

    ByteInput m_input;
    std::deque<MarcRecord> m_ready;
    std::string m_error;
    std::uint64_t m_skipped = 0;
    bool m_finished = false;
};

} // namespace bibliora::formats
