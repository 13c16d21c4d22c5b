#pragma once

#include "marc.h"

#include <string>
#include <string_view>

namespace bibliora {

struct BuildTime;

// The last step of every build: fields, each given as its bytes without a terminator, written
// after a leader, with a directory that counts their bytes. The builder writes the fields of a
// display text through it; a caller that already holds a field's bytes as the builder would
// write them can write them through it too and get the same record.
class IsoWriter final
{
public:
    // Room for `fields` fields of `bytes` bytes in all.
    void reserve(std::size_t fields, std::size_t bytes);
    // Appends a field under `tag` (three characters); false, and nothing written, when it does not
    // fit: a field of 9,999 bytes or more with its terminator, or a start past 99,999.
    bool add(std::string_view tag, std::string_view content);
    // The record after `leaderStem` (24 bytes; its record length and base address are
    // written here); false when the record would pass 99,999 bytes.
    bool finish(std::string leaderStem, MarcRecord& out) const;

    // A field for write(): its bytes with the field terminator after them.
    struct TerminatedField
    {
        std::string_view tag;
        std::string_view bytes;
    };
    // The record that add() of each field in turn and finish() make, for a caller that holds
    // every field at once: written in one piece, fields that lie one after another in memory
    // copied as one run. `leaderStem` is 24 bytes.
    static bool write(std::string_view leaderStem, const TerminatedField* fields, std::size_t count,
                      MarcRecord& out);

    // A leader character as a build takes it from the text: the leader must stay 24 ASCII
    // bytes, so a character that would change its length or break the line (CR, LF, Chinese)
    // becomes a blank, as "?" and "#" do.
    static char leaderCharacter(char16_t c)
    {
        return c > 0x20 && c < 0x7F && c != u'?' && c != u'#' ? static_cast<char>(c) : ' ';
    }
    // What a build writes for a missing 001 and a missing 005 at `now`.
    static std::string controlNumber(const BuildTime& now);
    static std::string timestamp(const BuildTime& now);

private:
    std::string m_directory;
    std::string m_fields;
};

} // namespace bibliora
